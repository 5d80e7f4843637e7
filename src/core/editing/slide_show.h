#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "core/model/project.h"

namespace mosavelle {

// The show a deck plays: its included slides in deck order, each with how long it stays on
// screen and how it comes on. A plain value computed from the project; the player keeps its own
// clock.

// How long a transition runs: 0.5, 0.75 or 1 second.
std::chrono::milliseconds transitionDuration(TransitionSpeed speed);

struct ShowStep {
    Uuid slideID;
    std::optional<std::chrono::milliseconds> advanceAfter;  // absent: waits for the viewer
    TransitionKind transition = TransitionKind::none;
    std::chrono::milliseconds transitionDuration{0};  // 0 without an effect
    friend bool operator==(const ShowStep&, const ShowStep&) = default;
};

struct SlideShow {
    std::vector<ShowStep> steps;
    bool loops = false;

    // The step after `index`: the next one, or the first again after the last when the show
    // loops; nothing when the show ends there.
    std::optional<std::size_t> after(std::size_t index) const;
    // The step before `index`; from the first, the last when the show loops.
    std::optional<std::size_t> before(std::size_t index) const;
    // The step showing `slideID`; nothing for a slide the show leaves out.
    std::optional<std::size_t> indexOf(const Uuid& slideID) const;
};

SlideShow slideShowOf(const Project& project);

}  // namespace mosavelle
