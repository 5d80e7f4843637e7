#pragma once

#include <cstddef>

#include <nlohmann/json.hpp>

#include "core/layout/rendered_slide.h"

namespace mosavelle::cli {

// JSON views of the laid-out slide records. Members are named and ordered as the records'
// fields; identifiers are their upper-case text, enumerations their case names, absent optionals
// null. Numbers are written exactly as held (shortest round-trip form).
using OrderedJSON = nlohmann::ordered_json;

OrderedJSON inchRectJSON(const InchRect& rect);
OrderedJSON pictureFrameJSON(const PictureFrame& picture);
OrderedJSON textFrameJSON(const TextFrame& text);
// {"case": <case name>, <the case's values by name>}.
OrderedJSON warningJSON(const SlideWarning& warning);
// The slide with "index" first and, last, "messages": the warnings' sentences in order.
OrderedJSON renderedSlideJSON(const RenderedSlide& slide, std::size_t index);

// Indented JSON text. Bytes that are not UTF-8 (file names on Linux need not be) are written as
// U+FFFD instead of failing.
std::string jsonText(const OrderedJSON& json);

}  // namespace mosavelle::cli
