#include "core/layout/placement.h"

#include "core/layout/geometry.h"
#include "core/layout/guards.h"
#include "core/model/image_index.h"

#include <algorithm>
#include <cmath>

namespace mosavelle {

using namespace placement;

namespace {

double clampAnchor(double v) {
    v = guardedAnchor(v);
    if (v <= 0)
        return 0;
    if (v > 1)
        return 1;
    return v;
}

// Area over size, with sizes at or below the guard dividing as the guard.
double ratio(double area, double size) {
    return size <= sizeGuard ? area / sizeGuard : area / size;
}

// The picture when it can be drawn: present and imported without error.
const SourceImage* drawable(const SourceImage* image) {
    return image != nullptr && !image->importError ? image : nullptr;
}

}  // namespace

PictureFrame placePicture(const SourceImage& image, SizingMode mode, const CropAnchor& anchor,
                          double rotationDegrees, double scale, const InchRect& rawArea) {
    const InchRect area = guardedRect(rawArea);
    const double bx = area.x, by = area.y, bw = area.width, bh = area.height;
    const double pixelWidth = guardedPixels(image.pixelWidth);
    const double pixelHeight = guardedPixels(image.pixelHeight);
    const double s = guardedScale(scale, mode);

    const double nw = pixelWidth / guardedDPI(image.dpiX);
    const double nh = pixelHeight / guardedDPI(image.dpiY);
    double w = nw * s;
    double h = s * nh;
    const double rw = ratio(bw, w);
    const double rh = ratio(bh, h);

    PictureFrame out;
    out.imageID = image.id;
    out.rotationDegrees = guardedRotation(rotationDegrees);
    SourceCrop& crop = out.crop;

    switch (mode) {
        case SizingMode::fit: {
            const double k = std::min(rh, rw);
            w = w * k;
            h = h * k;
            out.frame = InchRect{bx + (bw - w) * 0.5, by + (bh - h) * 0.5, w, h};
            break;
        }
        case SizingMode::fill: {
            const double k = std::max(rw, rh);
            w = w * k;
            if (bw + cropTolerance < w) {
                const double e = (w - bw) / w;
                crop.left = e * clampAnchor(anchor.x);
                crop.right = e - crop.left;
            } else {
                h = h * k;
                if (bh + cropTolerance < h) {
                    const double e = (h - bh) / h;
                    crop.top = e * clampAnchor(anchor.y);
                    crop.bottom = e - crop.top;
                }
            }
            out.frame = area;
            break;
        }
        case SizingMode::actual:
        case SizingMode::percent75:
        case SizingMode::percent125:
        case SizingMode::custom: {
            const double x = bx + (bw - w) * 0.5;
            const double y = by + (bh - h) * 0.5;
            out.frame = InchRect{x, y, w, h};
            out.overflows = x < bx - overflowTolerance || y < by - overflowTolerance ||
                            bx + bw + overflowTolerance < w + x ||
                            by + bh + overflowTolerance < h + y;
            break;
        }
    }
    out.frame = guardedRect(out.frame);
    out.placedDPI = out.frame.width > 0
                        ? guardedFinite((1 - crop.left - crop.right) * pixelWidth / out.frame.width)
                        : 0;
    return out;
}

void appendPictureWarnings(const PictureFrame& frame, SizingMode mode,
                           std::vector<SlideWarning>& out) {
    if (frame.overflows && mode != SizingMode::fit && mode != SizingMode::fill)
        out.push_back(SlideWarning::overflowsSlide(frame.imageID));
    if (frame.placedDPI > 0 && frame.placedDPI < lowResolutionLimit)
        out.push_back(SlideWarning::lowResolution(frame.placedDPI, frame.imageID));
}

std::vector<SlideWarning> pictureWarnings(const PictureFrame& frame, SizingMode mode) {
    std::vector<SlideWarning> out;
    appendPictureWarnings(frame, mode, out);
    return out;
}

SizingMode modeForScale(double scale) {
    const double r = std::round(scale * 100);  // halves away from zero
    if (r == 75)
        return SizingMode::percent75;
    if (r == 125)
        return SizingMode::percent125;
    if (r == 100)
        return SizingMode::actual;
    return SizingMode::custom;
}

const SourceImage* usableImage(const ImageSlot& slot, const Project& project) {
    return slot.imageID ? drawable(project.sourceImage(*slot.imageID)) : nullptr;
}

const SourceImage* usableImage(const ImageSlot& slot, const ImageIndex& images) {
    return slot.imageID ? drawable(images.find(*slot.imageID)) : nullptr;
}

std::optional<double> commonFitScale(const Slide& slide, const Project& project) {
    const AreaList areas = imageAreas(slide, project.appearance);
    std::optional<double> smallest;
    for (std::size_t i = 0; i < slide.slots.size() && i < areas.size(); ++i) {
        const SourceImage* image = usableImage(slide.slots[i], project);
        if (image == nullptr)
            continue;
        const double nw = guardedPixels(image->pixelWidth) / guardedDPI(image->dpiX);
        const double nh = guardedPixels(image->pixelHeight) / guardedDPI(image->dpiY);
        const double fits = std::min(areas[i].width / std::max(nw, sizeGuard),
                                     areas[i].height / std::max(nh, sizeGuard));
        smallest = smallest ? std::min(*smallest, fits) : fits;
    }
    if (!smallest)
        return std::nullopt;
    return std::min(std::max(*smallest, smallestCommonScale), largestCommonScale);
}

Slide applyCommonScale(const Slide& slide, const Project& project) {
    if (slide.layout != SlideLayoutKind::twoUp && slide.layout != SlideLayoutKind::fourGrid)
        return slide;
    const std::optional<double> s = commonFitScale(slide, project);
    if (!s)
        return slide;
    const Placement& current =
        slide.placementOverride ? *slide.placementOverride : project.appearance.defaultPlacement;
    Slide out = slide;
    out.placementOverride = Placement{modeForScale(*s), current.crop, current.rotationDegrees, *s};
    return out;
}

}  // namespace mosavelle
