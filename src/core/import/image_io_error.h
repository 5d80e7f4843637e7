#pragma once

#include <string_view>

#include "core/platform/text.h"

namespace mosavelle {

// Why a picture could not be read. `textOf` is the sentence shown wherever the error is reported
// (import notes, export alerts), `description` that sentence in English.
enum class ImageIOError { unreadable, unsupported, empty };

constexpr TextId textOf(ImageIOError error) {
    switch (error) {
        case ImageIOError::unreadable:
            break;
        case ImageIOError::unsupported:
            return TextId::imageUnsupported;
        case ImageIOError::empty:
            return TextId::imageEmpty;
    }
    return TextId::imageUnreadable;
}

constexpr std::string_view description(ImageIOError error) {
    return englishTemplate(textOf(error));
}

}  // namespace mosavelle
