#include "core/model/project.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mosavelle {

int slotCount(SlideLayoutKind layout) {
    switch (layout) {
        case SlideLayoutKind::oneImage:
            return 1;
        case SlideLayoutKind::imageTitleCaption:
            return 1;
        case SlideLayoutKind::twoUp:
            return 2;
        case SlideLayoutKind::fourGrid:
            return 4;
        case SlideLayoutKind::section:
            return 0;
    }
    return 0;
}

double defaultScale(SizingMode mode) {
    switch (mode) {
        case SizingMode::percent75:
            return 0.75;
        case SizingMode::percent125:
            return 1.25;
        default:
            return 1.0;
    }
}

std::string RGBAColor::hexString() const {
    auto component = [](double value) {
        if (!std::isfinite(value))
            value = 0;
        value = std::clamp(value, 0.0, 1.0);
        return static_cast<unsigned>(std::round(value * 255));  // std::round: halves away from 0
    };
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X%02X%02X", component(red), component(green),
                  component(blue));
    return buffer;
}

std::vector<Slide> Project::includedSlides() const {
    std::vector<Slide> out;
    for (const auto& slide : slides)
        if (!slide.isExcluded)
            out.push_back(slide);
    return out;
}

std::optional<std::size_t> slidePosition(const SlideList& slides, const Uuid& id) {
    for (std::size_t i = 0; i < slides.size(); ++i)
        if (slides[i].id == id)
            return i;
    return std::nullopt;
}

const SourceImage* Project::sourceImage(const Uuid& id) const {
    for (const auto& image : images)
        if (image.id == id)
            return &image;
    return nullptr;
}

std::vector<SourceImage> Project::unusableImages() const {
    std::vector<SourceImage> out;
    for (const auto& image : images)
        if (image.importError)
            out.push_back(image);
    return out;
}

const Project& defaultProject() {
    static const Project factory{};
    return factory;
}

ImageSlot emptySlot() {
    return ImageSlot{Uuid::random(), std::nullopt, "", CropAnchor{}, std::nullopt};
}

Slide singleImageSlide(const Uuid& imageID, const std::string& caption) {
    Slide slide;
    slide.layout = SlideLayoutKind::oneImage;
    slide.slots = {ImageSlot{Uuid::random(), imageID, caption, CropAnchor{}, std::nullopt}};
    return slide;
}

Slide sectionDividerSlide() {
    Slide slide;
    slide.layout = SlideLayoutKind::section;
    slide.title = "Section";
    return slide;
}

}  // namespace mosavelle
