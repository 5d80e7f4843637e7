#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "core/model/enums.h"
#include "core/model/project.h"
#include "core/platform/uuid.h"

namespace mosavelle {

class ImageIndex;  // "core/model/image_index.h"

// The laid-out slide: the single description of a slide's content that the preview draws and the
// exporter writes. Plain values with field-by-field equality. Lengths are inches from the slide's
// top-left corner, y downwards; font sizes are points.

struct InchRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const InchRect&, const InchRect&) = default;
};

// The share of the source picture cut away on each side: left and right are fractions of the
// source's width, top and bottom of its height. All 0 means nothing is cut.
struct SourceCrop {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    friend bool operator==(const SourceCrop&, const SourceCrop&) = default;
};

// One placed picture (or the placeholder of a missing one, or the logo).
struct PictureFrame {
    // The SourceImage drawn; for a missing picture the slot's identifier or a new random one; for
    // the logo a new random one.
    Uuid imageID;
    InchRect frame;  // where the visible part of the picture is drawn, before rotation
    SourceCrop crop;
    double rotationDegrees = 0;  // about the frame's centre
    bool overflows = false;      // the picture passes its area's edges
    double placedDPI = 0;        // source pixels shown per inch across the width; 0 when missing
    friend bool operator==(const PictureFrame&, const PictureFrame&) = default;
};

// One text box. Font family and weight come from the deck's Typography when drawn.
struct TextFrame {
    std::string text;  // UTF-8, possibly empty
    InchRect frame;
    bool isTitle = false;
    bool overflows = false;  // judged too long for its box
    double fontPoints = 0;
    CaptionAlignment alignment = CaptionAlignment::leading;
    // The colour to draw in: the deck's title or body colour, or white or black where that
    // colour would not be readable on the slide's background (see readableTextColor).
    RGBAColor color;
    friend bool operator==(const TextFrame&, const TextFrame&) = default;
};

// Something the user should know about a slide: one of four cases, each with its own values.
// Build one with the named factories; read it with `as<Case>()` or std::visit on `value`.
struct SlideWarning {
    // A picture in a sized mode is larger than its area.
    struct OverflowsSlide {
        Uuid imageID;
        friend bool operator==(const OverflowsSlide&, const OverflowsSlide&) = default;
    };
    // A picture will be shown with fewer than 120 pixels per inch.
    struct LowResolution {
        double dpi = 0;
        Uuid imageID;
        friend bool operator==(const LowResolution&, const LowResolution&) = default;
    };
    // A slot has no picture (imageID absent), or one not in the project, or one unusable.
    struct MissingImage {
        std::optional<Uuid> imageID;
        friend bool operator==(const MissingImage&, const MissingImage&) = default;
    };
    // A text is too long for its box; `field` is "title", "caption" or "caption N".
    struct TextOverflow {
        std::string field;
        friend bool operator==(const TextOverflow&, const TextOverflow&) = default;
    };

    using Case = std::variant<OverflowsSlide, LowResolution, MissingImage, TextOverflow>;
    Case value;

    static SlideWarning overflowsSlide(const Uuid& imageID) { return {OverflowsSlide{imageID}}; }
    static SlideWarning lowResolution(double dpi, const Uuid& imageID) {
        return {LowResolution{dpi, imageID}};
    }
    static SlideWarning missingImage(const std::optional<Uuid>& imageID) {
        return {MissingImage{imageID}};
    }
    static SlideWarning textOverflow(std::string field) { return {TextOverflow{std::move(field)}}; }

    // The case's values when this warning is of case T, else null.
    template <class T>
    const T* as() const {
        return std::get_if<T>(&value);
    }

    friend bool operator==(const SlideWarning&, const SlideWarning&) = default;
};

// One laid-out slide.
struct RenderedSlide {
    RGBAColor background;
    SlideSizePreset size = SlideSizePreset::widescreen;
    std::vector<PictureFrame> pictures;      // one per placed slot, in slot order
    std::vector<TextFrame> texts;            // title before caption; captions in slot order
    std::optional<PictureFrame> logo;        // present when the deck has a logo configured
    std::optional<std::string> slideNumber;  // present when slide numbers are on
    std::optional<InchRect> numberFrame;     // present exactly when slideNumber is
    RGBAColor numberColor;                   // readable body colour for the slide number
    std::string notes;                       // the slide's presenter notes, unchanged
    std::vector<SlideWarning> warnings;      // in the fixed order of the slide's layout
    friend bool operator==(const RenderedSlide&, const RenderedSlide&) = default;
};

// Lays out `slide` of `project`. `index` is the zero-based position the caller gives the slide;
// the printed number is index + 1. Pure: no I/O, no decoding, allocates only its result; cannot
// fail. Every length in the result is finite and no width or height is negative, whatever the
// project holds. The logo's identifier and that of a placeholder for an empty slot are new on
// every call, so two renderings of one slide compare equal only when neither is present.
RenderedSlide renderSlide(const Slide& slide, std::size_t index, const Project& project);

// The same, finding pictures through `images`, which must have been built from `project.images`
// (and still be valid). Laying out a whole deck this way costs slides × log(pictures) instead of
// slides × pictures; the result is identical.
RenderedSlide renderSlide(const Slide& slide, std::size_t index, const Project& project,
                          const ImageIndex& images);

}  // namespace mosavelle
