#pragma once

#include <string_view>

namespace mosavelle {

// Why a picture could not be read. `description` is the sentence shown wherever the error is
// reported (import notes, export alerts).
enum class ImageIOError { unreadable, unsupported, empty };

constexpr std::string_view description(ImageIOError error) {
    switch (error) {
        case ImageIOError::unreadable:
            return "This file could not be read as an image.";
        case ImageIOError::unsupported:
            return "This image format is not supported.";
        case ImageIOError::empty:
            return "This image has no pixels.";
    }
    return "This file could not be read as an image.";
}

}  // namespace mosavelle
