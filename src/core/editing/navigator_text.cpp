#include "core/editing/navigator_text.h"

#include <cctype>

namespace mosavelle {

namespace {

bool isTrimmed(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isTrimmed(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isTrimmed(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::string makeSlidePayload(const std::vector<Uuid>& slideIDs) {
    std::string payload(slidePayloadPrefix);
    for (std::size_t i = 0; i < slideIDs.size(); ++i) {
        if (i > 0)
            payload += ',';
        payload += slideIDs[i].text();
    }
    return payload;
}

std::vector<Uuid> parseSlidePayload(std::string_view text) {
    text = trimmed(text);
    std::vector<Uuid> ids;
    if (!text.starts_with(slidePayloadPrefix))
        return ids;
    text.remove_prefix(slidePayloadPrefix.size());
    while (!text.empty()) {
        const auto comma = text.find(',');
        const auto piece = text.substr(0, comma);
        if (auto id = Uuid::parse(piece))
            ids.push_back(*id);
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return ids;
}

std::string layoutDisplayName(SlideLayoutKind layout) {
    switch (layout) {
        case SlideLayoutKind::oneImage:
            return "One image";
        case SlideLayoutKind::imageTitleCaption:
            return "Image with title and caption";
        case SlideLayoutKind::twoUp:
            return "Two images";
        case SlideLayoutKind::fourGrid:
            return "Four-image grid";
        case SlideLayoutKind::section:
            return "Section divider";
    }
    return "One image";
}

std::string slideDisplayName(const Slide& slide, const Project& project) {
    if (!slide.title.empty())
        return slide.title;
    if (!slide.slots.empty() && slide.slots.front().imageID) {
        if (const SourceImage* picture = project.sourceImage(*slide.slots.front().imageID))
            return picture->originalFileName;
    }
    return layoutDisplayName(slide.layout);
}

}  // namespace mosavelle
