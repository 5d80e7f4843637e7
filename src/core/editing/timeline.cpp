#include "core/editing/timeline.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include "core/editing/caption_text.h"
#include "core/editing/ordering.h"
#include "core/model/capture_time.h"
#include "core/model/edit_step.h"
#include "core/model/image_index.h"

namespace mosavelle {

namespace {

// The picture in a slide's first slot, with its corrected capture time.
struct Shot {
    std::size_t position = 0;
    CaptureTime time;
    CaptureFacts facts;
};

template <class Lookup>
std::optional<Shot> shotAt(const Project& project, std::size_t position, const Lookup& lookup) {
    const Slide& slide = project.slides[position];
    if (slide.slots.empty() || !slide.slots.front().imageID)
        return std::nullopt;
    const SourceImage* image = lookup(*slide.slots.front().imageID);
    if (image == nullptr)
        return std::nullopt;
    auto time = correctedCaptureTime(*image, project);
    if (!time)
        return std::nullopt;
    return Shot{position, *time, captureFacts(*image)};
}

// The two shots in deck order, when they can be aligned.
std::optional<std::pair<Shot, Shot>> alignablePair(const Project& project, const Uuid& a,
                                                   const Uuid& b) {
    const auto lookup = [&](const Uuid& id) { return project.sourceImage(id); };
    const auto pa = slidePosition(project.slides, a);
    const auto pb = slidePosition(project.slides, b);
    if (!pa || !pb || *pa == *pb)
        return std::nullopt;
    auto first = shotAt(project, std::min(*pa, *pb), lookup);
    auto second = shotAt(project, std::max(*pa, *pb), lookup);
    if (!first || !second || !second->facts.camera.isKnown() ||
        first->facts.camera == second->facts.camera)
        return std::nullopt;
    return std::pair{std::move(*first), std::move(*second)};
}

void setClockOffset(Project& project, const CameraIdentity& camera, std::int64_t seconds) {
    auto& clocks = project.cameraClocks;
    auto found = std::find_if(clocks.begin(), clocks.end(),
                              [&](const CameraClock& c) { return c.camera == camera; });
    if (seconds == 0) {
        if (found != clocks.end())
            clocks.erase(found);
    } else if (found != clocks.end()) {
        found->offsetSeconds = seconds;
    } else {
        clocks.push_back(CameraClock{camera, seconds});
    }
}

bool isDateOrder(SortMode mode) {
    return mode == SortMode::captureDate || mode == SortMode::reverseCaptureDate;
}

bool startsNewPart(const Shot& before, const Shot& after, const TimeGapRule& rule) {
    using std::chrono::floor;
    if (rule.eachDay)
        return floor<std::chrono::days>(before.time.local) !=
               floor<std::chrono::days>(after.time.local);
    return after.time.instant - before.time.instant > rule.gap;
}

}  // namespace

std::optional<ClockAlignment> cameraClockAlignment(const Project& project, const Uuid& a,
                                                   const Uuid& b) {
    auto pair = alignablePair(project, a, b);
    if (!pair)
        return std::nullopt;
    const auto& [reference, other] = *pair;
    return ClockAlignment{other.facts.camera,
                          (reference.time.instant - other.time.instant).count()};
}

void alignCameraClocks(MosavelleDocument& document, const Uuid& a, const Uuid& b) {
    const auto alignment = cameraClockAlignment(document.project(), a, b);
    if (!alignment || alignment->correctionSeconds == 0)
        return;
    Project project = document.project();
    setClockOffset(project, alignment->camera,
                   project.clockOffset(alignment->camera) + alignment->correctionSeconds);
    if (isDateOrder(project.sort))
        sortSlides(project);
    document.changeProject(std::move(project), stepName(EditStep::alignCameraClocks));
}

std::string sectionTitle(Timestamp localTime, std::string_view place, std::string_view locale) {
    const icu::Locale where =
        locale.empty() ? icu::Locale::getDefault() : icu::Locale(std::string(locale).c_str());
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateInstance(icu::DateFormat::kLong, where));
    std::string out;
    if (format) {
        // The local reading is kept as if it were UTC; formatting it in UTC shows it unchanged.
        format->adoptTimeZone(icu::TimeZone::createTimeZone("Etc/UTC"));
        icu::UnicodeString text;
        format->format(static_cast<UDate>(localTime.time_since_epoch().count()) * 1000.0, text);
        text.toUTF8String(out);
    }
    if (out.empty())
        out = formatInternetDate(localTime).substr(0, 10);
    if (!place.empty())
        out += " \u2013 " + std::string(place);
    return out;
}

void insertSectionsAtTimeGaps(MosavelleDocument& document, const TimeGapRule& rule,
                              std::string_view locale) {
    Project project = document.project();
    project.sort = SortMode::captureDate;
    sortSlides(project);

    const ImageIndex index(project.images);
    const auto lookup = [&](const Uuid& id) { return index.find(id); };
    std::vector<Shot> shots;
    for (std::size_t i = 0; i < project.slides.size(); ++i)
        if (project.slides[i].layout != SlideLayoutKind::section)
            if (auto shot = shotAt(project, i, lookup))
                shots.push_back(std::move(*shot));
    if (shots.empty())
        return;

    // The title of the divider before each part, by the position of the part's first slide.
    std::unordered_map<std::size_t, std::string> dividers;
    std::unordered_set<std::string> titles;
    for (std::size_t start = 0; start < shots.size();) {
        std::size_t end = start + 1;
        while (end < shots.size() && !startsNewPart(shots[end - 1], shots[end], rule))
            ++end;
        std::string place;
        for (std::size_t k = start; k < end && place.empty(); ++k)
            place = shots[k].facts.place;
        std::string title = sectionTitle(shots[start].time.local, place, locale);
        titles.insert(title);
        dividers.emplace(shots[start].position, std::move(title));
        start = end;
    }

    // Dividers of an earlier run are taken out and put back where their part now starts, the
    // same slides again, so that a second run changes nothing.
    std::unordered_map<std::string, std::deque<SlideList::Handle>> earlier;  // in deck order
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < project.slides.size(); ++i) {
        const Slide& slide = project.slides[i];
        if (slide.layout == SlideLayoutKind::section && slide.notes.empty() &&
            titles.contains(slide.title))
            earlier[slide.title].push_back(project.slides.handle(i));
        else
            kept.push_back(i);
    }
    SlideList slides;
    slides.reserve(kept.size() + dividers.size());
    for (std::size_t i : kept) {
        if (auto divider = dividers.find(i); divider != dividers.end()) {
            if (auto& reused = earlier[divider->second]; !reused.empty()) {
                slides.push_back(reused.front());
                reused.pop_front();
            } else {
                Slide section = sectionDividerSlide();
                section.title = divider->second;
                slides.push_back(std::move(section));
            }
        }
        slides.push_back(project.slides.handle(i));
    }
    project.slides = std::move(slides);
    renumberDefaultTitles(project);
    document.changeProject(std::move(project), stepName(EditStep::insertSectionsAtTimeGaps));
}

}  // namespace mosavelle
