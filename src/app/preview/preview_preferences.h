#pragma once

#include <QObject>
#include <QSizeF>

#include "app/support/preferences.h"
#include "core/model/enums.h"

namespace mosavelle::app {

// Zoom arithmetic of the preview. Zooms are canvas points per slide point.
namespace preview_zoom {
inline constexpr double minimum = 0.25;
inline constexpr double maximum = 4.0;
inline constexpr double stepIn = 1.25;
inline constexpr double stepOut = 0.8;
inline constexpr double margin = 32;        // points kept free around a fitted canvas
inline constexpr double smallestArea = 80;  // the area a fit never goes below

// min(max(W − 32, 80) / page width, max(H − 32, 80) / page height), all in points.
double fitZoom(const QSizeF& available, SlideSizePreset size);
double clamp(double zoom);
}  // namespace preview_zoom

// The preview's per-user preferences, shared by every window: whether the preview fits its
// area, the fixed zoom otherwise, and the presenter notes height (points, 72...280). Kept in
// the user's preferences; every setter stores at once and emits `changed` so that all windows
// follow. Interface thread only.
class PreviewPreferences : public QObject {
    Q_OBJECT
public:
    static constexpr double minimumNotesHeight = 72;
    static constexpr double maximumNotesHeight = 280;
    static constexpr double defaultNotesHeight = preferences::presenterNotesHeight.fallback;

    // The one object of the application (a child of the application object).
    static PreviewPreferences& instance();

    bool zoomsToFit() const;
    double zoomScale() const;    // clamped to 0.25...4.0
    double notesHeight() const;  // clamped to 72...280
    void setZoomsToFit(bool fit);
    void setZoomScale(double scale);
    void setNotesHeight(double height);

Q_SIGNALS:
    void changed();

private:
    using QObject::QObject;
};

}  // namespace mosavelle::app
