#include "core/editing/deck_settings.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/import/picture_texts.h"
#include "core/model/edit_step.h"

namespace mosavelle {

namespace {

template <class Change>
void changeSetting(MosavelleDocument& document, const std::string& actionName, Change change) {
    Project project = document.project();
    change(project);
    document.changeProject(std::move(project), actionName);
}

// Installs `project` and `logo` together and registers the step that swaps the previous pair
// back; running that step registers the opposite swap in turn, so undo and redo alternate.
void swapProjectAndLogo(MosavelleDocument& document, Project project, std::optional<Bytes> logo,
                        const std::string& actionName) {
    Project beforeProject = document.project();
    std::optional<Bytes> beforeLogo = document.logoData();
    document.setProject(std::move(project));
    document.setLogoData(std::move(logo));
    if (auto history = document.undoHistory()) {
        history->registerStep(
            actionName,
            [&document, beforeProject = std::move(beforeProject),
             beforeLogo = std::move(beforeLogo), actionName]() mutable {
                swapProjectAndLogo(document, std::move(beforeProject), std::move(beforeLogo),
                                   actionName);
            },
            &document);
    }
}

}  // namespace

void setSlideSize(MosavelleDocument& document, SlideSizePreset size) {
    changeSetting(document, stepName(EditStep::slideSize),
                  [&](Project& p) { p.appearance.slideSize = size; });
}

void setBackground(MosavelleDocument& document, BackgroundKind background) {
    changeSetting(document, stepName(EditStep::background),
                  [&](Project& p) { p.appearance.background = background; });
}

void setCustomBackground(MosavelleDocument& document, const RGBAColor& color) {
    changeSetting(document, stepName(EditStep::backgroundColor),
                  [&](Project& p) { p.appearance.customBackground = color; });
}

void setShowsSlideNumbers(MosavelleDocument& document, bool shown) {
    changeSetting(document, stepName(EditStep::slideNumbers),
                  [&](Project& p) { p.appearance.branding.showSlideNumbers = shown; });
}

void setCleansFileNamesForCaptions(MosavelleDocument& document, bool enabled) {
    changeSetting(document, stepName(EditStep::captionSetting),
                  [&](Project& p) { p.appearance.filenameCleanup.enabled = enabled; });
}

void setCaptionsFrom(MosavelleDocument& document, const std::optional<CaptionsFrom>& source) {
    changeSetting(document, "Caption Setting", [&](Project& p) {
        p.appearance.filenameCleanup.enabled = source.has_value();
        if (source)
            p.appearance.captionsFrom = *source;
    });
}

void setAdvance(MosavelleDocument& document, SlideAdvance advance) {
    advance.seconds = clampedAdvanceSeconds(advance.seconds);
    changeSetting(document, stepName(EditStep::advanceSlides),
                  [&](Project& p) { p.show.advance = advance; });
}

void setTransition(MosavelleDocument& document, SlideTransition transition) {
    changeSetting(document, stepName(EditStep::transition),
                  [&](Project& p) { p.show.transition = transition; });
}

void setLoops(MosavelleDocument& document, bool loops) {
    changeSetting(document, stepName(EditStep::loopUntilEsc),
                  [&](Project& p) { p.show.loops = loops; });
}

bool setDeckLanguage(MosavelleDocument& document, std::string_view tag) {
    std::optional<std::string> language;
    if (tag.find_first_not_of(" \t\n") != std::string_view::npos) {
        language = normalizedLanguageTag(tag);
        if (!language)
            return false;
    }
    changeSetting(document, stepName(EditStep::changeLanguage),
                  [&](Project& p) { p.appearance.language = language; });
    return true;
}

void setLogo(MosavelleDocument& document, Bytes logo) {
    Project project = document.project();
    project.appearance.branding.logoFileName = "logo.png";
    if (project == document.project() && document.logoData() == logo)
        return;  // the logo the deck has already
    swapProjectAndLogo(document, std::move(project), std::move(logo), stepName(EditStep::setLogo));
}

void removeLogo(MosavelleDocument& document) {
    if (!document.logoData() && !document.project().appearance.branding.logoFileName)
        return;
    Project project = document.project();
    project.appearance.branding.logoFileName.reset();
    swapProjectAndLogo(document, std::move(project), std::nullopt, stepName(EditStep::removeLogo));
}

}  // namespace mosavelle
