#include "core/layout/text_color.h"

#include <algorithm>
#include <cmath>

namespace mosavelle {

namespace {

// A component as stored (clamped to 0...1, non-finite as 0), turned from sRGB into linear light.
double linear(double component) {
    const double c = std::isfinite(component) ? std::clamp(component, 0.0, 1.0) : 0.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const RGBAColor& color) {
    return 0.2126 * linear(color.red) + 0.7152 * linear(color.green) + 0.0722 * linear(color.blue);
}

}  // namespace

double contrastRatio(const RGBAColor& a, const RGBAColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

RGBAColor readableTextColor(const RGBAColor& stored, const RGBAColor& background) {
    if (contrastRatio(stored, background) >= minimumTextContrast)
        return stored;
    const RGBAColor white{1, 1, 1, 1};
    const RGBAColor black{0, 0, 0, 1};
    return contrastRatio(white, background) > contrastRatio(black, background) ? white : black;
}

}  // namespace mosavelle
