#pragma once

// Records and slides for the tests that build decks by hand.

#include <optional>
#include <string>
#include <vector>

#include "core/model/project.h"

namespace mosavelle::testing {

// The record of a picture named `name`, stored under its identifier, at 72 dpi.
inline SourceImage pictureRecord(const std::string& name, std::string uti = "public.jpeg",
                                 std::int64_t width = 64, std::int64_t height = 40) {
    SourceImage image;
    image.id = Uuid::random();
    image.originalFileName = name;
    image.storedFileName = image.id.text();
    image.pixelWidth = width;
    image.pixelHeight = height;
    image.dpiX = image.dpiY = 72;
    image.uti = std::move(uti);
    return image;
}

using Pictures = std::vector<std::optional<Uuid>>;

// A slide of `layout` with one fresh slot per entry of `pictures`, showing that picture.
inline Slide slideOf(SlideLayoutKind layout, const Pictures& pictures) {
    Slide s;
    s.layout = layout;
    for (const auto& id : pictures) {
        s.slots.push_back(emptySlot());
        s.slots.back().imageID = id;
    }
    return s;
}

}  // namespace mosavelle::testing
