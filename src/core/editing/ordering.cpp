#include "core/editing/ordering.h"

#include <algorithm>
#include <functional>
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

// The comparison of the deck order `project.sort` asks for, between slides by position in
// `project.slides`. Each slide's keys are built once, when first compared: name keys always, dates
// only for the date orders.
class SlideOrder {
public:
    explicit SlideOrder(const Project& project)
        : project_(project),
          index_(project.images),
          names_(project.slides.size()),
          dates_(project.slides.size()) {}

    // Whether slide `a` comes before slide `b` (a strict weak order; a stable sort keeps ties).
    bool operator()(std::size_t a, std::size_t b) const {
        switch (project_.sort) {
            case SortMode::manual:
                return false;
            case SortMode::filename:
                return name(a) < name(b);
            case SortMode::reverseFilename:
                return name(b) < name(a);
            case SortMode::captureDate:
                return byDate(a, b, true);
            case SortMode::reverseCaptureDate:
                return byDate(a, b, false);
        }
        return false;
    }

private:
    const SourceImage* lookup(const Uuid& id) const { return index_.find(id); }

    const FileNameKey& name(std::size_t i) const {
        if (!names_[i])
            names_[i].emplace(
                nameKey(project_.slides[i], [this](const Uuid& id) { return lookup(id); }));
        return *names_[i];
    }

    const std::optional<Timestamp>& date(std::size_t i) const {
        if (!dates_[i])
            dates_[i].emplace(dateKey(
                project_.slides[i], [this](const Uuid& id) { return lookup(id); }, project_));
        return *dates_[i];
    }

    bool byDate(std::size_t a, std::size_t b, bool forward) const {
        const auto& da = date(a);
        const auto& db = date(b);
        if (da && db && *da != *db)
            return forward ? *da < *db : *da > *db;
        if (da.has_value() != db.has_value())
            return da.has_value();
        return name(a) < name(b);
    }

    const Project& project_;
    const ImageIndex index_;
    mutable std::vector<std::optional<FileNameKey>> names_;
    mutable std::vector<std::optional<std::optional<Timestamp>>> dates_;
};

// The deck order `project.sort` asks for, as positions into `project.slides`.
std::vector<std::size_t> sortedOrder(const Project& project) {
    std::vector<std::size_t> order(project.slides.size());
    std::iota(order.begin(), order.end(), 0);
    if (project.sort != SortMode::manual) {
        const SlideOrder before(project);
        std::stable_sort(order.begin(), order.end(), std::cref(before));  // keys are not copied
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

void sortAppendedSlides(Project& project, std::size_t sortedCount) {
    const std::size_t count = project.slides.size();
    if (project.sort == SortMode::manual || sortedCount >= count)
        return;
    // A stable sort of sorted slides followed by others puts each of the others after every
    // slide it does not precede, those before it included: where upper_bound finds its place.
    const SlideOrder before(project);
    std::vector<std::size_t> order(sortedCount);
    std::iota(order.begin(), order.end(), 0);
    order.reserve(count);
    for (std::size_t added = sortedCount; added < count; ++added)
        order.insert(std::upper_bound(order.begin(), order.end(), added, std::cref(before)), added);
    project.slides.permute(order);
}

}  // namespace mosavelle
