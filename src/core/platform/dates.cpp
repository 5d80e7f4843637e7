#include "core/platform/dates.h"

#include <cstdio>

namespace mosavelle {

std::string formatInternetDate(Timestamp time) {
    using namespace std::chrono;
    const auto day = floor<days>(time);
    const year_month_day ymd{day};
    const hh_mm_ss hms{time - day};
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(ymd.year()),
                  unsigned(ymd.month()), unsigned(ymd.day()), int(hms.hours().count()),
                  int(hms.minutes().count()), int(hms.seconds().count()));
    return buffer;
}

std::optional<CivilTime> readCivilTime(std::string_view text, std::string_view pattern) {
    if (text.size() != pattern.size())
        return std::nullopt;
    CivilTime time;
    // Each field is the run of its letter in the pattern; digits are added one at a time.
    constexpr std::string_view letters = "yMdHms";
    int* const fields[] = {&time.year, &time.month,  &time.day,
                           &time.hour, &time.minute, &time.second};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const auto field = letters.find(pattern[i]); field != std::string_view::npos) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            *fields[field] = *fields[field] * 10 + (text[i] - '0');
        } else if (text[i] != pattern[i]) {
            return std::nullopt;
        }
    }
    using namespace std::chrono;
    const year_month_day date{year{time.year}, month{unsigned(time.month)},
                              day{unsigned(time.day)}};
    if (!date.ok() || time.hour > 23 || time.minute > 59 || time.second > 59)
        return std::nullopt;
    return time;
}

std::optional<Timestamp> parseInternetDate(std::string_view text) {
    using namespace std::chrono;
    const auto time = readCivilTime(text, "yyyy-MM-ddTHH:mm:ssZ");
    if (!time)
        return std::nullopt;
    return sys_days{year{time->year} / month{unsigned(time->month)} / day{unsigned(time->day)}} +
           hours{time->hour} + minutes{time->minute} + seconds{time->second};
}

}  // namespace mosavelle
