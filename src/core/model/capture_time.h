#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/model/project.h"
#include "core/platform/dates.h"

namespace mosavelle {

// When a picture was taken, as the deck's timeline sees it.

// What a picture's record says about its capture.
struct CaptureFacts {
    std::optional<Timestamp> localTime;            // the camera's clock reading, as if UTC
    std::optional<std::int32_t> utcOffsetMinutes;  // the zone the camera recorded, when it did
    CameraIdentity camera;
    std::string place;  // empty when the picture names none
};

CaptureFacts captureFacts(const SourceImage& image);

struct CaptureTime {
    // The true moment when the picture names its zone; else the local reading, as if UTC, so that
    // pictures without a zone compare among themselves by their clocks.
    Timestamp instant;
    // The local clock reading, the camera's correction applied: what a calendar day is judged by.
    Timestamp local;
    friend bool operator==(const CaptureTime&, const CaptureTime&) = default;
};

// The capture time of `image` with the deck's correction of its camera's clock; nothing for a
// picture without a capture time.
std::optional<CaptureTime> correctedCaptureTime(const SourceImage& image, const Project& project);

}  // namespace mosavelle
