#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "http/HttpDate.h"

namespace mediaconv::http {
namespace {

// Local time is universal time in these tests unless a case says otherwise.
class THttpDateTest : public ::testing::Test {
 protected:
  void SetUp() override { SetZone("UTC0"); }
  void TearDown() override { SetZone(saved_.empty() ? nullptr : saved_.c_str()); }

  void SetZone(const char* zone) {
    if (zone)
      setenv("TZ", zone, 1);
    else
      unsetenv("TZ");
    tzset();
  }

  std::string saved_ = std::getenv("TZ") ? std::getenv("TZ") : "";
};

TDateTime Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  TDateTime result = 0;
  EXPECT_TRUE(EncodeDateTime(year, month, day, hour, minute, second, result));
  return result;
}

struct TDateCase {
  const char* text;
  TDateTime expected;
};

TEST_F(THttpDateTest, ParsesTheThreeFormsAndZoneOffsets) {
  const TDateTime oneHour = 1.0 / 24;
  const TDateCase cases[] = {
      {"Sun, 06 Nov 1994 08:49:37 GMT", Date(1994, 11, 6, 8, 49, 37)},   // RFC 1123
      {"Sunday, 06-Nov-94 08:49:37 GMT", Date(1994, 11, 6, 8, 49, 37)},  // RFC 850
      {"Sun Nov  6 08:49:37 1994", Date(1994, 11, 6, 8, 49, 37)},        // asctime
      {"  sun, 06 nov 1994 08:49:37 gmt  ", Date(1994, 11, 6, 8, 49, 37)},
      {"Thu, 01-Jan-70 00:00:00 GMT", Date(2070, 1, 1)},  // two-digit years below 80 are this century
      {"Mon, 01 Jan 2024 10:00:00 +0200", Date(2024, 1, 1, 10) - 2 * oneHour},
      {"Mon, 01 Jan 2024 10:00:00 -0130", Date(2024, 1, 1, 10) + 1.5 * oneHour},
      {"Mon, 01 Jan 2024 10:00:00 +02x0", Date(2024, 1, 1, 10)},  // an offset that does not parse counts 0
      {"Mon, 01 Jan 2024 10:00:00 CET", Date(2024, 1, 1, 10)},    // a zone name has no effect
      {"01 Jan 2024", Date(2024, 1, 1)},                          // no time
      {"Mon, xx Jan 2024 10:00:00 GMT", Date(2024, 1, 1, 10)},    // a day that is no number is 1
      {"Mon, 01 Jan 2024 10:00 GMT", Date(2024, 1, 1, 10)},       // seconds missing
      {"", 0},
      {"   ", 0},
      {"Mon, 01 Foo 2024 10:00:00 GMT", 0},  // no month
      {"Mon, 31 Feb 2024 10:00:00 GMT", 0},  // no such day
      {"Mon, 01 Jan 2024 25:00:00 GMT", 0},  // no such hour
      {"Mon, 01 Jan 2024 1a:00:00 GMT", 0},
      {"Monday", 0},
  };
  for (const TDateCase& row : cases)
    EXPECT_NEAR(HttpDateToDateTime(row.text), row.expected, 1e-9) << row.text;
}

TEST_F(THttpDateTest, ResultIsInLocalTime) {
  SetZone("XYZ-3");  // three hours ahead of universal time, no summer time
  EXPECT_NEAR(HttpDateToDateTime("Sun, 06 Nov 1994 08:49:37 GMT"), Date(1994, 11, 6, 11, 49, 37), 1e-9);
}

TEST(GmtOffsetTest, SignedHoursAndMinutes) {
  EXPECT_NEAR(GmtOffsetStrToDateTime("+0100"), 1.0 / 24, 1e-12);
  EXPECT_NEAR(GmtOffsetStrToDateTime("-0530"), -(5.5 / 24), 1e-12);
  EXPECT_EQ(GmtOffsetStrToDateTime("0100"), 0);
  EXPECT_EQ(GmtOffsetStrToDateTime("+01"), 0);
  EXPECT_EQ(GmtOffsetStrToDateTime("+ab00"), 0);
}

}  // namespace
}  // namespace mediaconv::http
