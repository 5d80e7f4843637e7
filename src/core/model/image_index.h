#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "core/model/project.h"
#include "core/platform/uuid.h"

namespace mosavelle {

// A lookup of a deck's pictures by identifier, built once so that laying out a whole deck costs
// slides × log(pictures) instead of slides × pictures. `find` answers exactly as
// `Project::sourceImage`: the first picture in list order with that identifier, or null.
//
// The index points into the list it was built from: it is valid only while that list is neither
// changed nor destroyed. Building costs O(n log n) and one allocation; `find` allocates nothing.
// Immutable once built, so several threads may share it.
class ImageIndex {
public:
    explicit ImageIndex(const ImageList& images);
    // The index would point into a temporary.
    explicit ImageIndex(ImageList&&) = delete;

    const SourceImage* find(const Uuid& id) const;
    std::size_t size() const { return entries_.size(); }

private:
    // Sorted by identifier; one entry per distinct identifier.
    std::vector<std::pair<Uuid, const SourceImage*>> entries_;
};

}  // namespace mosavelle
