#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/import/import_plan.h"
#include "core/model/document.h"
#include "core/model/undo_history.h"
#include "support/deck_support.h"

namespace mosavelle::testing {

// A read picture file as the import hands it over, with distinct bytes per name.
inline ImportItem itemNamed(const std::string& name, std::optional<Timestamp> date = std::nullopt) {
    ImportItem item;
    item.url = std::filesystem::path("/pictures") / name;
    item.data = Bytes(std::string_view(name));
    item.originalName = name;
    item.info.pixelWidth = 640;
    item.info.pixelHeight = 480;
    item.info.captureDate = date;
    item.info.uti = "public.jpeg";
    return item;
}

// A document with an undo history and one single-picture slide per label, picture n named "pn".
// `deck()` renders the slides as text: "p1" for one picture, "[p1,_]" for several slots ("_" is
// empty or unknown), "S" for a section slide.
class DeckFixture {
public:
    explicit DeckFixture(int slideCount) {
        Project project;
        for (int i = 1; i <= slideCount; ++i) {
            SourceImage image = pictureRecord("p" + std::to_string(i), "public.jpeg", 4000, 3000);
            image.dpiX = image.dpiY = 300;
            project.images.push_back(image);
            project.slides.push_back(singleImageSlide(image.id, ""));
        }
        document = std::make_unique<MosavelleDocument>(project, ImageDataMap{}, std::nullopt);
        document->setUndoHistory(history);
    }

    MosavelleDocument& doc() { return *document; }
    // Positions are 1-based.
    Uuid slide(int n) const { return document->project().slides.at(n - 1).id; }
    Uuid picture(int n) const { return document->project().images.at(n - 1).id; }
    const Slide& slideAt(int n) const { return document->project().slides.at(n - 1); }

    // Changes the project outside the undo history.
    void setProject(const std::function<void(Project&)>& change) {
        Project project = document->project();
        change(project);
        document->setProject(project);
    }

    void select(std::initializer_list<int> positions) {
        SlideIDSet ids;
        for (int n : positions)
            ids.insert(slide(n));
        document->setSelectedSlideIDs(ids);
    }

    std::string deck() const {
        const auto name = [&](const ImageSlot& slot) -> std::string {
            const SourceImage* image =
                slot.imageID ? document->project().sourceImage(*slot.imageID) : nullptr;
            return image ? image->originalFileName : "_";
        };
        std::string out;
        for (const auto& slide : document->project().slides) {
            out += out.empty() ? "" : " ";
            if (slide.layout == SlideLayoutKind::section) {
                out += "S";
            } else if (slide.slots.size() == 1 && slide.layout == SlideLayoutKind::oneImage) {
                out += name(slide.slots[0]);
            } else {
                out += '[';
                for (std::size_t i = 0; i < slide.slots.size(); ++i)
                    out += (i ? "," : "") + name(slide.slots[i]);
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

    // Positions of the selected slides, in deck order.
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

// A GoogleTest fixture over a deck of N slides.
template <int N>
class DeckTest : public ::testing::Test, public DeckFixture {
protected:
    DeckTest() : DeckFixture(N) {}
};

}  // namespace mosavelle::testing
