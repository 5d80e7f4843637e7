#include "core/layout/guards.h"

#include <algorithm>
#include <cmath>

namespace mosavelle {
namespace {

// NaN becomes `fallback`; everything else (including infinities) is clamped to lo...hi.
double clampOr(double value, double lo, double hi, double fallback) {
    if (std::isnan(value))
        return fallback;
    return std::clamp(value, lo, hi);
}

}  // namespace

double guardedMargin(double inches) {
    return clampOr(inches, 0.0, 100.0, 0.3);
}

double guardedLogoHeight(double inches) {
    return clampOr(inches, 0.0, 7.5, 0.4);
}

double guardedPoints(double points, double fallback) {
    return clampOr(points, 1.0, 4000.0, fallback);
}

double guardedDPI(double dpi) {
    if (!std::isfinite(dpi) || dpi <= 0)
        return 72.0;
    return std::clamp(dpi, 1.0, 1'000'000.0);
}

double guardedPixels(std::int64_t pixels) {
    return pixels < 0 ? 0.0 : static_cast<double>(pixels);
}

double guardedScale(double scale, SizingMode mode) {
    if (!std::isfinite(scale) || scale <= 0)
        return defaultScale(mode);
    return std::clamp(scale, 0.0001, 10000.0);
}

double guardedRotation(double degrees) {
    return std::isfinite(degrees) ? degrees : 0.0;
}

double guardedAnchor(double fraction) {
    return std::isnan(fraction) ? 0.5 : fraction;
}

double guardedFinite(double value) {
    return std::isfinite(value) ? value : 0.0;
}

double guardedSize(double inches) {
    return clampOr(inches, 0.0, largestLength, 0.0);
}

InchRect guardedRect(const InchRect& rect) {
    return InchRect{clampOr(rect.x, -largestLength, largestLength, 0.0),
                    clampOr(rect.y, -largestLength, largestLength, 0.0), guardedSize(rect.width),
                    guardedSize(rect.height)};
}

}  // namespace mosavelle
