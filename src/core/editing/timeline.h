#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/model/document.h"
#include "core/model/project.h"

namespace mosavelle {

// The deck as the day's timeline: camera clocks put right, and sections where time jumps.
// Capture times are those of `correctedCaptureTime` (capture_time.h). Interface thread only.

// What aligning the clocks of the cameras of slides `a` and `b` would do: correct the clock of
// `camera` (that of the later slide in deck order) by `correctionSeconds` more, so that both
// pictures read the same moment. Nothing unless both slides show a picture with a capture time
// in their first slot and the pictures come from two different cameras, the second one known by
// make, model or serial.
struct ClockAlignment {
    CameraIdentity camera;
    std::int64_t correctionSeconds = 0;
    friend bool operator==(const ClockAlignment&, const ClockAlignment&) = default;
};
std::optional<ClockAlignment> cameraClockAlignment(const Project& project, const Uuid& a,
                                                   const Uuid& b);

// Corrects the clock of the camera that took the picture of the later of the two slides (in deck
// order) so that it reads the same moment as the other one. The correction is kept in the deck
// per camera and applies to every picture of that camera, those imported later too. A deck sorted
// by capture date is sorted again. One undo step, "Align Camera Clocks"; nothing when
// `cameraClockAlignment` gives nothing or the clocks agree already.
void alignCameraClocks(MosavelleDocument& document, const Uuid& a, const Uuid& b);

// Where a deck splits into parts: where neighbouring pictures lie more than `gap` apart, or where
// the calendar day of their local capture time changes.
struct TimeGapRule {
    bool eachDay = false;
    std::chrono::seconds gap = std::chrono::hours(2);
};

// The title of the divider of a part that starts at `localTime`: the date in the long form of
// `locale` (an ICU locale name such as "de_DE"; empty for the process's default), followed by
// " – " and `place` when there is one.
std::string sectionTitle(Timestamp localTime, std::string_view place, std::string_view locale);

// Sorts the deck by capture date and puts a section divider before each part `rule` finds, the
// first one included, titled by `sectionTitle` after the part's first picture (and the first
// place one of its pictures names). Dividers left by an earlier run (section slides without notes
// whose title is one of the titles this run gives) are taken out first, so that running it again
// adds no duplicates. Slides without a capture time stay last and start no part. One undo step,
// "Insert Sections at Time Gaps"; nothing when the deck has no dated picture.
void insertSectionsAtTimeGaps(MosavelleDocument& document, const TimeGapRule& rule,
                              std::string_view locale);

}  // namespace mosavelle
