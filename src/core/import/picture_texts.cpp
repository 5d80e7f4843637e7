#include "core/import/picture_texts.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/strenum.h>
#include <unicode/timezone.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

#include "core/import/file_names.h"
#include "core/import/metadata_reader.h"
#include "core/platform/dates.h"
#include "core/platform/names.h"

namespace mosavelle {
namespace {

icu::UnicodeString toUnicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string toUTF8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

bool isWhitespace(std::int32_t c) {
    return c >= 0 && u_isUWhiteSpace(c);
}

// A compiled pattern, shared by all threads (ICU patterns are immutable; matchers are made per
// use). Null only if ICU cannot compile a constant pattern, which would be a build fault.
std::unique_ptr<icu::RegexPattern> compile(std::string_view pattern) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(toUnicode(pattern), 0, status));
    return U_SUCCESS(status) ? std::move(compiled) : nullptr;
}

// `input` with the first (or every) match of `pattern` replaced; `input` itself when the pattern
// is missing or ICU fails.
icu::UnicodeString replaced(const icu::RegexPattern* pattern, const icu::UnicodeString& input,
                            const icu::UnicodeString& replacement, bool all) {
    if (pattern == nullptr)
        return input;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    if (U_FAILURE(status))
        return input;
    icu::UnicodeString out =
        all ? matcher->replaceAll(replacement, status) : matcher->replaceFirst(replacement, status);
    return U_SUCCESS(status) ? out : input;
}

icu::Locale localeOf(std::string_view name) {
    if (name.empty())
        return icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale tagged = icu::Locale::forLanguageTag(
        icu::StringPiece(name.data(), static_cast<int32_t>(name.size())), status);
    if (U_SUCCESS(status) && !tagged.isBogus() && *tagged.getLanguage() != '\0')
        return tagged;
    icu::Locale named(std::string(name).c_str());
    return named.isBogus() ? icu::Locale::getDefault() : named;
}

// When the picture was taken, as an instant and the zone whose clock shows the camera's time:
// the metadata's wall-clock time shown in UTC, else the import's capture date (a wall-clock time
// read in the computer's zone) shown in that zone.
struct Moment {
    UDate instant = 0;
    std::unique_ptr<icu::TimeZone> zone;
};

std::optional<Moment> captureMomentOf(const SourceImage& picture) {
    if (picture.metadata.captured) {
        if (const auto civil =
                readCivilTime(picture.metadata.captured->localTime, "yyyy-MM-ddTHH:mm:ss")) {
            using namespace std::chrono;
            const sys_days day{year{civil->year} / civil->month / civil->day};
            const auto seconds = day.time_since_epoch() + hours{civil->hour} +
                                 minutes{civil->minute} + std::chrono::seconds{civil->second};
            return Moment{static_cast<UDate>(duration_cast<milliseconds>(seconds).count()),
                          std::unique_ptr<icu::TimeZone>(icu::TimeZone::getGMT()->clone())};
        }
    }
    if (picture.captureDate)
        return Moment{static_cast<UDate>(picture.captureDate->time_since_epoch().count()) * 1000.0,
                      std::unique_ptr<icu::TimeZone>(icu::TimeZone::createDefault())};
    return std::nullopt;
}

std::string formatMoment(const SourceImage& picture, std::string_view locale, bool date) {
    const auto moment = captureMomentOf(picture);
    if (!moment)
        return {};
    const icu::Locale where = localeOf(locale);
    std::unique_ptr<icu::DateFormat> format(
        date ? icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, where)
             : icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, where));
    if (!format)
        return {};
    format->setTimeZone(*moment->zone);
    icu::UnicodeString out;
    format->format(moment->instant, out);
    return toUTF8(out);
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string out;
    for (const auto& part : parts) {
        if (part.empty())
            continue;
        if (!out.empty())
            out += separator;
        out += part;
    }
    return out;
}

std::string placeOf(const PictureMetadata& m) {
    std::string place = joined({m.city.value_or(""), m.country.value_or("")}, ", ");
    if (place.empty() && m.position) {
        const auto coordinate = [](double degrees, const char* positive, const char* negative) {
            char text[32];
            std::snprintf(text, sizeof text, "%.4f\u00B0 %s", std::abs(degrees),
                          degrees < 0 ? negative : positive);
            return std::string(text);
        };
        place = coordinate(m.position->latitude, "N", "S") + ", " +
                coordinate(m.position->longitude, "E", "W");
    }
    return place;
}

// Make and model, without the make when the model already starts with it.
std::string cameraOf(const PictureMetadata& m) {
    const std::string make = m.cameraMake.value_or("");
    const std::string model = m.cameraModel.value_or("");
    if (!make.empty() && model.starts_with(make))
        return model;
    return joined({make, model}, " ");
}

std::string cleanedFileName(const SourceImage& picture, const FilenameCleanup& cleanup) {
    return captionFromFileName(picture.originalFileName, cleanup.replaceSeparators,
                               cleanup.stripLeadingNumbers);
}

// White space and the punctuation that separates fields, dropped where an empty field leaves it
// at either end of a caption.
bool isDanglingSeparator(std::int32_t c) {
    constexpr std::array<std::int32_t, 9> separators = {
        u'\u00B7', u'\u2022', u'-', u'\u2013', u'\u2014', u',', u';', u'|', u'/'};
    return isWhitespace(c) ||
           std::find(separators.begin(), separators.end(), c) != separators.end();
}

}  // namespace

std::string captionFromFileName(std::string_view fileName, bool replaceSeparators,
                                bool stripLeadingNumbers) {
    static const auto leadingNumber = compile("^[\\s_\\-]*\\d+[\\s_\\-]*");
    static const auto separators = compile("[_.\\-]+");
    icu::UnicodeString text = toUnicode(deletingPathExtension(fileName));
    if (stripLeadingNumbers)
        text = replaced(leadingNumber.get(), text, icu::UnicodeString(), false);
    if (replaceSeparators)
        text = replaced(separators.get(), text, icu::UnicodeString(u' '), true);
    return std::string(trimmedUTF8(toUTF8(text), isWhitespace));
}

std::string expandCaptionPattern(std::string_view pattern, const SourceImage& picture,
                                 const FilenameCleanup& cleanup, std::string_view locale) {
    const PictureMetadata& m = picture.metadata;
    std::string out;
    bool anyField = false, anyFilled = false;
    while (!pattern.empty()) {
        const std::size_t open = pattern.find('{');
        const std::size_t close = pattern.find('}', open == std::string_view::npos ? 0 : open);
        if (open == std::string_view::npos || close == std::string_view::npos) {
            out += pattern;
            break;
        }
        out += pattern.substr(0, open);
        const std::string_view name = pattern.substr(open + 1, close - open - 1);
        std::optional<std::string> value;
        if (name == "title")
            value = m.title.value_or("");
        else if (name == "description")
            value = m.description.value_or("");
        else if (name == "keywords")
            value = joined(m.keywords, ", ");
        else if (name == "place")
            value = placeOf(m);
        else if (name == "camera")
            value = cameraOf(m);
        else if (name == "filename")
            value = cleanedFileName(picture, cleanup);
        else if (name == "date" || name == "time")
            value = formatMoment(picture, locale, name == "date");
        if (value) {
            anyField = true;
            anyFilled = anyFilled || !value->empty();
            out += *value;
            pattern.remove_prefix(close + 1);
        } else {
            out += '{';  // no field: the brace is text, and the search goes on after it
            pattern.remove_prefix(open + 1);
        }
    }
    // A pattern whose fields are all empty gives no caption rather than its bare separators.
    if (anyField && !anyFilled)
        return {};
    return std::string(trimmedUTF8(cleanMetadataText(out), isDanglingSeparator));
}

std::string captionForPicture(const SourceImage& picture, const AppearanceSettings& appearance,
                              std::string_view locale) {
    if (!appearance.filenameCleanup.enabled)
        return {};
    switch (appearance.captionsFrom.source) {
        case CaptionSource::fileName:
            return cleanedFileName(picture, appearance.filenameCleanup);
        case CaptionSource::description:
            return picture.metadata.description.value_or("");
        case CaptionSource::title:
            return picture.metadata.title.value_or("");
        case CaptionSource::pattern:
            return expandCaptionPattern(appearance.captionsFrom.pattern, picture,
                                        appearance.filenameCleanup, locale);
    }
    return {};
}

std::string altTextOf(const ImageSlot& slot, const SourceImage* picture,
                      const FilenameCleanup& cleanup) {
    if (slot.altText) {
        std::string own(trimmedUTF8(*slot.altText, isWhitespace));
        if (!own.empty())
            return own;
    }
    if (!picture)
        return {};
    if (picture->metadata.description)
        return *picture->metadata.description;
    if (std::string caption(trimmedUTF8(slot.caption, isWhitespace)); !caption.empty())
        return caption;
    if (picture->metadata.title)
        return *picture->metadata.title;
    if (std::string name =
            captionFromFileName(picture->originalFileName, true, cleanup.stripLeadingNumbers);
        !name.empty())
        return name;
    return picture->originalFileName;
}

std::string languageTagOf(std::string_view locale) {
    if (locale == "C" || locale == "POSIX" || locale.starts_with("C."))
        return "en-US";
    const icu::Locale where = localeOf(locale);
    const std::string language = where.getLanguage();
    if (language.empty() || language == "und" || std::string_view(where.getVariant()) == "POSIX")
        return "en-US";
    const std::string region = where.getCountry();
    return region.empty() ? language : language + "-" + region;
}

std::optional<std::string> normalizedLanguageTag(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\n");
    if (first == std::string_view::npos)
        return std::nullopt;
    std::string tag(text.substr(first, text.find_last_not_of(" \t\n") + 1 - first));
    if (tag.size() > 64 || !std::all_of(tag.begin(), tag.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '-' || c == '_';
        }))
        return std::nullopt;
    std::replace(tag.begin(), tag.end(), '_', '-');
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale where =
        icu::Locale::forLanguageTag(icu::StringPiece(tag.data(), int32_t(tag.size())), status);
    const std::string language = where.getLanguage();
    // A language of two or three letters: a language's name typed in its place ("German") is
    // well-formed but no language any program knows.
    if (U_FAILURE(status) || where.isBogus() || language.size() < 2 || language.size() > 3 ||
        language == "und" || *where.getVariant() != '\0')
        return std::nullopt;
    std::unique_ptr<icu::StringEnumeration> keywords(where.createKeywords(status));
    if (U_FAILURE(status) || (keywords && keywords->count(status) > 0))
        return std::nullopt;  // extensions and private use
    std::string out = language;
    if (*where.getScript() != '\0')
        out += std::string("-") + where.getScript();
    if (*where.getCountry() != '\0')
        out += std::string("-") + where.getCountry();
    return out;
}

}  // namespace mosavelle
