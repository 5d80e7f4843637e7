#pragma once

#include <QStringList>

namespace mosavelle::app {

// One preference of the user: its key in the settings file ($XDG_CONFIG_HOME/Mosavelle/
// Mosavelle.conf) and the value it has while none is stored (or the stored one does not read as
// a T). Interface thread only.
template <class T>
struct Preference {
    const char* key;
    T fallback;

    T value() const;
    bool isStored() const;
    void store(const T& value) const;
};

extern template struct Preference<bool>;
extern template struct Preference<double>;
extern template struct Preference<QString>;
extern template struct Preference<QStringList>;

// Every preference the application keeps, declared once; they are read and written only
// through these. The keys are those users' settings files already hold.
namespace preferences {
// Whether windows show the presenter notes under the preview.
inline constexpr Preference<bool> showsPresenterNotes{"showsPresenterNotes", true};
// Whether the welcome sheet was finished once (it then no longer opens by itself).
inline constexpr Preference<bool> hasCompletedWelcome{"hasCompletedWelcome", false};
// The preview fits its area, else shows the slide at the fixed zoom.
inline constexpr Preference<bool> previewZoomsToFit{"previewZoomsToFit", true};
inline constexpr Preference<double> previewZoomScale{"previewZoomScale", 1.0};
// Height of the presenter notes pane, in points.
inline constexpr Preference<double> presenterNotesHeight{"presenterNotesHeight", 140.0};
// The folder the last picture dialog was in (empty until one was used).
inline const Preference<QString> lastPictureFolder{"lastPictureFolder", {}};
// The folder of the project last chosen in an open or save dialog (empty until one was used).
inline const Preference<QString> lastProjectFolder{"lastProjectFolder", {}};
// Whether decks with unsaved changes are kept in a recovery copy while they are edited.
inline constexpr Preference<bool> autosaves{"autosaves", true};
// Seconds without further edits after which a deck's recovery copy is written.
inline constexpr Preference<double> autosaveInterval{"autosaveInterval", 10.0};
// "Open Recent": absolute package paths, most recent first.
inline const Preference<QStringList> recentProjects{"recentProjects", {}};
}  // namespace preferences

}  // namespace mosavelle::app
