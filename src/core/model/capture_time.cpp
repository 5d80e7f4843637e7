#include "core/model/capture_time.h"

#include <chrono>

namespace mosavelle {

CaptureFacts captureFacts(const SourceImage& image) {
    CaptureFacts facts;
    facts.localTime = image.captureDate;
    return facts;
}

std::optional<CaptureTime> correctedCaptureTime(const SourceImage& image, const Project& project) {
    const CaptureFacts facts = captureFacts(image);
    if (!facts.localTime)
        return std::nullopt;
    const Timestamp local =
        *facts.localTime + std::chrono::seconds(project.clockOffset(facts.camera));
    const Timestamp instant =
        facts.utcOffsetMinutes ? local - std::chrono::minutes(*facts.utcOffsetMinutes) : local;
    return CaptureTime{instant, local};
}

}  // namespace mosavelle
