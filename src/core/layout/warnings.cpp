#include "core/layout/warnings.h"

#include <type_traits>
#include <variant>

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

}  // namespace mosavelle
