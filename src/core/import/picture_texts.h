#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/model/project.h"

namespace mosavelle {

// Texts made from what a deck knows about its pictures: captions, alt texts, and the dates and
// places they show. `locale` names the user's locale as a BCP 47 tag or an ICU locale name
// ("fr-CA", "fr_CA"); empty means the process's default locale.

// The caption a slide made from a file gets: the name without its extension; with
// `stripLeadingNumbers`, without a leading run of digits and the spaces, underscores and hyphens
// around it; with `replaceSeparators`, every run of underscores, full stops and hyphens becomes
// one space; finally trimmed. "01_Beach-day.jpeg" gives "Beach day" with both switches on.
std::string captionFromFileName(std::string_view fileName, bool replaceSeparators,
                                bool stripLeadingNumbers);

// The fields a caption pattern may use, each written in braces: "{date} · {description}".
// {title}, {description}, {keywords} (comma separated), {place} (city and country, else the GPS
// position), {camera} (make and model), {filename} (the cleaned file name), {date} and {time}
// (the capture moment in the locale's medium date and short time forms, as the camera's clock
// showed it). A field the picture lacks is empty; text in braces that names no field stays as it
// is. The result is cleaned as metadata texts are, and separators left dangling at either end
// by empty fields (" · ", " - ", ", ", ...) are dropped.
std::string expandCaptionPattern(std::string_view pattern, const SourceImage& picture,
                                 const FilenameCleanup& cleanup, std::string_view locale = {});

// The caption `appearance` gives `picture` at import: empty when captions are off, else from the
// source `appearance.captionsFrom` names (empty when the picture lacks that field).
std::string captionForPicture(const SourceImage& picture, const AppearanceSettings& appearance,
                              std::string_view locale = {});

// The alt text of `slot` showing `picture`: the slot's own alt text when it has one that is not
// blank, else the picture's description, else the slot's caption, else the picture's title,
// else its cleaned file name (as `cleanup` cleans it, separators always replaced), else its file
// name. Empty only without a picture.
std::string altTextOf(const ImageSlot& slot, const SourceImage* picture,
                      const FilenameCleanup& cleanup);

// The BCP 47 tag of `locale` with language and region only ("fr-CA", "de"), the form
// presentation programs take for the language of text; "en-US" for the POSIX and root locales.
std::string languageTagOf(std::string_view locale = {});
// `text` as a well-formed BCP 47 tag of a language with its script and region, if given, in their
// usual letter case ("de-DE", "zh-Hant-TW"); surrounding spaces are dropped and "_" is taken for
// "-". Nothing when `text` is no such tag (empty, ill-formed, extensions, "und").
std::optional<std::string> normalizedLanguageTag(std::string_view text);

}  // namespace mosavelle
