#pragma once

#include <string>

#include "core/layout/rendered_slide.h"

namespace mosavelle {

// The sentence the inspector and the main window show for a warning. For `textOverflow` it names
// the field: "The caption 2 text is too long for its box."
std::string warningMessage(const SlideWarning& warning);

}  // namespace mosavelle
