#include "core/layout/geometry.h"

#include "core/layout/guards.h"

#include <algorithm>
#include <cmath>

namespace mosavelle {

using namespace geometry;

namespace {

bool isBottom(CornerPosition position) {
    return position == CornerPosition::bottomLeading || position == CornerPosition::bottomTrailing;
}

bool isLeading(CornerPosition position) {
    return position == CornerPosition::topLeading || position == CornerPosition::bottomLeading;
}

double guardedCaptionPoints(const Slide& slide) {
    return guardedPoints(slide.captionPoints, 16);
}

// Height of the `imageTitleCaption` caption box: one caption line, at least 0.45.
double titledCaptionHeight(const Slide& slide) {
    return std::max(captionLineHeight(guardedCaptionPoints(slide)), smallestCaptionBox);
}

}  // namespace

PageSize pageSize(SlideSizePreset preset) {
    switch (preset) {
        case SlideSizePreset::widescreen:
            return {widescreenWidth, pageHeight};
        case SlideSizePreset::classic:
            return {classicWidth, pageHeight};
    }
    return {widescreenWidth, pageHeight};
}

InchRect contentBox(const AppearanceSettings& appearance) {
    const double pageWidth = pageSize(appearance.slideSize).width;
    const Margins& m = appearance.margins;
    const Branding& branding = appearance.branding;
    double t = guardedMargin(m.top);
    double b = guardedMargin(m.bottom);
    if (branding.logoFileName) {
        const double reserve = guardedLogoHeight(branding.logoMaxHeightInches) + logoReserveGap;
        if (isBottom(branding.logoPosition))
            b = b + reserve;
        else
            t = t + reserve;
    }
    if (branding.showSlideNumbers) {
        if (isBottom(branding.numberPosition))
            b = b + numberReserve;
        else
            t = t + numberReserve;
    }
    const double leading = guardedMargin(m.leading);
    const double trailing = guardedMargin(m.trailing);
    return InchRect{leading, t, std::max(pageWidth - leading - trailing, smallestContent),
                    std::max(pageHeight - t - b, smallestContent)};
}

double captionLineHeight(double points) {
    return points / pointsPerInch * lineHeight;
}

double captionBand(const Slide& slide, double minimum) {
    const bool anyCaption =
        std::any_of(slide.slots.begin(), slide.slots.end(),
                    [](const ImageSlot& slot) { return !slot.caption.empty(); });
    if (!anyCaption)
        return 0;
    return std::max(minimum, captionLineHeight(guardedCaptionPoints(slide)));
}

AreaList imageAreas(const Slide& slide, const AppearanceSettings& appearance) {
    const InchRect c = contentBox(appearance);
    const double x = c.x, y = c.y, w = c.width, h = c.height;
    AreaList areas;
    switch (slide.layout) {
        case SlideLayoutKind::oneImage:
            areas.push(c);
            break;
        case SlideLayoutKind::imageTitleCaption: {
            const double cap = titledCaptionHeight(slide);
            const double top = y + titleHeight + titleCaptionGap;
            areas.push(InchRect{x, top, w,
                                std::max(y + h - cap - titleCaptionGap - top, smallestTitledArea)});
            break;
        }
        case SlideLayoutKind::twoUp: {
            const double band = captionBand(slide, twoUpSmallestBand);
            const std::size_t n = std::min<std::size_t>(slide.slots.size(), 2);
            if (n == 0)
                break;
            const double ah = guardedSize(band > 0 ? h - (band + twoUpCaptionGap) : h);
            const double aw = guardedSize((w - twoUpColumnGap) * 0.5);
            for (std::size_t i = 0; i < n; ++i)
                areas.push(InchRect{x + static_cast<double>(i) * (aw + twoUpColumnGap), y, aw, ah});
            break;
        }
        case SlideLayoutKind::fourGrid: {
            const double band = captionBand(slide, gridSmallestBand);
            const std::size_t n = std::min<std::size_t>(slide.slots.size(), 4);
            if (n == 0)
                break;
            const double cw = guardedSize((w - gridCellGap) * 0.5);
            const double ch = guardedSize(
                (h - gridCellGap - (band > 0 ? 2 * band + 2 * gridBandAllowance : 0)) * 0.5);
            const double a = band > 0 ? band + gridBandAllowance : 0;
            for (std::size_t i = 0; i < n; ++i) {
                const double column = static_cast<double>(i % 2);
                const double row = static_cast<double>(i / 2);
                areas.push(InchRect{x + column * (cw + gridCellGap),
                                    y + row * (a + ch + gridCellGap), cw, ch});
            }
            break;
        }
        case SlideLayoutKind::section:
            break;
    }
    return areas;
}

InchRect titleBox(const AppearanceSettings& appearance) {
    const InchRect c = contentBox(appearance);
    return InchRect{c.x, c.y, c.width, titleHeight};
}

InchRect captionBox(const Slide& slide, const AppearanceSettings& appearance) {
    const InchRect c = contentBox(appearance);
    const double cap = titledCaptionHeight(slide);
    return InchRect{c.x, c.y + c.height - cap, c.width, cap};
}

InchRect slotCaptionBox(SlideLayoutKind layout, const InchRect& area, double band) {
    const double gap = layout == SlideLayoutKind::fourGrid ? gridCaptionOffset : twoUpCaptionGap;
    return InchRect{area.x, area.y + area.height + gap, area.width, band};
}

InchRect sectionTitleBox(const AppearanceSettings& appearance) {
    const InchRect c = contentBox(appearance);
    return InchRect{c.x, c.y + c.height * sectionTop, c.width, c.height * sectionHeight};
}

InchRect logoBox(SlideSizePreset preset, const Branding& branding) {
    const double pageWidth = pageSize(preset).width;
    const double lh = guardedLogoHeight(branding.logoMaxHeightInches);
    const double x =
        isLeading(branding.logoPosition) ? cornerInset : pageWidth - cornerInset - logoAspect * lh;
    const double y = isBottom(branding.logoPosition) ? bottomCornerTop - lh : cornerInset;
    return InchRect{x, y, logoAspect * lh, lh};
}

InchRect numberBox(SlideSizePreset preset, CornerPosition position) {
    const double pageWidth = pageSize(preset).width;
    const double x = isLeading(position) ? cornerInset : pageWidth - numberTrailingOffset;
    const double y = isBottom(position) ? numberBottomTop : cornerInset;
    return InchRect{x, y, numberWidth, numberHeight};
}

InchRect fittedLogoFrame(const InchRect& box, CornerPosition corner, double pixelWidth,
                         double pixelHeight) {
    if (!(pixelWidth > 0 && pixelHeight > 0 && std::isfinite(pixelWidth) &&
          std::isfinite(pixelHeight)))
        return box;
    const double scale = std::min(box.width / pixelWidth, box.height / pixelHeight);
    const double w = std::min(pixelWidth * scale, box.width);
    const double h = std::min(pixelHeight * scale, box.height);
    return InchRect{isLeading(corner) ? box.x : box.x + box.width - w,
                    isBottom(corner) ? box.y + box.height - h : box.y, w, h};
}

}  // namespace mosavelle
