#include "cli/render_json.h"

#include <type_traits>

#include "core/layout/warnings.h"

namespace mosavelle::cli {
namespace {

OrderedJSON colorJSON(const RGBAColor& color) {
    return {
        {"red", color.red}, {"green", color.green}, {"blue", color.blue}, {"alpha", color.alpha}};
}

OrderedJSON cropJSON(const SourceCrop& crop) {
    return {{"left", crop.left}, {"top", crop.top}, {"right", crop.right}, {"bottom", crop.bottom}};
}

template <class T, class F>
OrderedJSON optionalJSON(const std::optional<T>& value, F&& convert) {
    return value ? OrderedJSON(convert(*value)) : OrderedJSON(nullptr);
}

}  // namespace

OrderedJSON inchRectJSON(const InchRect& rect) {
    return {{"x", rect.x}, {"y", rect.y}, {"width", rect.width}, {"height", rect.height}};
}

OrderedJSON pictureFrameJSON(const PictureFrame& picture) {
    return {{"imageID", picture.imageID.text()}, {"frame", inchRectJSON(picture.frame)},
            {"crop", cropJSON(picture.crop)},    {"rotationDegrees", picture.rotationDegrees},
            {"overflows", picture.overflows},    {"placedDPI", picture.placedDPI}};
}

OrderedJSON textFrameJSON(const TextFrame& text) {
    return {{"text", text.text},
            {"frame", inchRectJSON(text.frame)},
            {"isTitle", text.isTitle},
            {"overflows", text.overflows},
            {"fontPoints", text.fontPoints},
            {"alignment", std::string(caseName(text.alignment))}};
}

OrderedJSON warningJSON(const SlideWarning& warning) {
    return std::visit(
        [](const auto& value) -> OrderedJSON {
            using Case = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<Case, SlideWarning::OverflowsSlide>) {
                return {{"case", "overflowsSlide"}, {"imageID", value.imageID.text()}};
            } else if constexpr (std::is_same_v<Case, SlideWarning::LowResolution>) {
                return {{"case", "lowResolution"},
                        {"dpi", value.dpi},
                        {"imageID", value.imageID.text()}};
            } else if constexpr (std::is_same_v<Case, SlideWarning::MissingImage>) {
                return {{"case", "missingImage"},
                        {"imageID",
                         optionalJSON(value.imageID, [](const Uuid& id) { return id.text(); })}};
            } else {
                return {{"case", "textOverflow"}, {"field", value.field}};
            }
        },
        warning.value);
}

OrderedJSON renderedSlideJSON(const RenderedSlide& slide, std::size_t index) {
    OrderedJSON pictures = OrderedJSON::array();
    for (const auto& picture : slide.pictures)
        pictures.push_back(pictureFrameJSON(picture));
    OrderedJSON texts = OrderedJSON::array();
    for (const auto& text : slide.texts)
        texts.push_back(textFrameJSON(text));
    OrderedJSON warnings = OrderedJSON::array();
    OrderedJSON messages = OrderedJSON::array();
    for (const auto& warning : slide.warnings) {
        warnings.push_back(warningJSON(warning));
        messages.push_back(warningMessage(warning));
    }
    return {
        {"index", index},
        {"background", colorJSON(slide.background)},
        {"size", std::string(caseName(slide.size))},
        {"pictures", std::move(pictures)},
        {"texts", std::move(texts)},
        {"logo", optionalJSON(slide.logo, pictureFrameJSON)},
        {"slideNumber", optionalJSON(slide.slideNumber, [](const std::string& s) { return s; })},
        {"numberFrame", optionalJSON(slide.numberFrame, inchRectJSON)},
        {"notes", slide.notes},
        {"warnings", std::move(warnings)},
        {"messages", std::move(messages)}};
}

std::string jsonText(const OrderedJSON& json) {
    return json.dump(2, ' ', false, OrderedJSON::error_handler_t::replace);
}

}  // namespace mosavelle::cli
