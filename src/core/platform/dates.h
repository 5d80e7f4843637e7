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

// A date and time of day in the proleptic Gregorian calendar, without a zone.
struct CivilTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Reads `text` laid out exactly as `pattern`, in which "yyyy", "MM", "dd", "HH", "mm" and "ss"
// stand for the digits of each field and every other character stands for itself. Nothing when a
// character differs or a field is out of range: a month from 1 to 12, a day of that month
// (leap years included), an hour to 23, a minute and a second to 59.
std::optional<CivilTime> readCivilTime(std::string_view text, std::string_view pattern);

}  // namespace mosavelle
