#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/model/document.h"
#include "core/model/project.h"
#include "core/platform/uuid.h"

namespace mosavelle {

// Operations that change which slides a deck has, their order, and which pictures sit on which
// slide. Each changes the project in one step and registers one undo step restoring the whole
// previous project under the name given with it (nothing is registered without an undo history).
// Operations that cannot apply, or that would leave the project as it is, do nothing and register
// nothing. Interface thread only.

enum class AddImageResult { added, slideFull, notPossible };

// Removes the selected slides ("Delete Slide" for one, "Delete Slides" for more), renumbers
// automatic titles, and selects and previews the nearest slide that was not selected: the first
// one after the first selected slide, else the last one before it, else nothing.
void deleteSelectedSlides(MosavelleDocument& document);

// Inserts copies of the selected slides (new slide and slot identifiers, everything else kept),
// in deck order, right after the last selected slide. "Duplicate Slides".
void duplicateSelectedSlides(MosavelleDocument& document);

// Sets the slide's title to `text` trimmed of white space. "Rename Slide".
void renameSlide(MosavelleDocument& document, const Uuid& slideID, std::string_view text);
// Sets the slide's title to `text` as typed, without an undo step: the live half of renaming in
// place, bracketed by a continuous edit that is cancelled before renameSlide stores the result.
void renameSlideLive(MosavelleDocument& document, const Uuid& slideID, std::string_view text);

// Inserts a section divider after the primary slide (at the end without one), renumbers, sets
// manual order and focuses the new slide. "Insert Section Divider".
void insertSectionDivider(MosavelleDocument& document);

// The same before the first selected slide (at the start without a selection), so that a deck
// can open with a title slide. "Insert Section Divider".
void insertSectionDividerBefore(MosavelleDocument& document);

// Pools the slots of the selected slides that are not excluded, in deck order, and cuts the pool
// into slides of `layout` (2 slots for twoUp, 4 for fourGrid) that take the first source's title
// and notes and a common scale; leftover slots become one-picture slides. The new slides replace
// the pooled ones where the first of them stood. Selected slides that are excluded take no part
// and stay where they are, so that their pictures are not lost. A pool with fewer slots than one
// slide takes but at least two pictures makes one slide of `layout` whose remaining places are
// empty; with fewer pictures (or a `section` layout) nothing changes and no step is registered.
// Renumbers, sets manual order and focuses the first new multi-picture slide. "Group Slides".
void groupSelectedSlides(MosavelleDocument& document, SlideLayoutKind layout);

// Replaces every selected imageTitleCaption, twoUp or fourGrid slide by one one-picture slide per
// filled slot (keeping the notes). Slides without any filled slot stay as they are. Sets manual
// order when a slide was split, selects the new slides and shows the first. "Ungroup Slides".
void ungroupSelectedSlides(MosavelleDocument& document);

// Drops the dragged slides (in deck order) after `target` when the first of them stood before
// it, else before it. Nothing happens, and nothing is registered, when the order would not
// change. Sets manual order. "Reorder Slides".
void reorderSlides(MosavelleDocument& document, const std::vector<Uuid>& dragged,
                   const Uuid& target);

// Moves one selected slide one place up (offset < 0) or down (offset > 0): the first selected
// slide when moving up, the last when moving down. Manual order and "Reorder Slides" only when a
// slide moved.
void moveSelectedSlide(MosavelleDocument& document, int offset);

// Moves the slides at `sourcePositions` (positions outside the deck are ignored) to
// `destination`, a position counted before the move (clamped to the deck), keeping their
// relative order. Sets manual order when the order changed. "Reorder Slides".
void moveSlides(MosavelleDocument& document, const std::vector<std::size_t>& sourcePositions,
                std::size_t destination);

// Moves the first picture of `source` onto `target`. slideFull when the target already shows four
// pictures; notPossible when the two are the same, either is missing, or the source shows no
// picture. On `added`: a source left without pictures is removed, both slides are compacted,
// titles renumbered, manual order set, "Add Image to Slide" registered and the target focused.
AddImageResult addImageToSlide(MosavelleDocument& document, const Uuid& sourceSlideID,
                               const Uuid& targetSlideID);

// Takes the first slot showing `pictureID` off a slide with two or more pictures onto a new
// one-picture slide right after it; compacts the slide, renumbers, sets manual order, registers
// "Remove Image from Slide" and focuses the slide. Nothing otherwise.
void removeImageFromSlide(MosavelleDocument& document, const Uuid& pictureID, const Uuid& slideID);

// The slide with its empty slots dropped and its layout following the number of pictures left:
// one picture gives oneImage (imageTitleCaption is kept) without override and without an
// automatic title; two give twoUp; three or four give fourGrid padded with empty slots. Two or
// more get the common scale. A slide without any picture is returned unchanged.
Slide compactSlots(const Slide& slide, const Project& project);

}  // namespace mosavelle
