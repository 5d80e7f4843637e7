#pragma once

#include <optional>
#include <string_view>

#include "core/model/document.h"
#include "core/model/project.h"
#include "core/platform/bytes.h"

namespace mosavelle {

// Deck-wide settings of the deck settings sheet. Each call that changes something registers one
// undo step restoring the whole previous project under the name given; a call that would store
// the value already there does nothing and registers nothing. The sort mode has its own
// operation, changeSortMode (slide_settings.h). Interface thread only.

void setSlideSize(MosavelleDocument& document, SlideSizePreset size);        // "Slide Size"
void setBackground(MosavelleDocument& document, BackgroundKind background);  // "Background"
// Stores the colour only; the background kind is left as it is.
void setCustomBackground(MosavelleDocument& document,
                         const RGBAColor& color);                    // "Background Color"
void setShowsSlideNumbers(MosavelleDocument& document, bool shown);  // "Slide Numbers"
// Whether imported pictures get captions made from their cleaned file names; existing captions
// are not touched.
void setCleansFileNamesForCaptions(MosavelleDocument& document, bool enabled);  // "Caption Setting"
// Where imported pictures' captions come from: absent turns them off, anything else on with that
// source. "Caption Setting".
void setCaptionsFrom(MosavelleDocument& document, const std::optional<CaptionsFrom>& source);

// How the show moves on from slide to slide; the seconds are clamped to 1...600.
void setAdvance(MosavelleDocument& document, SlideAdvance advance);           // "Advance Slides"
void setTransition(MosavelleDocument& document, SlideTransition transition);  // "Transition"
void setLoops(MosavelleDocument& document, bool loops);                       // "Loop Until Esc"

// The language of the deck's text, a BCP 47 tag stored as normalizedLanguageTag gives it; blank
// text returns to the user's own language. "Change Language". Refuses (false, nothing changed)
// text that is no language tag.
bool setDeckLanguage(MosavelleDocument& document, std::string_view tag);

// Makes `logo` the deck's logo, stored under the name "logo.png" whatever its format. "Set Logo";
// nothing when the deck has that logo already.
// Unlike the other steps, undoing a logo change also brings back the logo bytes that were there
// before (and redoing takes them away again), so that undo never leaves a logo name without its
// picture or a name over the wrong picture.
void setLogo(MosavelleDocument& document, Bytes logo);
// Drops the logo's name and bytes. "Remove Logo"; undo restores both. Does nothing without a logo.
void removeLogo(MosavelleDocument& document);

}  // namespace mosavelle
