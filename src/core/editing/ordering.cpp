#include "core/editing/ordering.h"

#include <algorithm>
#include <numeric>

#include "core/model/capture_time.h"
#include "core/model/image_index.h"

namespace mosavelle {

namespace {

template <class Lookup>
const SourceImage* firstSlotPicture(const Slide& slide, const Lookup& lookup) {
    if (slide.slots.empty() || !slide.slots.front().imageID)
        return nullptr;
    return lookup(*slide.slots.front().imageID);
}

template <class Lookup>
std::string nameKey(const Slide& slide, const Lookup& lookup) {
    if (!slide.title.empty())
        return slide.title;
    if (const SourceImage* picture = firstSlotPicture(slide, lookup))
        return picture->originalFileName;
    return slide.id.text();
}

template <class Lookup>
std::optional<Timestamp> dateKey(const Slide& slide, const Lookup& lookup, const Project& project) {
    if (const SourceImage* picture = firstSlotPicture(slide, lookup))
        if (auto time = correctedCaptureTime(*picture, project))
            return time->instant;
    return std::nullopt;
}

}  // namespace

std::string filenameSortKey(const Slide& slide, const Project& project) {
    return nameKey(slide, [&](const Uuid& id) { return project.sourceImage(id); });
}

std::optional<Timestamp> captureDateSortKey(const Slide& slide, const Project& project) {
    return dateKey(
        slide, [&](const Uuid& id) { return project.sourceImage(id); }, project);
}

namespace {

// The deck order `project.sort` asks for, as positions into `project.slides`. Name keys are built
// once per slide, and for the date orders only for slides whose dates tie.
std::vector<std::size_t> sortedOrder(const Project& project) {
    const std::size_t count = project.slides.size();
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    if (project.sort == SortMode::manual)
        return order;

    const ImageIndex index(project.images);
    const auto lookup = [&](const Uuid& id) { return index.find(id); };
    std::vector<std::optional<FileNameKey>> names(count);
    const auto name = [&](std::size_t i) -> const FileNameKey& {
        if (!names[i])
            names[i].emplace(nameKey(project.slides[i], lookup));
        return *names[i];
    };
    std::vector<std::optional<Timestamp>> dates;
    if (project.sort == SortMode::captureDate || project.sort == SortMode::reverseCaptureDate) {
        dates.reserve(count);
        for (const auto& slide : project.slides)
            dates.push_back(dateKey(slide, lookup, project));
    } else {
        for (std::size_t i = 0; i < count; ++i)
            name(i);
    }

    const auto byDate = [&](bool forward) {
        return [&, forward](std::size_t a, std::size_t b) {
            const auto& da = dates[a];
            const auto& db = dates[b];
            if (da && db && *da != *db)
                return forward ? *da < *db : *da > *db;
            if (da.has_value() != db.has_value())
                return da.has_value();
            return name(a) < name(b);
        };
    };
    switch (project.sort) {
        case SortMode::manual:
            break;
        case SortMode::filename:
            std::stable_sort(order.begin(), order.end(),
                             [&](std::size_t a, std::size_t b) { return name(a) < name(b); });
            break;
        case SortMode::reverseFilename:
            std::stable_sort(order.begin(), order.end(),
                             [&](std::size_t a, std::size_t b) { return name(b) < name(a); });
            break;
        case SortMode::captureDate:
            std::stable_sort(order.begin(), order.end(), byDate(true));
            break;
        case SortMode::reverseCaptureDate:
            std::stable_sort(order.begin(), order.end(), byDate(false));
            break;
    }
    return order;
}

}  // namespace

std::vector<Slide> sortedSlides(const Project& project) {
    std::vector<Slide> out;
    out.reserve(project.slides.size());
    for (std::size_t i : sortedOrder(project))
        out.push_back(project.slides[i]);
    return out;
}

void sortSlides(Project& project) {
    if (project.sort == SortMode::manual)
        return;
    project.slides.permute(sortedOrder(project));
}

}  // namespace mosavelle
