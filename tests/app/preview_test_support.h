#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <initializer_list>
#include <memory>
#include <string>

#include "app/document/document_handle.h"
#include "core/model/document.h"

namespace mosavelle::testing {

// Encoded PNG bytes of a picture of one colour.
inline Bytes solidPicture(QColor color, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(encoded.constData(), std::size_t(encoded.size()));
}

// A deck under construction: pictures of one colour each, slides made of them.
struct DeckBuilder {
    Project project;
    ImageDataMap bytes;

    // Adds a picture of `color` (pixel size as given, 72 dpi) named "pN.png".
    Uuid picture(QColor color, int width = 400, int height = 300) {
        SourceImage image;
        image.id = Uuid::random();
        image.originalFileName = "p" + std::to_string(project.images.size() + 1) + ".png";
        image.pixelWidth = width;
        image.pixelHeight = height;
        image.dpiX = image.dpiY = 72;
        project.images.push_back(image);
        bytes[image.id] = solidPicture(color, width, height);
        return image.id;
    }

    // Adds a slide of `layout` whose slots show `pictures` (an absent one is an empty slot).
    Slide& slide(SlideLayoutKind layout, std::initializer_list<std::optional<Uuid>> pictures) {
        Slide slide;
        slide.layout = layout;
        for (const auto& id : pictures) {
            ImageSlot slot = emptySlot();
            slot.imageID = id;
            slide.slots.push_back(slot);
        }
        project.slides.push_back(slide);
        return project.slides.back();
    }

    // The document, with an undo history; the first slide selected.
    std::unique_ptr<app::DocumentHandle> handle() {
        auto document = std::make_unique<MosavelleDocument>(project, bytes, std::nullopt);
        if (!project.slides.empty())
            document->setSelectedSlideIDs({project.slides.front().id});
        return std::make_unique<app::DocumentHandle>(std::move(document));
    }
};

}  // namespace mosavelle::testing
