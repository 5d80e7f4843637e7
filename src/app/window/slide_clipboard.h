#pragma once

#include <QString>
#include <optional>

#include "core/editing/slide_clipboard.h"

class QMimeData;

namespace mosavelle::app {

// Slides on the system clipboard, for Cut, Copy and Paste between the windows of this program.
// The clipboard carries a private type naming the clip; the clip itself (slides, picture records
// and the pictures' stored bytes, shared rather than read) stays in this process, so that a
// paste never reads or hashes picture files on the interface thread. Another program's copy
// replaces the type, and with it the clip.
namespace slide_clipboard {

inline const QString mimeType = QStringLiteral("application/x-mosavelle-slides");

// Puts `clip` on the clipboard (nothing for an empty clip).
void put(SlideClip clip);
// The clip `data` names, when it is the one this process put there last.
std::optional<SlideClip> clipIn(const QMimeData& data);

}  // namespace slide_clipboard

}  // namespace mosavelle::app
