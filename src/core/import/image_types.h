#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace mosavelle {

// The type identifiers accepted without further checks. Any other identifier is accepted only when
// `conformsToImage` says so.
inline constexpr std::array<std::string_view, 8> acceptedImageTypes = {
    "public.jpeg", "public.png",           "com.compuserve.gif", "com.microsoft.bmp",
    "public.tiff", "org.webmproject.webp", "public.heic",        "public.heif",
};

bool isAcceptedImageType(std::string_view uti);

// Names the container of `bytes` from its signature alone (nothing past the first few dozen bytes
// is read). Returns a static identifier string such as "public.jpeg", or nothing when no known
// signature matches. Identifies some containers that are not pictures (PDF, ZIP, video) so that
// they can be refused as unsupported rather than unreadable.
std::optional<std::string_view> identifyImageType(std::span<const std::uint8_t> bytes);

// Whether the type named `uti` conforms to "public.image". Nothing when `uti` names no type this
// system knows (an identifier it cannot build a type from).
std::optional<bool> conformsToImage(std::string_view uti);

}  // namespace mosavelle
