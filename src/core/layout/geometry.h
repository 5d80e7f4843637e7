#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "core/layout/rendered_slide.h"
#include "core/model/enums.h"
#include "core/model/project.h"

namespace mosavelle {

// Where things lie on a slide before any picture is looked at: page, content box, picture areas,
// text boxes and the corner boxes of logo and slide number. Pure arithmetic in inches on the
// deck's appearance and one slide; nothing here allocates except `imageAreas().toVector()`.
//
// The exported file rounds inches to EMU, so every formula is evaluated in double precision in a
// fixed order with the decimal constants below; reordering a sum or rounding a constant can move
// a written coordinate by one EMU.
//
// Hand-edited values are passed through the guards of "core/layout/guards.h"; for a sane deck
// they change nothing. Areas of `twoUp` and `fourGrid` slides never have a negative width or
// height: where the formula would give one (large margins or caption sizes) it is 0.

namespace geometry {
inline constexpr double widescreenWidth = 13.3333333333;  // this decimal, not 40/3
inline constexpr double classicWidth = 10.0;
inline constexpr double pageHeight = 7.5;
inline constexpr double logoReserveGap = 0.08;
inline constexpr double numberReserve = 0.28;
inline constexpr double smallestContent = 0.5;
inline constexpr double cornerInset = 0.2;
inline constexpr double logoAspect = 2.5;
inline constexpr double bottomCornerTop = 7.3;       // page height less the corner inset
inline constexpr double numberTrailingOffset = 0.8;  // corner inset plus number width
inline constexpr double numberBottomTop = 7.0;
inline constexpr double numberWidth = 0.6;
inline constexpr double numberHeight = 0.3;
inline constexpr double numberPoints = 12.0;  // the slide number, centred in its box
inline constexpr double titleHeight = 0.55;
inline constexpr double titleCaptionGap = 0.12;
inline constexpr double smallestCaptionBox = 0.45;
inline constexpr double smallestTitledArea = 0.5;
inline constexpr double twoUpColumnGap = 0.2;
inline constexpr double twoUpCaptionGap = 0.1;
inline constexpr double twoUpSmallestBand = 0.4;
inline constexpr double gridCellGap = 0.16;
inline constexpr double gridBandAllowance = 0.06;
inline constexpr double gridCaptionOffset = 0.04;
inline constexpr double gridSmallestBand = 0.32;
inline constexpr double sectionTop = 0.35;
inline constexpr double sectionHeight = 0.3;
inline constexpr double lineHeight = 1.4;  // caption line height as a multiple of the font size
inline constexpr double pointsPerInch = 72.0;
}  // namespace geometry

struct PageSize {
    double width = 0;
    double height = 0;
    friend bool operator==(const PageSize&, const PageSize&) = default;
};

// Up to four picture areas, in slot order: element i belongs to slot i. A fixed-capacity list so
// that laying out a slide needs no allocation.
class AreaList {
public:
    static constexpr std::size_t capacity = 4;

    void push(const InchRect& rect) { rects_[count_++] = rect; }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const InchRect& operator[](std::size_t i) const { return rects_[i]; }
    const InchRect* begin() const { return rects_.data(); }
    const InchRect* end() const { return rects_.data() + count_; }
    std::vector<InchRect> toVector() const { return {begin(), end()}; }

    friend bool operator==(const AreaList& a, const AreaList& b) {
        return a.toVector() == b.toVector();
    }

private:
    std::array<InchRect, capacity> rects_{};
    std::size_t count_ = 0;
};

PageSize pageSize(SlideSizePreset preset);

// The free area of every slide: the page less the margins and the whole-width bands that a
// configured logo and the slide number take; never narrower or lower than 0.5 inch.
InchRect contentBox(const AppearanceSettings& appearance);

// Height of one line of caption text in inches: points / 72 × 1.4.
double captionLineHeight(double points);

// Height of the caption row of a multi-picture slide: max(minimum, one caption line) when any
// slot (also those beyond what the layout shows) has a caption of at least one character, else 0.
double captionBand(const Slide& slide, double minimum);

// The picture areas of the slide's layout, in slot order.
AreaList imageAreas(const Slide& slide, const AppearanceSettings& appearance);

// `imageTitleCaption`: the title band at the top of the content box.
InchRect titleBox(const AppearanceSettings& appearance);
// `imageTitleCaption`: the caption box, at least 0.45 high, ending at the content box's bottom.
InchRect captionBox(const Slide& slide, const AppearanceSettings& appearance);
// `twoUp` and `fourGrid`: the caption box under `area` for a band of height `band` (> 0).
InchRect slotCaptionBox(SlideLayoutKind layout, const InchRect& area, double band);
// `section`: the title box across the middle of the content box.
InchRect sectionTitleBox(const AppearanceSettings& appearance);

// Corner boxes; they ignore the margins.
InchRect logoBox(SlideSizePreset preset, const Branding& branding);
InchRect numberBox(SlideSizePreset preset, CornerPosition position);

// Where a logo of `pixelWidth` by `pixelHeight` is drawn in its corner box `box`: as large as
// fits with its aspect kept, against the box's edges at `corner` (a leading corner keeps it at
// the left edge, a bottom corner at the bottom). A picture without a usable size fills the box.
InchRect fittedLogoFrame(const InchRect& box, CornerPosition corner, double pixelWidth,
                         double pixelHeight);

}  // namespace mosavelle
