#pragma once

#include <optional>
#include <string_view>

#include "cli/options.h"
#include "core/model/project.h"

namespace mosavelle::cli {

struct Background {
    BackgroundKind kind = BackgroundKind::white;
    RGBAColor color;  // meaningful for `custom` only
};

// "white", "black", or six hex digits RRGGBB (an optional leading '#'; either case) giving a
// custom opaque colour. Anything else is absent.
std::optional<Background> parseBackground(std::string_view text);

// Applies the deck settings of `make` to a project made from the saved defaults. Settings the
// user did not give are left as the defaults have them. The logo and layout are applied by the
// caller: one needs file access, the other the deck's slides.
void applyDeckOptions(const DeckOptions& options, Project& project);

}  // namespace mosavelle::cli
