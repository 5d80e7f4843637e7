#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/model/document.h"
#include "core/model/undo_history.h"

namespace mosavelle::testing {

// A document with an undo history and one single-picture slide per label, each picture named
// after its label (4000 x 3000 pixels at 300 dpi). `deck()` renders the slide list as text, one
// token per slide: "p1" for a one-picture slide, "[p1,p2]" or "[p1,_]" for several slots ("_" is
// an empty slot), "S" for a section slide, "{}" for a slide without slots.
class DeckFixture {
public:
    explicit DeckFixture(int slideCount) {
        Project project;
        for (int i = 1; i <= slideCount; ++i) {
            SourceImage image;
            image.id = Uuid::random();
            image.originalFileName = "p" + std::to_string(i);
            image.pixelWidth = 4000;
            image.pixelHeight = 3000;
            image.dpiX = image.dpiY = 300;
            project.images.push_back(image);
            project.slides.push_back(singleImageSlide(image.id, ""));
        }
        document = std::make_unique<MosavelleDocument>(project, ImageDataMap{}, std::nullopt);
        document->setUndoHistory(history);
    }

    // The identifier of the slide at 1-based position n.
    Uuid slide(int n) const { return document->project().slides.at(n - 1).id; }
    Uuid picture(int n) const { return document->project().images.at(n - 1).id; }
    const Slide& slideAt(int n) const { return document->project().slides.at(n - 1); }

    void select(std::initializer_list<int> positions) {
        SlideIDSet ids;
        for (int n : positions)
            ids.insert(slide(n));
        document->setSelectedSlideIDs(ids);
    }

    std::string pictureName(const ImageSlot& slot) const {
        if (!slot.imageID)
            return "_";
        const SourceImage* image = document->project().sourceImage(*slot.imageID);
        return image ? image->originalFileName : "?";
    }

    std::string deck() const {
        std::string out;
        for (const auto& slide : document->project().slides) {
            if (!out.empty())
                out += ' ';
            if (slide.layout == SlideLayoutKind::section) {
                out += "S";
            } else if (slide.slots.empty()) {
                out += "{}";
            } else if (slide.slots.size() == 1 && slide.layout == SlideLayoutKind::oneImage) {
                out += pictureName(slide.slots[0]);
            } else {
                out += '[';
                for (std::size_t i = 0; i < slide.slots.size(); ++i)
                    out += (i ? "," : "") + pictureName(slide.slots[i]);
                out += ']';
            }
        }
        return out;
    }

    std::vector<std::string> titles() const {
        std::vector<std::string> out;
        for (const auto& slide : document->project().slides)
            out.push_back(slide.title);
        return out;
    }

    // Positions (1-based) of the selected slides, in deck order.
    std::vector<int> selection() const {
        std::vector<int> out;
        const auto& slides = document->project().slides;
        for (std::size_t i = 0; i < slides.size(); ++i)
            if (document->selectedSlideIDs().count(slides[i].id))
                out.push_back(int(i) + 1);
        return out;
    }

    std::shared_ptr<UndoHistory> history = std::make_shared<UndoHistory>();
    std::unique_ptr<MosavelleDocument> document;
};

}  // namespace mosavelle::testing
