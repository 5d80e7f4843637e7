#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/import/file_names.h"  // compareFileNames, FileNameKey
#include "core/model/project.h"

namespace mosavelle {

// The deck orders of `SortMode`. Pure functions of the project; nothing here changes a deck.

// The text a slide sorts by under the name orders, the first that applies: its title when not
// empty (untrimmed, so a title of spaces counts), else the original file name of the picture in
// its first slot when that slot names a picture of the project (later slots are never looked at),
// else the text form of the slide's identifier.
std::string filenameSortKey(const Slide& slide, const Project& project);

// The capture moment of the picture in the slide's first slot, its zone and the deck's correction
// of its camera's clock applied (`correctedCaptureTime`); absent when there is no first slot, it
// is empty, its picture is not in the project or has no date.
std::optional<Timestamp> captureDateSortKey(const Slide& slide, const Project& project);

// The deck's slides in the order `project.sort` asks for. `manual` keeps the deck order; the name
// orders compare `filenameSortKey` with `compareFileNames` (descending for `reverseFilename`);
// the date orders put dated slides first by date (latest first when reversed), undated slides
// last in both directions, and break ties (same instant, or both undated) by name ascending in
// both directions. Stable: slides the rule does not order keep their relative order.
// O(n log n) comparisons; each slide's keys are built once.
std::vector<Slide> sortedSlides(const Project& project);

// Replaces `project.slides` by `sortedSlides(project)`, moving rather than copying the slides.
void sortSlides(Project& project);

// sortSlides for a deck whose first `sortedCount` slides are in that order already (as sortSlides
// left them) and whose later slides were added after them: gives the same order with
// O(added × log n) comparisons and key builds, plus O(n) to rearrange the list, instead of
// building every slide's keys.
void sortAppendedSlides(Project& project, std::size_t sortedCount);

}  // namespace mosavelle
