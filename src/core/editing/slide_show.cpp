#include "core/editing/slide_show.h"

namespace mosavelle {

std::chrono::milliseconds transitionDuration(TransitionSpeed speed) {
    switch (speed) {
        case TransitionSpeed::fast:
            return std::chrono::milliseconds(500);
        case TransitionSpeed::medium:
            return std::chrono::milliseconds(750);
        case TransitionSpeed::slow:
            return std::chrono::milliseconds(1000);
    }
    return std::chrono::milliseconds(750);
}

std::optional<std::size_t> SlideShow::after(std::size_t index) const {
    if (index + 1 < steps.size())
        return index + 1;
    if (loops && !steps.empty())
        return 0;
    return std::nullopt;
}

std::optional<std::size_t> SlideShow::before(std::size_t index) const {
    if (index > 0 && index <= steps.size())
        return index - 1;
    if (loops && !steps.empty())
        return steps.size() - 1;
    return std::nullopt;
}

std::optional<std::size_t> SlideShow::indexOf(const Uuid& slideID) const {
    for (std::size_t i = 0; i < steps.size(); ++i)
        if (steps[i].slideID == slideID)
            return i;
    return std::nullopt;
}

SlideShow slideShowOf(const Project& project) {
    SlideShow show;
    show.loops = project.show.loops;
    for (const auto& slide : project.slides) {
        if (slide.isExcluded)
            continue;
        const SlideAdvance advance = project.advanceOf(slide);
        const SlideTransition transition = project.transitionOf(slide);
        ShowStep step{slide.id, std::nullopt, transition.kind, std::chrono::milliseconds(0)};
        if (advance.automatic)
            step.advanceAfter = std::chrono::seconds(clampedAdvanceSeconds(advance.seconds));
        if (transition.kind != TransitionKind::none)
            step.transitionDuration = transitionDuration(transition.speed);
        show.steps.push_back(step);
    }
    return show;
}

}  // namespace mosavelle
