#include "core/model/capture_time.h"

#include <chrono>

namespace mosavelle {

namespace {

// "Lisboa, Portugal", either alone, or nothing.
std::string placeOf(const PictureMetadata& metadata) {
    std::string place = metadata.city.value_or("");
    if (metadata.country)
        place += (place.empty() ? "" : ", ") + *metadata.country;
    return place;
}

}  // namespace

CaptureFacts captureFacts(const SourceImage& image) {
    const PictureMetadata& metadata = image.metadata;
    CaptureFacts facts;
    facts.localTime = image.captureDate;
    if (metadata.captured)
        facts.utcOffsetMinutes = metadata.captured->utcOffsetMinutes;
    facts.camera = {metadata.cameraMake.value_or(""), metadata.cameraModel.value_or(""),
                    metadata.bodySerialNumber.value_or("")};
    facts.place = placeOf(metadata);
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
