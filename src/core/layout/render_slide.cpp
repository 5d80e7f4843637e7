#include "core/layout/rendered_slide.h"

#include "core/layout/detail/fresh_identifier.h"
#include "core/layout/geometry.h"
#include "core/layout/guards.h"
#include "core/layout/placement.h"
#include "core/layout/text_color.h"
#include "core/layout/text_layout.h"
#include "core/model/image_index.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace mosavelle {
namespace {

// The placement every picture of the slide takes: the slide's override, else the deck default.
// Only mode, rotation and scale apply; each slot carries its own crop anchor.
const Placement& effectivePlacement(const Slide& slide, const AppearanceSettings& appearance) {
    return slide.placementOverride ? *slide.placementOverride : appearance.defaultPlacement;
}

RGBAColor backgroundColor(const AppearanceSettings& appearance) {
    switch (appearance.background) {
        case BackgroundKind::white:
            return {1, 1, 1, 1};
        case BackgroundKind::black:
            return {0, 0, 0, 1};
        case BackgroundKind::custom:
            return appearance.customBackground;
    }
    return {1, 1, 1, 1};
}

// The 1-based position of the first slot with this slot's identifier; 1 when none has it.
std::size_t slotNumber(const Slide& slide, const ImageSlot& slot) {
    const auto it = std::find_if(slide.slots.begin(), slide.slots.end(),
                                 [&](const ImageSlot& s) { return s.id == slot.id; });
    return it == slide.slots.end() ? 1 : static_cast<std::size_t>(it - slide.slots.begin()) + 1;
}

class SlideBuilder {
public:
    // `images`, when not null, is an index of `project.images` to find pictures through.
    SlideBuilder(const Slide& slide, const Project& project, const ImageIndex* images,
                 RenderedSlide& out)
        : slide_(slide),
          project_(project),
          images_(images),
          placement_(effectivePlacement(slide, project.appearance)),
          out_(out) {}

    // Places slot `i` in `area`: the picture's frame and warnings, or a placeholder covering the
    // area and `missingImage` when the picture cannot be drawn.
    void placeSlot(std::size_t i, const InchRect& area) {
        const ImageSlot& slot = slide_.slots[i];
        const SourceImage* image =
            images_ != nullptr ? usableImage(slot, *images_) : usableImage(slot, project_);
        if (image != nullptr) {
            PictureFrame frame = placePicture(*image, placement_.mode, slot.crop,
                                              placement_.rotationDegrees, placement_.scale, area);
            appendPictureWarnings(frame, placement_.mode, out_.warnings);
            out_.pictures.push_back(std::move(frame));
            return;
        }
        PictureFrame placeholder;
        placeholder.imageID = slot.imageID ? *slot.imageID : freshIdentifier();
        placeholder.frame = guardedRect(area);
        out_.pictures.push_back(placeholder);
        out_.warnings.push_back(SlideWarning::missingImage(slot.imageID));
    }

    // Adds a text box and, when its lines as laid out run past the box's bottom,
    // `textOverflow(field)`.
    void addText(std::string_view text, const InchRect& box, bool isTitle, double points,
                 CaptionAlignment alignment, std::string field) {
        const InchRect guarded = guardedRect(box);
        const Typography& type = project_.appearance.typography;
        const bool overflows = textOverflowsBox(
            text, TextStyle{type.fontName, isTitle && type.titleBold, points}, guarded);
        const RGBAColor color = readableTextColor(isTitle ? type.titleColor : type.bodyColor,
                                                  backgroundColor(project_.appearance));
        out_.texts.push_back(
            TextFrame{std::string(text), guarded, isTitle, overflows, points, alignment, color});
        if (overflows)
            out_.warnings.push_back(SlideWarning::textOverflow(std::move(field)));
    }

private:
    const Slide& slide_;
    const Project& project_;
    const ImageIndex* images_;
    const Placement& placement_;
    RenderedSlide& out_;
};

RenderedSlide render(const Slide& slide, std::size_t index, const Project& project,
                     const ImageIndex* images) {
    const AppearanceSettings& a = project.appearance;
    const double titlePoints = guardedPoints(a.typography.titlePoints, 28);
    const double captionPoints = guardedPoints(slide.captionPoints, 16);
    const AreaList areas = imageAreas(slide, a);

    RenderedSlide out;
    out.pictures.reserve(std::min(areas.size(), slide.slots.size()));
    SlideBuilder builder(slide, project, images, out);
    const bool canPlace = !areas.empty() && !slide.slots.empty();

    switch (slide.layout) {
        case SlideLayoutKind::oneImage:
            if (canPlace)
                builder.placeSlot(0, areas[0]);
            break;
        case SlideLayoutKind::imageTitleCaption: {
            out.texts.reserve(2);
            builder.addText(slide.title, titleBox(a), true, titlePoints, CaptionAlignment::leading,
                            "title");
            if (canPlace)
                builder.placeSlot(0, areas[0]);
            const std::string_view caption =
                slide.slots.empty() ? std::string_view() : std::string_view(slide.slots[0].caption);
            builder.addText(caption, captionBox(slide, a), false, captionPoints,
                            slide.captionAlignment, "caption");
            break;
        }
        case SlideLayoutKind::twoUp:
        case SlideLayoutKind::fourGrid: {
            const bool twoUp = slide.layout == SlideLayoutKind::twoUp;
            const double band = captionBand(
                slide, twoUp ? geometry::twoUpSmallestBand : geometry::gridSmallestBand);
            const std::size_t shown =
                std::min({slide.slots.size(), std::size_t{twoUp ? 2u : 4u}, areas.size()});
            if (band > 0)
                out.texts.reserve(shown);
            for (std::size_t i = 0; i < shown; ++i) {
                builder.placeSlot(i, areas[i]);
                if (band > 0)
                    builder.addText(slide.slots[i].caption,
                                    slotCaptionBox(slide.layout, areas[i], band), false,
                                    captionPoints, slide.captionAlignment,
                                    "caption " + std::to_string(slotNumber(slide, slide.slots[i])));
            }
            break;
        }
        case SlideLayoutKind::section:
            builder.addText(
                slide.title.empty() ? std::string_view("Section") : std::string_view(slide.title),
                sectionTitleBox(a), true, titlePoints, CaptionAlignment::leading, "title");
            break;
    }

    if (a.branding.logoFileName) {
        PictureFrame logo;
        logo.imageID = freshIdentifier();
        logo.frame = guardedRect(logoBox(a.slideSize, a.branding));
        logo.placedDPI = 150;
        out.logo = logo;
    }
    if (a.branding.showSlideNumbers) {
        out.slideNumber = std::to_string(index + 1);
        out.numberFrame = numberBox(a.slideSize, a.branding.numberPosition);
        out.numberColor = readableTextColor(a.typography.bodyColor, backgroundColor(a));
    }
    out.background = backgroundColor(a);
    out.size = a.slideSize;
    out.notes = slide.notes;
    return out;
}

}  // namespace

RenderedSlide renderSlide(const Slide& slide, std::size_t index, const Project& project) {
    return render(slide, index, project, nullptr);
}

RenderedSlide renderSlide(const Slide& slide, std::size_t index, const Project& project,
                          const ImageIndex& images) {
    return render(slide, index, project, &images);
}

}  // namespace mosavelle
