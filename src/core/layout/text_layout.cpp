#include "core/layout/text_layout.h"

#include "core/layout/detail/utf8.h"
#include "core/layout/guards.h"
#include "core/layout/text_fit.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

namespace mosavelle {

namespace {

constexpr double pointsPerInch = 72.0;

// Single line spacing in presentations is independent of the font: 1.2 times the font size from
// line to line, the baseline one font size below the line's top.
constexpr double singleSpacing = 1.2;
constexpr double singleSpacingAscent = 1.0;

// Faces are sized once at this many pixels per em and never hinted, so advances are the font's
// own widths, as a page layout at any resolution sees them.
constexpr FT_UInt referencePixels = 2048;
constexpr double unitsPerEm = referencePixels * 64.0;  // HarfBuzz positions are 26.6 pixels

// The font file and face index fontconfig picks for a family, in the bold or regular weight.
// Fontconfig's configuration supplies the metric-compatible stand-ins for fonts that are not
// installed; any other substitute is the same one a presentation program on this system draws
// with, so it is measured too.
struct FontFile {
    std::string path;
    int index = 0;
};

std::optional<FontFile> matchFont(const std::string& family, bool bold) {
    static std::mutex mutex;  // one configuration for all threads; matching is rare (cached)
    const std::lock_guard lock(mutex);
    static FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr)
        return std::nullopt;
    using Pattern = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>;
    const Pattern pattern(FcPatternCreate(), FcPatternDestroy);
    if (pattern == nullptr)
        return std::nullopt;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const Pattern match(FcFontMatch(config, pattern.get(), &result), FcPatternDestroy);
    if (match == nullptr)
        return std::nullopt;
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || file == nullptr)
        return std::nullopt;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
    return FontFile{reinterpret_cast<const char*>(file), index};
}

// A loaded face with its HarfBuzz font.
class ShapingFont {
public:
    ShapingFont(FT_Library library, const FontFile& file) {
        if (FT_New_Face(library, file.path.c_str(), file.index, &face_) != 0) {
            face_ = nullptr;
            return;
        }
        if (face_->family_name != nullptr)
            family_ = face_->family_name;
        if (FT_Set_Pixel_Sizes(face_, 0, referencePixels) != 0)
            return;
        font_ = hb_ft_font_create_referenced(face_);
        hb_ft_font_set_load_flags(font_, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
    }
    ~ShapingFont() {
        if (font_ != nullptr)
            hb_font_destroy(font_);  // releases its reference to the face
        if (face_ != nullptr)
            FT_Done_Face(face_);
    }
    ShapingFont(const ShapingFont&) = delete;
    ShapingFont& operator=(const ShapingFont&) = delete;

    bool usable() const { return font_ != nullptr; }
    hb_font_t* font() const { return font_; }
    const std::string& family() const { return family_; }

private:
private:
    std::string family_;
    FT_Face face_ = nullptr;
    hb_font_t* font_ = nullptr;
};

// Per thread: the FreeType library, the fonts loaded so far and the layouts made so far.
class Typesetter {
public:
    Typesetter() {
        if (FT_Init_FreeType(&library_) != 0)
            library_ = nullptr;
        buffer_ = hb_buffer_create();
        UErrorCode status = U_ZERO_ERROR;
        lines_.reset(icu::BreakIterator::createLineInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            lines_.reset();
    }
    ~Typesetter() {
        fonts_.clear();
        hb_buffer_destroy(buffer_);
        if (library_ != nullptr)
            FT_Done_FreeType(library_);
    }
    Typesetter(const Typesetter&) = delete;
    Typesetter& operator=(const Typesetter&) = delete;

    const ShapingFont* font(const std::string& family, bool bold) {
        auto key = std::make_pair(family, bold);
        if (auto found = fonts_.find(key); found != fonts_.end())
            return found->second.get();
        std::unique_ptr<ShapingFont> loaded;
        if (library_ != nullptr) {
            if (auto file = matchFont(family, bold)) {
                loaded = std::make_unique<ShapingFont>(library_, *file);
                if (!loaded->usable())
                    loaded.reset();
            }
        }
        return fonts_.emplace(std::move(key), std::move(loaded)).first->second.get();
    }

    TextLayout layOut(std::string_view text, const TextStyle& style, double boxWidth) {
        std::string key;
        key.reserve(style.fontName.size() + text.size() + 32);
        key.append(style.fontName).push_back('\0');
        key.append(std::to_string(style.bold) + ";" + std::to_string(style.points) + ";" +
                   std::to_string(boxWidth) + ";");
        key.append(text);
        if (auto found = cache_.find(key); found != cache_.end())
            return found->second;
        TextLayout made = layOutUncached(text, style, boxWidth);
        if (cache_.size() >= cacheLimit)
            cache_.clear();
        cache_.emplace(std::move(key), made);
        return made;
    }

private:
    static constexpr std::size_t cacheLimit = 4096;

    TextLayout layOutUncached(std::string_view text, const TextStyle& style, double boxWidth) {
        TextLayout out;
        const ShapingFont* shaping = font(style.fontName, style.bold);
        if (shaping == nullptr || lines_ == nullptr)
            return out;
        const double inchesPerEm = style.points / pointsPerInch;
        out.measured = true;
        out.ascent = singleSpacingAscent * inchesPerEm;
        out.lineHeight = singleSpacing * inchesPerEm;
        const double width = boxWidth * pointsPerInch / style.points * unitsPerEm;
        // Lines end where the exported text breaks them: at LF, CR, CR LF, U+2028 and U+2029.
        std::size_t start = 0;
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t at = i;
            const char32_t c = utf8::next(text, i);
            if (c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029) {
                breakParagraph(text, start, at, *shaping, width, inchesPerEm / unitsPerEm, out);
                if (c == '\r' && i < text.size() && text[i] == '\n')
                    ++i;
                start = i;
            }
        }
        if (!text.empty())
            breakParagraph(text, start, text.size(), *shaping, width, inchesPerEm / unitsPerEm,
                           out);
        return out;
    }

    // Shapes text[begin, end) and appends its lines for a box `width` font units wide.
    void breakParagraph(std::string_view text, std::size_t begin, std::size_t end,
                        const ShapingFont& shaping, double width, double inchesPerUnit,
                        TextLayout& out) {
        if (begin == end) {
            out.lines.push_back(TextLine{begin, end, 0});
            return;
        }
        const std::string_view paragraph = text.substr(begin, end - begin);
        // The advance of each byte's cluster at its first byte; prefix sums give any span's width.
        hb_buffer_clear_contents(buffer_);
        hb_buffer_add_utf8(buffer_, paragraph.data(), static_cast<int>(paragraph.size()), 0,
                           static_cast<int>(paragraph.size()));
        hb_buffer_guess_segment_properties(buffer_);
        // Presentation text without a kerning threshold is set without pair kerning.
        static const hb_feature_t noKerning{HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START,
                                            HB_FEATURE_GLOBAL_END};
        hb_shape(shaping.font(), buffer_, &noKerning, 1);
        unsigned count = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer_, &count);
        const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer_, &count);
        std::vector<double> advance(paragraph.size() + 1, 0);
        std::vector<bool> clusterStart(paragraph.size() + 1, false);
        for (unsigned g = 0; g < count; ++g) {
            advance[info[g].cluster] += position[g].x_advance;
            clusterStart[info[g].cluster] = true;
        }
        clusterStart[paragraph.size()] = true;
        std::vector<double> prefix(paragraph.size() + 1, 0);
        for (std::size_t i = 0; i < paragraph.size(); ++i)
            prefix[i + 1] = prefix[i] + advance[i];
        const auto spanWidth = [&](std::size_t a, std::size_t b) { return prefix[b] - prefix[a]; };
        const auto isSpace = [&](std::size_t i) {
            return paragraph[i] == ' ' || paragraph[i] == '\t';
        };
        // The span's end without its trailing spaces, which hang past the box's edge.
        const auto trimmed = [&](std::size_t a, std::size_t b) {
            while (b > a && isSpace(b - 1))
                --b;
            return b;
        };

        std::vector<std::size_t> opportunities;  // positions a line may end at, ascending
        UErrorCode status = U_ZERO_ERROR;
        UText utext = UTEXT_INITIALIZER;
        utext_openUTF8(&utext, paragraph.data(), static_cast<int64_t>(paragraph.size()), &status);
        lines_->setText(&utext, status);
        if (U_SUCCESS(status)) {
            for (int32_t p = lines_->next(); p != icu::BreakIterator::DONE; p = lines_->next())
                opportunities.push_back(static_cast<std::size_t>(p));
        }
        UText empty = UTEXT_INITIALIZER;
        UErrorCode ignored = U_ZERO_ERROR;
        utext_openUTF8(&empty, "", 0, &ignored);
        lines_->setText(&empty, ignored);
        utext_close(&empty);
        utext_close(&utext);
        if (opportunities.empty() || opportunities.back() != paragraph.size())
            opportunities.push_back(paragraph.size());

        const auto emit = [&](std::size_t a, std::size_t b) {
            const std::size_t e = trimmed(a, b);
            out.lines.push_back(TextLine{begin + a, begin + e, spanWidth(a, e) * inchesPerUnit});
        };
        std::size_t lineStart = 0;
        std::size_t next = 0;  // index into opportunities
        while (lineStart < paragraph.size()) {
            // The furthest opportunity whose line, without trailing spaces, fits.
            std::size_t fit = lineStart;
            while (next < opportunities.size() &&
                   spanWidth(lineStart, trimmed(lineStart, opportunities[next])) <= width) {
                fit = opportunities[next];
                ++next;
            }
            if (fit > lineStart) {
                emit(lineStart, fit);
                lineStart = fit;
                continue;
            }
            // One word wider than the box: as many characters as fit, at least one.
            const std::size_t wordEnd =
                next < opportunities.size() ? opportunities[next] : paragraph.size();
            std::size_t cut = lineStart + 1;
            while (cut < wordEnd && !clusterStart[cut])
                ++cut;
            for (std::size_t c = cut; c < wordEnd; ++c) {
                if (!clusterStart[c + 1] && c + 1 < wordEnd)
                    continue;
                if (spanWidth(lineStart, c + 1) > width)
                    break;
                cut = c + 1;
            }
            emit(lineStart, cut);
            lineStart = cut;
        }
    }

    FT_Library library_ = nullptr;
    hb_buffer_t* buffer_ = nullptr;
    std::unique_ptr<icu::BreakIterator> lines_;
    std::map<std::pair<std::string, bool>, std::unique_ptr<ShapingFont>> fonts_;
    std::unordered_map<std::string, TextLayout> cache_;
};

Typesetter& typesetter() {
    thread_local Typesetter instance;
    return instance;
}

}  // namespace

TextLayout layOutText(std::string_view text, const TextStyle& style, double boxWidth) {
    TextStyle guarded = style;
    guarded.points = guardedPoints(style.points, 16);
    return typesetter().layOut(text, guarded, guardedSize(boxWidth));
}

bool textOverflowsBox(std::string_view text, const TextStyle& style, const InchRect& box) {
    if (text.empty())
        return false;
    const TextLayout layout = layOutText(text, style, box.width);
    if (!layout.measured)
        return textOverflows(text, box, style.points);
    // A thousandth of an inch absorbs the rounding of sizes to whole EMU and points.
    const double height = static_cast<double>(layout.lines.size()) * layout.lineHeight;
    return height > guardedSize(box.height) + 0.001;
}

std::string resolvedFontFamily(const TextStyle& style) {
    const ShapingFont* font = typesetter().font(style.fontName, style.bold);
    return font != nullptr ? font->family() : std::string();
}

}  // namespace mosavelle
