#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mosavelle {

// The kinds of undo step the program registers. The undo history keeps a step's English name
// (editStepName), which is also the step's identifier: an interface shows a step in its own
// language by looking the name up (editStepNamed) and naming the kind. Names that are no kind
// (a caller's own) stay as they are.
enum class EditStep {
    edit,  // a continuous edit begun without a name
    importImages,
    changeLayout,
    applyPlacementToAll,
    fitToSlide,
    sort,
    deleteSlide,
    deleteSlides,
    duplicateSlides,
    renameSlide,
    insertSectionDivider,
    groupSlides,
    ungroupSlides,
    reorderSlides,
    addImageToSlide,
    removeImageFromSlide,
    editCaption,
    changeCaptionSize,
    changeCaptionAlignment,
    changePlacement,
    changeScale,
    adjustCrop,
    editNotes,
    slideSize,
    background,
    backgroundColor,
    slideNumbers,
    captionSetting,
    setLogo,
    removeLogo,
    fillCaptions,
    editAltText,
    rotateRight,
    rotateLeft,
    excludeSlides,
    includeSlides,
    pasteSlides,
    advanceSlides,
    transition,
    loopUntilEsc,
    slideTiming,
    slideTransition,
    alignCameraClocks,
    insertSectionsAtTimeGaps,
    changeLanguage,
};

// The English name: "Rename Slide" for renameSlide.
std::string_view editStepName(EditStep step);
// The kind whose English name is `name`; nothing for any other name.
std::optional<EditStep> editStepNamed(std::string_view name);

// The name as the undo history stores it.
inline std::string stepName(EditStep step) {
    return std::string(editStepName(step));
}

}  // namespace mosavelle
