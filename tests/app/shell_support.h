#pragma once

// Helpers shared by the shell's Qt Test suites.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/document/document_handle.h"
#include "app/window/document_window.h"
#include "core/model/package.h"
#include "core/model/project.h"

namespace mosavelle::testing {

// A deck of `count` section slides (no pictures needed), the first `excluded` of them excluded.
inline Project deckOfSlides(int count, int excluded = 0) {
    Project project = defaultProject();
    for (int i = 0; i < count; ++i) {
        Slide slide = sectionDividerSlide();
        slide.isExcluded = i < excluded;
        project.slides.push_back(slide);
    }
    return project;
}

inline app::DocumentWindow* windowFor(const Project& project) {
    auto handle = std::make_unique<app::DocumentHandle>(
        std::make_unique<MosavelleDocument>(project, ImageDataMap{}, std::nullopt));
    return new app::DocumentWindow(std::move(handle));
}

// Writes `project` as a package at `path` and returns the path.
inline std::filesystem::path writePackage(const std::filesystem::path& path,
                                          const Project& project) {
    auto written = writeProjectPackage(PackageSnapshot{project, {}, std::nullopt}, path);
    if (!written.ok())
        qFatal("could not write a test package: %s", written.error().message.c_str());
    return path;
}

// The message box with this object name that is showing, waiting for it up to two seconds;
// null when none came.
inline QMessageBox* waitForMessageBox(const QString& name) {
    QDeadlineTimer deadline(2000);
    do {
        for (QWidget* widget : QApplication::allWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->objectName() == name && box->isVisible())
                return box;
        }
        QTest::qWait(10);
    } while (!deadline.hasExpired());
    return nullptr;
}

// Clicks the button of `box` whose text is `text`.
inline void clickButton(QMessageBox* box, const QString& text) {
    QVERIFY2(box != nullptr, "the question did not show");
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button “%1”").arg(text)));
}

}  // namespace mosavelle::testing
