#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/model/document.h"
#include "core/model/project.h"
#include "core/platform/uuid.h"

namespace mosavelle {

// The slide selection and the protocol by which the large preview learns which slide to show.
// None of these register undo steps. Identifiers in the selection that name no slide (after an
// undo, say) are ignored everywhere. Interface thread only, like the document.

// The selected slides in deck order.
std::vector<Slide> selectedSlides(const MosavelleDocument& document);

// The first selected slide in deck order; when no selected slide exists, the first slide that is
// not excluded; nothing when there is neither.
std::optional<Slide> primarySlide(const MosavelleDocument& document);

// Replaces the selection (observers hear of it only when the set changes).
void setSelection(MosavelleDocument& document, SlideIDSet ids);

// Extending: toggles `id` in the selection. Otherwise the selection becomes exactly `id`.
void selectSlide(MosavelleDocument& document, const Uuid& id, bool extending);

// When a slide `id` exists: selects exactly it, shows it in the preview and invalidates pending
// preview commits; on the next turn of the event loop (the document's scheduler) the same is done
// again if the slide still exists, so that a view that reacts to the first half in the same turn
// cannot leave a stale preview behind. Does nothing for an unknown identifier.
void focusSlide(MosavelleDocument& document, const Uuid& id);

// Selects exactly the slide `offset` positions away from the selection, when there is one there.
// Counting starts at the first selected slide in deck order when moving back (offset < 0) and at
// the last one when moving forward, so that the step always leaves a multiple selection at the
// edge it heads for. Nothing changes when nothing selected exists or the position is outside the
// deck.
void moveSelection(MosavelleDocument& document, int offset);

// The slide a one-slide command acts on when several are selected: the first selected slide in
// deck order for offset < 0, the last one otherwise. Its position in the deck, or nothing.
std::optional<std::size_t> selectionAnchorPosition(const MosavelleDocument& document, int offset);

// Raises the preview generation and returns it; every earlier pending commit becomes a no-op.
std::int64_t nextPreviewGeneration(MosavelleDocument& document);

// When `generation` is still current, the preview shows the primary slide (or nothing).
void commitPreviewIfCurrent(MosavelleDocument& document, std::int64_t generation);

// Starts a navigator drag of `ids`: pending preview commits are invalidated. The drop target
// ends it by clearing isDraggingSlide.
void beginSlideDrag(MosavelleDocument& document, std::vector<Uuid> ids);

}  // namespace mosavelle
