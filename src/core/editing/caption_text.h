#pragma once

#include <string>
#include <string_view>

#include "core/import/picture_texts.h"
#include "core/model/project.h"

namespace mosavelle {

// Automatic slide titles have exactly this form (ICU syntax: `\d` is any Unicode decimal digit,
// and `$` also matches before one line terminator at the very end).
inline constexpr std::string_view defaultTitlePattern = "^Slide \\d+$";

// Whether `title`, as given (not trimmed), matches `defaultTitlePattern`. Case-sensitive.
bool isDefaultTitle(std::string_view title);

// `text` without Unicode white space and line breaks at either end. Invalid UTF-8 is kept as is.
std::string trimmedWhitespace(std::string_view text);

// Gives every slide whose trimmed title is an automatic title "Slide N", where N is its 1-based
// position in the whole deck (excluded and section slides count), and gives the same title to
// two-up and four-grid slides whose trimmed title is empty. Other titles are left alone.
void renumberDefaultTitles(Project& project);

// Gives an imageTitleCaption `slide` whose trimmed title is empty or automatic the title of the
// picture in its first slot, when that picture has one. Other slides are left alone.
void takePictureTitle(Slide& slide, const Project& project);

}  // namespace mosavelle
