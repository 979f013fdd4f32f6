#include "state/run_state.h"

#include <gtest/gtest.h>

namespace {

TEST(FixedString, PadsComparesAndTrims) {
  FString<10> s;
  s = "abc";
  EXPECT_EQ(std::string(s.c, 10), "abc       ");
  EXPECT_EQ(s.len_trim(), 3);
  EXPECT_TRUE(s == "abc");
  EXPECT_TRUE(s == "abc   ");
  EXPECT_FALSE(s == "abcd");
  EXPECT_FALSE(s == "abc        x");
  s = "0123456789xyz";  // cut to 10
  EXPECT_EQ(std::string(s.c, 10), "0123456789");
  EXPECT_EQ(s(1), '0');
  s(10) = ' ';
  EXPECT_EQ(s.trimmed(), "012345678");
  FString<4> zero{};
  EXPECT_EQ(zero.len_trim(), 0);  // a zero-filled global counts as empty
}

}  // namespace
