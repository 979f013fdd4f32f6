#include "device/sys/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Calendar time of a UTC date, read back through ctime in the UTC zone.
std::time_t utc(int year, int mon, int day, int h, int m, int s) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = mon - 1;
  t.tm_mday = day;
  t.tm_hour = h;
  t.tm_min = m;
  t.tm_sec = s;
  return timegm(&t);
}

class Clock : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

// The time keeps its leading zeros; the date is day-month-two-digit-year,
// filled with NULs to ten characters and nothing past them.
TEST_F(Clock, TimeAndDate) {
  char text[12];
  std::memset(text, 'x', sizeof text);
  mytime_at(utc(2026, 12, 5, 0, 0, 5), text);
  EXPECT_EQ(std::string(text, 9), std::string("00:00:05\0", 9));
  mydate_at(utc(2026, 12, 5, 12, 0, 0), text);
  EXPECT_EQ(std::string(text, 11), std::string("5-Dec-26\0\0x", 11));
  mydate_at(utc(1993, 6, 30, 12, 0, 0), text);
  EXPECT_EQ(std::string(text, 10), std::string("30-Jun-93\0", 10));
}

TEST(Random, SeedRepeatsTheSequenceAndStaysInRange) {
  float a[20], b[20];
  seed(1);
  for (float& r : a) random(r);
  seed(1);
  for (float& r : b) random(r);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(a[i], b[i]);
    EXPECT_GE(a[i], 0.0f);
    EXPECT_LE(a[i], 1.0f);
  }
}

}  // namespace
