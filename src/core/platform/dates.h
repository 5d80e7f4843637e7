#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace mosavelle {

using Timestamp = std::chrono::sys_seconds;

// The ISO 8601 internet date-time in UTC with whole seconds: "2024-05-01T12:30:00Z".
std::string formatInternetDate(Timestamp time);

// Strict reader for exactly the form `formatInternetDate` writes: fractional seconds, other
// zones, missing fields or out-of-range fields give nothing.
std::optional<Timestamp> parseInternetDate(std::string_view text);

}  // namespace mosavelle
