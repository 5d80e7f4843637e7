#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/model/document.h"
#include "core/model/project.h"

namespace mosavelle {

// Operations that change settings of existing slides, and the live setters of sliders and text
// fields. Each operation that changes the project registers one undo step restoring the whole
// previous project (one that leaves it as it is registers nothing); the live
// setters register nothing and are bracketed by the document's beginContinuousEdit /
// endContinuousEdit, which turns a whole gesture into one step. Interface thread only.

// Every selected slide gets `layout`, its slots unchanged; a slide that becomes twoUp or
// fourGrid gets the common scale. Renumbers automatic titles. "Change Layout".
void changeLayout(MosavelleDocument& document, SlideLayoutKind layout);

// Gives the pictures of the selected slides the caption the deck's caption setting makes of them
// (see captionForPicture; dates in `locale`): only slots whose caption is blank, or every slot
// with `replaceAll`. A slot for which the setting makes no text keeps its caption. "Fill
// Captions from Pictures".
void fillCaptionsFromPictures(MosavelleDocument& document, bool replaceAll,
                              std::string_view locale = {});

// Sets the alt text of slot `slotID` of slide `slideID` to `text` trimmed; blank text removes it,
// so that the slot's picture describes itself again. "Edit Alt Text".
void editAltText(MosavelleDocument& document, const Uuid& slideID, const Uuid& slotID,
                 std::string_view text);

// Every slide that is included, not a section and shows a picture gets the override of
// `placement`'s mode, rotation and scale with a centred crop. "Apply Placement to All Slides".
void applyPlacementToAll(MosavelleDocument& document, const Placement& placement);

// Every selected slide gets the override fit, scale 1, with the crop and rotation of its current
// override or else of the deck's default placement. "Fit to Slide".
void fitToSlide(MosavelleDocument& document);

// Every selected slide that shows a picture turns a quarter turn clockwise (quarterTurns > 0) or
// counter-clockwise (< 0), starting from its override or else the deck's default placement; the
// angle stays within 0...360. "Rotate Right" or "Rotate Left".
void rotateSelectedSlides(MosavelleDocument& document, int quarterTurns);

// Every selected slide is left out of the export (excluded) or taken in again. "Exclude Slides"
// or "Include Slides".
void setExcludedOfSelection(MosavelleDocument& document, bool excluded);

// The per-selection setters. With no selected slide they do nothing at all; otherwise they
// register one step under `undoName` when the value changes.
void setTitleOfSelection(MosavelleDocument& document, std::string_view title,
                         const std::string& undoName);
void setCaptionAlignmentOfSelection(MosavelleDocument& document, CaptionAlignment alignment,
                                    const std::string& undoName);
// An absent placement removes the override, so the slides follow the deck default again.
void setPlacementOfSelection(MosavelleDocument& document, std::optional<Placement> placement,
                             const std::string& undoName);
// Applies `change` to each selected slide, e.g. a slot's caption or crop anchor.
void editSelectedSlides(MosavelleDocument& document, const std::function<void(Slide&)>& change,
                        const std::string& undoName);

// Caption sizes the live setter accepts, in points.
inline constexpr double minimumCaptionPoints = 8;
inline constexpr double maximumCaptionPoints = 36;

// The longest presenter notes an edit may give a slide, in bytes of UTF-8 text (1 MB). Longer
// notes read from a project file are kept as they are; only editing refuses them.
inline constexpr std::size_t maximumNotesBytes = 1'000'000;

// Live setters: change every selected slide without an undo step. A caption size is clamped to
// 8...36 points; a value that is not a number changes nothing. Notes longer than
// maximumNotesBytes change nothing either: setNotesLive returns false for them.
void setCaptionPointsLive(MosavelleDocument& document, double points);
void setPlacementLive(MosavelleDocument& document, const Placement& placement);
bool setNotesLive(MosavelleDocument& document, std::string_view notes);
// Applies `change` to each selected slide without an undo step, for gestures such as dragging a
// crop anchor; the caller brackets the gesture with a continuous edit.
void editSelectedSlidesLive(MosavelleDocument& document, const std::function<void(Slide&)>& change);

// Sets the deck's sort mode. Any mode but manual also puts the slides in that order now (the
// order is not kept up afterwards); manual keeps the present order. "Sort".
void changeSortMode(MosavelleDocument& document, SortMode mode);

}  // namespace mosavelle
