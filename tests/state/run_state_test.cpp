#include "state/run_state.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(RunState, StartsZeroAndArraysAreFirstIndexFastest) {
  // Static storage is zero at program start.
  for (int l = 1; l <= MAXL; ++l)
    for (int k = 1; k <= MAXK; ++k) ASSERT_EQ(stor.HFAC(k, l), 0.0f);
  EXPECT_EQ(expd.NL, 0);

  stor.HFAC(2, 1) = 1.0f;
  stor.HFAC(1, 2) = 2.0f;
  EXPECT_EQ(stor.HFAC.data()[1], 1.0f);
  EXPECT_EQ(stor.HFAC.data()[51], 2.0f);
  stor.RMAT(1, 2, 3) = 5.0f;
  EXPECT_EQ(stor.RMAT.data()[2 + 4 * 2], 5.0f);

  // Copying 1020 words copies exactly the whole H-factor table.
  std::memcpy(conti.HSAVE.data(), stor.HFAC.data(), 1020 * sizeof(float));
  EXPECT_EQ(conti.HSAVE(2, 1), 1.0f);
  EXPECT_EQ(conti.HSAVE(1, 2), 2.0f);
  EXPECT_EQ(sizeof stor.HFAC, 1020 * sizeof(float));
  reset_run_state();
  EXPECT_EQ(stor.HFAC(2, 1), 0.0f);
}

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
