#pragma once

// Records and slides for the tests that build decks by hand.

#include <cstdint>
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

// A fixed identifier ending in `last`, for tests that need stable, distinct ones.
inline Uuid fixedUuid(std::uint8_t last) {
    return Uuid({0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x4A, 0x6B, 0x8C, 0x7D, 0x9E, 0x0F, 0x1A, 0x2B,
                 0x3C, last});
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
