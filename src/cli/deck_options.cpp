#include "cli/deck_options.h"

#include "core/platform/hex.h"

namespace mosavelle::cli {
std::optional<Background> parseBackground(std::string_view text) {
    if (text == "white")
        return Background{BackgroundKind::white, {}};
    if (text == "black")
        return Background{BackgroundKind::black, {}};
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    if (text.size() != 6)
        return std::nullopt;
    double components[3];
    for (int i = 0; i < 3; ++i) {
        const int high = hexDigitValue(text[2 * i]);
        const int low = hexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        components[i] = (high * 16 + low) / 255.0;
    }
    return Background{BackgroundKind::custom, {components[0], components[1], components[2], 1.0}};
}

void applyDeckOptions(const DeckOptions& options, Project& project) {
    auto& appearance = project.appearance;
    if (options.quality)
        project.export_.quality = *options.quality;
    if (options.sort)
        project.sort = *options.sort;
    if (options.placement) {
        // A placement mode comes with its own scale; crop anchor and rotation stay as saved.
        appearance.defaultPlacement.mode = *options.placement;
        appearance.defaultPlacement.scale = defaultScale(*options.placement);
    }
    if (options.size)
        appearance.slideSize = *options.size;
    if (options.background) {
        if (auto background = parseBackground(*options.background)) {
            appearance.background = background->kind;
            if (background->kind == BackgroundKind::custom)
                appearance.customBackground = background->color;
        }
    }
    if (options.slideNumbers)
        appearance.branding.showSlideNumbers = true;
    if (options.captions)
        appearance.filenameCleanup.enabled = true;
    if (options.captionsFrom)
        appearance.captionsFrom = *options.captionsFrom;
    if (options.stripNumbers)
        appearance.filenameCleanup.stripLeadingNumbers = true;
    if (options.advanceSeconds)
        project.show.advance = {true, clampedAdvanceSeconds(*options.advanceSeconds)};
    if (options.transition)
        project.show.transition.kind = *options.transition;
    if (options.loop)
        project.show.loops = true;
    if (options.language)
        appearance.language = *options.language;
}

}  // namespace mosavelle::cli
