#include "app/preview/preview_preferences.h"

#include <QCoreApplication>
#include <QPointer>
#include <algorithm>
#include <cmath>

#include "app/support/preferences.h"
#include "core/layout/geometry.h"

namespace mosavelle::app {

namespace {
double clampedOr(double value, double low, double high, double fallback) {
    return std::isfinite(value) ? std::clamp(value, low, high) : fallback;
}
}  // namespace

double preview_zoom::fitZoom(const QSizeF& available, SlideSizePreset size) {
    const PageSize page = pageSize(size);
    const double width = page.width * 72.0, height = page.height * 72.0;
    return std::min(std::max(available.width() - margin, smallestArea) / width,
                    std::max(available.height() - margin, smallestArea) / height);
}

double preview_zoom::clamp(double zoom) {
    return clampedOr(zoom, minimum, maximum, 1.0);
}

PreviewPreferences& PreviewPreferences::instance() {
    // Owned by the application object, so that it goes with it rather than after it.
    static QPointer<PreviewPreferences> preferences;
    if (!preferences) {
        Q_ASSERT(QCoreApplication::instance());
        preferences = new PreviewPreferences(QCoreApplication::instance());
    }
    return *preferences;
}

bool PreviewPreferences::zoomsToFit() const {
    return preferences::previewZoomsToFit.value();
}

double PreviewPreferences::zoomScale() const {
    return preview_zoom::clamp(preferences::previewZoomScale.value());
}

double PreviewPreferences::notesHeight() const {
    return clampedOr(preferences::presenterNotesHeight.value(), minimumNotesHeight,
                     maximumNotesHeight, defaultNotesHeight);
}

void PreviewPreferences::setZoomsToFit(bool fit) {
    if (fit == zoomsToFit() && preferences::previewZoomsToFit.isStored())
        return;
    preferences::previewZoomsToFit.store(fit);
    Q_EMIT changed();
}

void PreviewPreferences::setZoomScale(double scale) {
    preferences::previewZoomScale.store(preview_zoom::clamp(scale));
    Q_EMIT changed();
}

void PreviewPreferences::setNotesHeight(double height) {
    const double clamped =
        clampedOr(height, minimumNotesHeight, maximumNotesHeight, defaultNotesHeight);
    if (clamped == notesHeight() && preferences::presenterNotesHeight.isStored())
        return;
    preferences::presenterNotesHeight.store(clamped);
    Q_EMIT changed();
}

}  // namespace mosavelle::app
