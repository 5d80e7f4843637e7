#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>

namespace mosavelle::testing {

// Points HOME and the XDG folders at a fresh private folder, so that no test reads or writes the
// user's settings, defaults or caches. Call before the QApplication exists.
inline QTemporaryDir& isolateUserFolders() {
    static QTemporaryDir home;
    const QByteArray root = home.path().toUtf8();
    ::setenv("HOME", root.constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    ::setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
    ::setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
    return home;
}

}  // namespace mosavelle::testing

// QTEST_MAIN with private user folders and the application's organisation and name.
#define MOSAVELLE_APP_TEST_MAIN(TestClass)                              \
    int main(int argc, char** argv) {                                   \
        mosavelle::testing::isolateUserFolders();                       \
        QApplication app(argc, argv);                                   \
        QApplication::setOrganizationName(QStringLiteral("Mosavelle")); \
        QApplication::setApplicationName(QStringLiteral("Mosavelle"));  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                        \
        TestClass test;                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                      \
        return QTest::qExec(&test, argc, argv);                         \
    }
