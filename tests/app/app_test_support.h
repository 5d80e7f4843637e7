#pragma once

// What the Qt Test suites of the application share: private user folders, decks to test with, and
// finding and answering the widgets a flow shows.

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/document/document_handle.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "app/window/document_window.h"
#include "core/model/document.h"
#include "core/model/package.h"
#include "core/model/project.h"
#include "support/deck_support.h"

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

// ---- Decks

// The thumbnail provider of the suite's decks, made by MOSAVELLE_APP_TEST_MAIN.
inline app::ThumbnailProvider* suiteThumbnails = nullptr;

inline std::unique_ptr<app::DocumentHandle> handleFor(const Project& project,
                                                      const ImageDataMap& bytes = {}) {
    return std::make_unique<app::DocumentHandle>(
        std::make_unique<MosavelleDocument>(project, bytes, std::nullopt), *suiteThumbnails);
}

// One single-picture slide per name, in the order given; every picture holds `bytes` (none:
// miniatures stay clear).
inline std::unique_ptr<app::DocumentHandle> makeDeck(const std::vector<std::string>& names,
                                                     const Bytes& bytes = {}) {
    Project project;
    ImageDataMap data;
    for (const auto& name : names) {
        SourceImage picture = pictureRecord(name, "public.jpeg", 4000, 3000);
        picture.byteCount = static_cast<std::int64_t>(bytes.size());
        project.images.push_back(picture);
        project.slides.push_back(singleImageSlide(picture.id, ""));
        if (!bytes.empty())
            data[picture.id] = bytes;
    }
    return handleFor(project, data);
}

// `count` pictures named IMG_0001.JPG, IMG_0002.JPG, ...
inline std::unique_ptr<app::DocumentHandle> makeDeck(int count, const Bytes& bytes = {}) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i)
        names.push_back(QString::asprintf("IMG_%04d.JPG", i).toStdString());
    return makeDeck(names, bytes);
}

inline Uuid slideID(const app::DocumentHandle& handle, int position) {
    return handle.document().project().slides.at(static_cast<std::size_t>(position - 1)).id;
}

// The deck's slide identifiers in deck order.
inline std::vector<Uuid> slideIDs(const app::DocumentHandle& handle) {
    std::vector<Uuid> ids;
    for (const Slide& slide : handle.document().project().slides)
        ids.push_back(slide.id);
    return ids;
}

// The file name of each slide's first picture, in deck order.
inline std::vector<std::string> pictureNames(const app::DocumentHandle& handle) {
    const Project& project = handle.document().project();
    std::vector<std::string> names;
    for (const Slide& slide : project.slides)
        names.push_back(project.sourceImage(*slide.slots.at(0).imageID)->originalFileName);
    return names;
}

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

// Writes `project` as a package at `path` and returns the path.
inline std::filesystem::path writePackage(const std::filesystem::path& path,
                                          const Project& project) {
    auto written = writeProjectPackage(PackageSnapshot{project, {}, std::nullopt}, path);
    if (!written.ok())
        qFatal("could not write a test package: %s", written.error().message.c_str());
    return path;
}

// Encoded bytes of `image` in `format`.
inline Bytes encoded(const QImage& image, const char* format = "PNG") {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return Bytes(out.constData(), std::size_t(out.size()));
}

// `count` files n0.jpg, n1.jpg, ... in `folder`, each the same 800 x 800 noise with another byte
// after the end marker (distinct files, no exact copies): enough to read that an import of them
// is still under way when its first slides arrive.
inline std::vector<std::filesystem::path> noisePhotos(const std::filesystem::path& folder,
                                                      int count) {
    QImage noise(800, 800, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, uint(std::rand()));
    const Bytes jpeg = encoded(noise, "JPG");
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(folder / ("n" + std::to_string(i) + ".jpg"));
        std::ofstream out(files.back(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
        out.put(char(i));
    }
    return files;
}

// A deck under construction: pictures of one colour each, slides made of them.
struct DeckBuilder {
    Project project;
    ImageDataMap bytes;

    // Adds a picture of `color` (pixel size as given, 72 dpi) named "pN.png".
    Uuid picture(QColor color, int width = 400, int height = 300) {
        const SourceImage image = pictureRecord(
            "p" + std::to_string(project.images.size() + 1) + ".png", "public.png", width, height);
        project.images.push_back(image);
        QImage pixels(width, height, QImage::Format_RGB32);
        pixels.fill(color);
        bytes[image.id] = encoded(pixels);
        return image.id;
    }

    // Adds a slide of `layout` whose slots show `pictures` (an absent one is an empty slot).
    Slide& slide(SlideLayoutKind layout, std::initializer_list<std::optional<Uuid>> pictures) {
        project.slides.push_back(slideOf(layout, pictures));
        return project.slides.back();
    }

    // The document, with an undo history; the first slide selected.
    std::unique_ptr<app::DocumentHandle> handle() {
        auto handle = handleFor(project, bytes);
        if (!project.slides.empty())
            handle->document().setSelectedSlideIDs({project.slides.front().id});
        return handle;
    }
};

// ---- Finding and answering widgets

// The controls under `root` whose accessible name (or, for buttons and labels, text) is `name`;
// with `shownOnly`, only those that would be visible with `root`.
template <class T>
QList<T*> allNamed(QWidget& root, const QString& name, bool shownOnly = false) {
    QList<T*> found;
    for (T* widget : root.findChildren<T*>()) {
        if (shownOnly && !widget->isVisibleTo(&root))
            continue;
        bool matches = widget->accessibleName() == name;
        if constexpr (requires { widget->text(); })
            matches = matches || widget->text() == name;
        if (matches)
            found.push_back(widget);
    }
    return found;
}

// The first of them, or null.
template <class T>
T* named(QWidget& root, const QString& name, bool shownOnly = false) {
    return allNamed<T>(root, name, shownOnly).value(0, nullptr);
}

template <class T>
T* visibleChild(QWidget& window) {
    for (T* child : window.findChildren<T*>())
        if (child->isVisible())
            return child;
    return nullptr;
}

// The first visible child of this type, waiting for it up to ten seconds.
template <class T>
T* waitForChild(QWidget& window) {
    T* found = nullptr;
    (void)QTest::qWaitFor([&] { return (found = visibleChild<T>(window)) != nullptr; }, 10000);
    return found;
}

// The visible message boxes whose object name or window title is `name`.
inline QList<QMessageBox*> messageBoxes(const QString& name) {
    QList<QMessageBox*> found;
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget);
            box && box->isVisible() && (box->objectName() == name || box->windowTitle() == name))
            found.push_back(box);
    return found;
}

// The message box with this object name or title that is showing, waiting for it up to five
// seconds; null when none came.
inline QMessageBox* waitForMessageBox(const QString& name) {
    QMessageBox* box = nullptr;
    (void)QTest::qWaitFor([&] { return (box = messageBoxes(name).value(0, nullptr)) != nullptr; },
                          5000);
    return box;
}

// Clicks the button of `box` whose text is `text`. Every box answered here also shows its title
// inside, where a desktop without title bars still shows it.
inline void clickButton(QMessageBox* box, const QString& text) {
    QVERIFY2(box != nullptr, "the question did not show");
    QCOMPARE(box->text(), box->windowTitle());
    QAbstractButton* button = named<QAbstractButton>(*box, text);
    QVERIFY2(button != nullptr, qPrintable(QStringLiteral("no button “%1”").arg(text)));
    button->click();
}

// Sends `data` entering `target` at `at` and, once the entry is accepted, dropped there; whether
// both were accepted.
inline bool dropOn(QWidget* target, QPoint at, const QMimeData& data) {
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// Answers the next application-modal question with `text`, for calls that block on it.
inline void answerNextQuestion(const QString& text) {
    QTimer::singleShot(100, [text] {
        clickButton(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()), text);
    });
}

}  // namespace mosavelle::testing

// Every suite works in the application's namespaces and with these helpers.
using namespace mosavelle;
using namespace mosavelle::app;
using namespace mosavelle::testing;

// QTEST_MAIN with private user folders and the application's organisation and name.
#define MOSAVELLE_APP_TEST_MAIN(TestClass)                              \
    int main(int argc, char** argv) {                                   \
        mosavelle::testing::isolateUserFolders();                       \
        QApplication app(argc, argv);                                   \
        QApplication::setOrganizationName(QStringLiteral("Mosavelle")); \
        QApplication::setApplicationName(QStringLiteral("Mosavelle"));  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                        \
        mosavelle::app::ThumbnailProvider thumbnails;                   \
        mosavelle::testing::suiteThumbnails = &thumbnails;              \
        TestClass test;                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                      \
        return QTest::qExec(&test, argc, argv);                         \
    }
