#include "core/model/edit_step.h"

#include <array>
#include <utility>

namespace mosavelle {

namespace {

constexpr std::array names{
    std::pair{EditStep::edit, std::string_view("Edit")},
    std::pair{EditStep::importImages, std::string_view("Import Images")},
    std::pair{EditStep::changeLayout, std::string_view("Change Layout")},
    std::pair{EditStep::applyPlacementToAll, std::string_view("Apply Placement to All Slides")},
    std::pair{EditStep::fitToSlide, std::string_view("Fit to Slide")},
    std::pair{EditStep::sort, std::string_view("Sort")},
    std::pair{EditStep::deleteSlide, std::string_view("Delete Slide")},
    std::pair{EditStep::deleteSlides, std::string_view("Delete Slides")},
    std::pair{EditStep::duplicateSlides, std::string_view("Duplicate Slides")},
    std::pair{EditStep::renameSlide, std::string_view("Rename Slide")},
    std::pair{EditStep::insertSectionDivider, std::string_view("Insert Section Divider")},
    std::pair{EditStep::groupSlides, std::string_view("Group Slides")},
    std::pair{EditStep::ungroupSlides, std::string_view("Ungroup Slides")},
    std::pair{EditStep::reorderSlides, std::string_view("Reorder Slides")},
    std::pair{EditStep::addImageToSlide, std::string_view("Add Image to Slide")},
    std::pair{EditStep::removeImageFromSlide, std::string_view("Remove Image from Slide")},
    std::pair{EditStep::editCaption, std::string_view("Edit Caption")},
    std::pair{EditStep::changeCaptionSize, std::string_view("Change Caption Size")},
    std::pair{EditStep::changeCaptionAlignment, std::string_view("Change Caption Alignment")},
    std::pair{EditStep::changePlacement, std::string_view("Change Placement")},
    std::pair{EditStep::changeScale, std::string_view("Change Scale")},
    std::pair{EditStep::adjustCrop, std::string_view("Adjust Crop")},
    std::pair{EditStep::editNotes, std::string_view("Edit Notes")},
    std::pair{EditStep::slideSize, std::string_view("Slide Size")},
    std::pair{EditStep::background, std::string_view("Background")},
    std::pair{EditStep::backgroundColor, std::string_view("Background Color")},
    std::pair{EditStep::slideNumbers, std::string_view("Slide Numbers")},
    std::pair{EditStep::captionSetting, std::string_view("Caption Setting")},
    std::pair{EditStep::setLogo, std::string_view("Set Logo")},
    std::pair{EditStep::removeLogo, std::string_view("Remove Logo")},
    std::pair{EditStep::fillCaptions, std::string_view("Fill Captions from Pictures")},
    std::pair{EditStep::editAltText, std::string_view("Edit Alt Text")},
    std::pair{EditStep::rotateRight, std::string_view("Rotate Right")},
    std::pair{EditStep::rotateLeft, std::string_view("Rotate Left")},
    std::pair{EditStep::excludeSlides, std::string_view("Exclude Slides")},
    std::pair{EditStep::includeSlides, std::string_view("Include Slides")},
    std::pair{EditStep::pasteSlides, std::string_view("Paste Slides")},
    std::pair{EditStep::advanceSlides, std::string_view("Advance Slides")},
    std::pair{EditStep::transition, std::string_view("Transition")},
    std::pair{EditStep::loopUntilEsc, std::string_view("Loop Until Esc")},
    std::pair{EditStep::slideTiming, std::string_view("Slide Timing")},
    std::pair{EditStep::slideTransition, std::string_view("Slide Transition")},
    std::pair{EditStep::alignCameraClocks, std::string_view("Align Camera Clocks")},
    std::pair{EditStep::insertSectionsAtTimeGaps, std::string_view("Insert Sections at Time Gaps")},
    std::pair{EditStep::changeLanguage, std::string_view("Change Language")},
};

}  // namespace

std::string_view editStepName(EditStep step) {
    for (const auto& [kind, name] : names)
        if (kind == step)
            return name;
    return "Edit";
}

std::optional<EditStep> editStepNamed(std::string_view name) {
    for (const auto& [kind, english] : names)
        if (english == name)
            return kind;
    return std::nullopt;
}

}  // namespace mosavelle
