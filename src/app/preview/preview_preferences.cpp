#include "app/preview/preview_preferences.h"

#include <QSettings>
#include <algorithm>
#include <cmath>

#include "core/layout/geometry.h"

namespace mosavelle::app {

namespace {
const QString fitKey = QStringLiteral("previewZoomsToFit");
const QString scaleKey = QStringLiteral("previewZoomScale");
const QString notesKey = QStringLiteral("presenterNotesHeight");

QSettings store() {
    return QSettings(QStringLiteral("Mosavelle"), QStringLiteral("Mosavelle"));
}

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
    static PreviewPreferences preferences;
    return preferences;
}

bool PreviewPreferences::zoomsToFit() const {
    return store().value(fitKey, true).toBool();
}

double PreviewPreferences::zoomScale() const {
    return preview_zoom::clamp(store().value(scaleKey, 1.0).toDouble());
}

double PreviewPreferences::notesHeight() const {
    return clampedOr(store().value(notesKey, defaultNotesHeight).toDouble(), minimumNotesHeight,
                     maximumNotesHeight, defaultNotesHeight);
}

void PreviewPreferences::setZoomsToFit(bool fit) {
    if (fit == zoomsToFit() && store().contains(fitKey))
        return;
    store().setValue(fitKey, fit);
    Q_EMIT changed();
}

void PreviewPreferences::setZoomScale(double scale) {
    store().setValue(scaleKey, preview_zoom::clamp(scale));
    Q_EMIT changed();
}

void PreviewPreferences::setNotesHeight(double height) {
    const double clamped =
        clampedOr(height, minimumNotesHeight, maximumNotesHeight, defaultNotesHeight);
    if (clamped == notesHeight() && store().contains(notesKey))
        return;
    store().setValue(notesKey, clamped);
    Q_EMIT changed();
}

}  // namespace mosavelle::app
