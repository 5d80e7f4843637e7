#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace mosavelle {

// Every enumeration of the deck is stored and written by its case name, case-sensitively.
// `caseName` gives that text; `parseCase<E>` reads it back (exact match only). `allCases<E>`
// lists the cases in declaration order.

enum class SortMode : std::uint8_t {
    manual,
    filename,
    captureDate,
    reverseFilename,
    reverseCaptureDate
};
enum class SlideLayoutKind : std::uint8_t { oneImage, imageTitleCaption, twoUp, fourGrid, section };
enum class SizingMode : std::uint8_t { actual, fit, fill, percent75, percent125, custom };
enum class CaptionAlignment : std::uint8_t { leading, center, trailing };
enum class QualityPreset : std::uint8_t { best, balanced, small };
enum class BackgroundKind : std::uint8_t { white, black, custom };
enum class SlideSizePreset : std::uint8_t { widescreen, classic };
enum class CornerPosition : std::uint8_t { topLeading, topTrailing, bottomLeading, bottomTrailing };
enum class CaptionSource : std::uint8_t { fileName, description, title, pattern };

template <class E>
struct EnumCases;  // specialised below: `names`, indexed by the enumerator's value

template <>
struct EnumCases<SortMode> {
    static constexpr std::array<std::string_view, 5> names{"manual", "filename", "captureDate",
                                                           "reverseFilename", "reverseCaptureDate"};
};
template <>
struct EnumCases<SlideLayoutKind> {
    static constexpr std::array<std::string_view, 5> names{"oneImage", "imageTitleCaption", "twoUp",
                                                           "fourGrid", "section"};
};
template <>
struct EnumCases<SizingMode> {
    static constexpr std::array<std::string_view, 6> names{"actual",    "fit",        "fill",
                                                           "percent75", "percent125", "custom"};
};
template <>
struct EnumCases<CaptionAlignment> {
    static constexpr std::array<std::string_view, 3> names{"leading", "center", "trailing"};
};
template <>
struct EnumCases<QualityPreset> {
    static constexpr std::array<std::string_view, 3> names{"best", "balanced", "small"};
};
template <>
struct EnumCases<BackgroundKind> {
    static constexpr std::array<std::string_view, 3> names{"white", "black", "custom"};
};
template <>
struct EnumCases<SlideSizePreset> {
    static constexpr std::array<std::string_view, 2> names{"widescreen", "classic"};
};
template <>
struct EnumCases<CornerPosition> {
    static constexpr std::array<std::string_view, 4> names{"topLeading", "topTrailing",
                                                           "bottomLeading", "bottomTrailing"};
};

template <>
struct EnumCases<CaptionSource> {
    static constexpr std::array<std::string_view, 4> names{"fileName", "description", "title",
                                                           "pattern"};
};

template <class E>
constexpr std::string_view caseName(E value) {
    return EnumCases<E>::names[static_cast<std::size_t>(value)];
}

template <class E>
constexpr std::optional<E> parseCase(std::string_view text) {
    const auto& names = EnumCases<E>::names;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == text)
            return static_cast<E>(i);
    return std::nullopt;
}

template <class E>
constexpr auto allCases() {
    std::array<E, EnumCases<E>::names.size()> out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<E>(i);
    return out;
}

// Number of picture areas a layout shows: 1, 1, 2, 4, 0.
int slotCount(SlideLayoutKind layout);

// The scale a placement of this mode takes when none is given: 0.75, 1.25, else 1.0.
double defaultScale(SizingMode mode);

}  // namespace mosavelle
