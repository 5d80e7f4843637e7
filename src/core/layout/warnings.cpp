#include "core/layout/warnings.h"

#include <algorithm>
#include <type_traits>
#include <variant>

#include "core/model/image_index.h"

namespace mosavelle {

std::string warningMessage(const SlideWarning& warning) {
    return std::visit(
        [](const auto& value) -> std::string {
            using Case = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<Case, SlideWarning::OverflowsSlide>)
                return "Part of this image extends outside the slide.";
            else if constexpr (std::is_same_v<Case, SlideWarning::LowResolution>)
                return "Image may be blurry when presented.";
            else if constexpr (std::is_same_v<Case, SlideWarning::MissingImage>)
                return "A picture on this slide is missing.";
            else
                return "The " + value.field + " text is too long for its box.";
        },
        warning.value);
}

std::vector<Uuid> slidesWithPicturesOutside(const Project& project,
                                            const std::optional<std::set<Uuid>>& among) {
    std::vector<Uuid> found;
    if (among && among->empty())
        return found;
    const ImageIndex images(project.images);
    for (std::size_t i = 0; i < project.slides.size(); ++i) {
        const Slide& slide = project.slides[i];
        if (among && !among->contains(slide.id))
            continue;
        const RenderedSlide rendered = renderSlide(slide, i, project, images);
        if (std::any_of(rendered.warnings.begin(), rendered.warnings.end(),
                        [](const SlideWarning& w) { return w.as<SlideWarning::OverflowsSlide>(); }))
            found.push_back(slide.id);
    }
    return found;
}

}  // namespace mosavelle
