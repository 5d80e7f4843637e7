#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "core/platform/dates.h"
#include "core/platform/uuid.h"

namespace mosavelle {
namespace {

TEST(Uuid, RandomIsUniqueVersion4AndParsesOnlyTheCanonicalFormInEitherCase) {
    std::set<Uuid> seen;
    const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    for (int i = 0; i < 200; ++i) {
        auto id = Uuid::random();
        EXPECT_TRUE(std::regex_match(id.text(), form)) << id.text();
        EXPECT_TRUE(seen.insert(id).second);
    }
    auto lower = Uuid::parse("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->text(), "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");
    for (const char* bad :
         {"", "0A1B2C3D4E5F4A6B8C7D9E0F1A2B3C4D", "{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}",
          "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4", "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4DD",
          "0A1B2C3D-4E5F-4A6B-8C7D_9E0F1A2B3C4D", "0G1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
          " 0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4"}) {
        EXPECT_FALSE(Uuid::parse(bad)) << bad;
    }
}

TEST(InternetDate, RoundTripsUtcWholeSecondsAndRejectsEveryOtherForm) {
    using namespace std::chrono;
    Timestamp before1970 = sys_days{1969y / December / 31} + 23h + 59min + 59s;
    EXPECT_EQ(formatInternetDate(before1970), "1969-12-31T23:59:59Z");
    EXPECT_EQ(parseInternetDate("1969-12-31T23:59:59Z"), before1970);
    for (const char* bad :
         {"2024-05-01T12:30:00.5Z", "2024-05-01T12:30:00+02:00", "2024-05-01T12:30:00",
          "2024-05-01 12:30:00Z", "2024-02-30T12:30:00Z", "2024-05-01T24:00:00Z",
          "2024-05-01T12:60:00Z", "2024-05-01t12:30:00z", "+024-05-01T12:30:00Z", ""}) {
        EXPECT_FALSE(parseInternetDate(bad)) << bad;
    }
}

}  // namespace
}  // namespace mosavelle
