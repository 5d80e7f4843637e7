#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mosavelle {

// When a picture was taken, as the camera's clock showed it.
struct CaptureMoment {
    std::string localTime;  // "yyyy-MM-ddTHH:mm:ss", the camera's wall-clock time
    // The camera's offset from UTC in minutes (east positive), when the file states it.
    std::optional<std::int32_t> utcOffsetMinutes;
    friend bool operator==(const CaptureMoment&, const CaptureMoment&) = default;
};

// A place on Earth in decimal degrees (north and east positive).
struct GeoPosition {
    double latitude = 0;
    double longitude = 0;
    friend bool operator==(const GeoPosition&, const GeoPosition&) = default;
};

// What a picture's own metadata says about it, read once at import and kept with its record so
// that the deck keeps it when the file goes. Every text is cleaned, single-line UTF-8 and never
// empty when present; absent members were not found.
struct PictureMetadata {
    std::optional<std::string> title;
    std::optional<std::string> description;
    std::vector<std::string> keywords;
    std::optional<std::string> city;
    std::optional<std::string> country;
    std::optional<std::string> artist;
    std::optional<CaptureMoment> captured;
    std::optional<std::string> cameraMake;
    std::optional<std::string> cameraModel;
    std::optional<std::string> bodySerialNumber;
    std::optional<GeoPosition> position;

    bool empty() const { return *this == PictureMetadata{}; }
    friend bool operator==(const PictureMetadata&, const PictureMetadata&) = default;
};

}  // namespace mosavelle
