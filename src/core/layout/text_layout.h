#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/layout/rendered_slide.h"

namespace mosavelle {

// Text laid out the way presentation programs lay out a text box without insets or autofit:
// shaped in the font the family name resolves to on this system (the installed font, or the
// metric-compatible stand-in the font configuration names for it), broken into lines at the
// line-break opportunities of the Unicode rules (after spaces, after hyphens, between ideographs)
// and, where one word is wider than the box, between its characters. Every line break in the
// text starts a new line. The preview draws these lines; the overflow warning counts them.

struct TextStyle {
    std::string fontName;
    bool bold = false;
    double points = 16;
};

struct TextLine {
    std::size_t begin = 0;  // byte offsets of the line in the text, trailing spaces and the
    std::size_t end = 0;    // line break excluded
    double width = 0;       // inches, as shaped
};

struct TextLayout {
    std::vector<TextLine> lines;  // none for an empty text
    double lineHeight = 0;        // inches from one line's top to the next
    double ascent = 0;            // inches from a line's top to its baseline
    // False when no font could be loaded: then `lines` is empty and the box is judged by the
    // character estimate of "core/layout/text_fit.h".
    bool measured = false;
};

// Lays out UTF-8 `text` in `style` for a box `boxWidth` inches wide. The font size is guarded as
// every laid-out size is. Results are cached per thread, so a redraw of the same slide costs a
// lookup. Safe to call from any thread.
TextLayout layOutText(std::string_view text, const TextStyle& style, double boxWidth);

// True when `text` in `style` runs past the bottom of `box` (its lines are taller than the box),
// or, with no font to measure with, when the character estimate says it is too long. An empty
// text never overflows.
bool textOverflowsBox(std::string_view text, const TextStyle& style, const InchRect& box);

// The family name of the font `style` resolves to ("Carlito" for "Calibri" where only the
// stand-in is installed), empty when there is none: the preview draws with the font measured.
std::string resolvedFontFamily(const TextStyle& style);

}  // namespace mosavelle
