#include "core/model/image_index.h"

#include <algorithm>

namespace mosavelle {

ImageIndex::ImageIndex(const ImageList& images) {
    entries_.reserve(images.size());
    for (const SourceImage& image : images)
        entries_.emplace_back(image.id, &image);
    // A stable sort keeps pictures that share an identifier in list order, so `unique` keeps the
    // first of them, as `Project::sourceImage` finds it.
    const auto byID = [](const auto& a, const auto& b) { return a.first < b.first; };
    std::stable_sort(entries_.begin(), entries_.end(), byID);
    const auto sameID = [](const auto& a, const auto& b) { return a.first == b.first; };
    entries_.erase(std::unique(entries_.begin(), entries_.end(), sameID), entries_.end());
}

const SourceImage* ImageIndex::find(const Uuid& id) const {
    const auto it =
        std::lower_bound(entries_.begin(), entries_.end(), id,
                         [](const auto& entry, const Uuid& key) { return entry.first < key; });
    return it != entries_.end() && it->first == id ? it->second : nullptr;
}

}  // namespace mosavelle
