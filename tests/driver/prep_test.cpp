#include "driver/prep.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver/run_state.h"
#include "driver/test_sources.h"
#include "tests/support/temp_dir.h"

namespace {

// Makes `text` the terminal input (again before every child: it reads the
// same open file).
void answers(const std::string& text) {
  kalo_test::enter_temp_dir();
  kalo_test::feed_stdin(text);
}

// Two profiles of weighted areas 12 and 24 (end samples count half, the -3
// not at all) and two transfer matrices, the second of determinant 3.
void two_profiles() {
  reset_run_state();
  trol.TITLE = "Two spikes";
  expd.NK = 51, expd.NL = 2, expd.LREF = 1, expd.STEP = 0.02f;
  expd.SMID(1) = expd.SMID(2) = 0.5f;
  expd.PR(1, 1) = 4, expd.PR(5, 1) = -3, expd.PR(11, 1) = 10;
  expd.PR(31, 2) = 20, expd.PR(51, 2) = 8;
  stor.RMAT(1, 1, 1) = stor.RMAT(2, 2, 1) = 1;
  stor.RMAT(1, 1, 2) = 2, stor.RMAT(1, 2, 2) = 1, stor.RMAT(2, 1, 2) = 0, stor.RMAT(2, 2, 2) = 1.5f;
}

TEST(NoiseReduction, RemovesEverythingBeyondTheZerosNearestThePeak) {
  const std::vector<float> cases[][2] = {
      {{0, 0, 5, 0, 2, 9, 4, 0, 0, 1, 3, 0}, {0, 0, 0, 0, 2, 9, 4, 0, 0, 0, 0, 0}},
      {{0, 3, 0, 3, 0}, {0, 3, 0, 0, 0}},  // the first maximum is the peak
      {{0, 0, 0}, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    expd.NK = int(c[0].size()), expd.NL = 1;
    std::copy(c[0].begin(), c[0].end(), &expd.PR(1, 1));
    noisered();
    EXPECT_EQ(std::vector<float>(&expd.PR(1, 1), &expd.PR(1, 1) + expd.NK), c[1]);
  }
}

TEST(Prep, ScalesToTheReferenceAreaAndInvertsTheMatrices) {
  two_profiles();
  trol.ICEN = 2;
  answers("N\n\n");
  prep();
  EXPECT_EQ(expd.PR(5, 1), 0.0f);
  EXPECT_EQ(expd.PR(31, 2), 10.0f);  // scaled by 12/24
  EXPECT_FLOAT_EQ(stor.SCEN(2), (0.6f * 10 + 1.0f * 2) / 12);
  EXPECT_EQ(stor.SREF(2), stor.SCEN(2));
  EXPECT_FLOAT_EQ(stor.RINV(1, 2, 2), -1.0f / 3);
  EXPECT_FLOAT_EQ(pint.AMAT(1, 2), 0.5f);  // first row of RMAT(i) RINV(j)
  EXPECT_FLOAT_EQ(pint.BMAT(2, 1), 1.0f);
  EXPECT_EQ(stor.HFAC(51, 2), 1.0f);
}

// For the test sources every SREF is mid-window and the fitted centre is
// the centre of mass of the density.
TEST(Prep, TestSourcesAreCentredOnTheirDensity) {
  for (auto [ntest, x, y] : {std::tuple{1, 0.05f, 0.0f}, {3, -0.031f, 0.0124f}}) {
    trol.NTEST = ntest;
    setp();
    answers("\n\n");
    prep();
    for (int l = 1; l <= 3; ++l) EXPECT_EQ(stor.SREF(l), 0.5f);
    EXPECT_NEAR(stor.XCEN, x, 0.002);
    EXPECT_NEAR(stor.YCEN, y, 0.002);
  }
}

TEST(Prep, UnusableDataOrEndOfInputEndTheRun) {
  two_profiles();
  for (const char* input : {"", "N\n"}) {
    answers(input);
    EXPECT_EXIT(prep(), testing::ExitedWithCode(0), "");
  }
  expd.PR(31, 2) = expd.PR(51, 2) = 0;
  answers("N\n\n");
  EXPECT_EXIT({ dup2(2, 1); prep(); }, testing::ExitedWithCode(1),
              " Profile 2 has zero area: it cannot be normalised\n$");
  expd.PR(1, 1) = expd.PR(11, 1) = 0;
  answers("N\n\n");
  EXPECT_EXIT({ dup2(2, 1); prep(); }, testing::ExitedWithCode(1),
              " Profile 1 \\(the reference profile\\) has zero area");
  two_profiles();
  stor.RMAT(2, 1, 2) = 3;
  answers("N\n\n");
  EXPECT_EXIT({ dup2(2, 1); prep(); }, testing::ExitedWithCode(1),
              " The transfer matrix of profile 2 is singular \\(determinant 0\\)");
}

// Mantissa of factor i (from 0, profile after profile) in a generated
// HFAC.DAT: factor k of profile l is (123 + k + 10 l)/100.
int mantissa(int i) { return 124 + i % 51 + 10 * (i / 51 + 1); }

std::string hfac_file(int nl, const char* title) {
  char field[100];
  std::snprintf(field, sizeof field, "%3d%-80s\n", nl, title);
  std::string text = field;
  for (int i = 0; i < 51 * nl; ++i) {
    int k = i % 51 + 1;
    std::snprintf(field, sizeof field, "  0.%dE+01%s", mantissa(i), k % 7 && k < 51 ? "" : "\n");
    text += field;
  }
  return text;
}

TEST(Prep, StartFactorsFromTheAnswerAndTheFile) {
  const std::string good = hfac_file(2, "Two spikes");
  const struct {
    const char* input;
    std::string file;
    bool loaded;
  } cases[] = {
      {"\n", good, false}, {"f\n", good, false}, {"Fyz\n", good, true},
      {"F\n", hfac_file(3, "Two spikes"), false},
      {"F\n", hfac_file(2, "Two"), false},
      {"F\n", good.substr(0, good.size() - 23), false},  // a line short
      {"F\n", good.substr(0, 90) + "1x3" + good.substr(93), false},
      {"F\n", "abc" + good.substr(3), false},
  };
  for (const auto& c : cases) {
    two_profiles();
    stor.HFAC(1, 3) = 7;
    std::ofstream("HFAC.DAT") << c.file;
    answers(c.input);
    testing::internal::CaptureStdout();
    prep2();
    std::string out = testing::internal::GetCapturedStdout();
    // Every file that does not fit or cannot be read is reported.
    bool told = out.find(" HFAC.DAT not found, taking internal values.\n") != std::string::npos;
    EXPECT_EQ(told, c.input[0] == 'F' && !c.loaded) << out;
    for (int i = 0; i < 51 * 2; ++i)
      ASSERT_FLOAT_EQ(stor.HFAC.v[i], c.loaded ? mantissa(i) / 100.0f : 1.0f) << i;
    EXPECT_EQ(stor.HFAC(1, 3), 7.0f);  // a slot the run does not use
  }
}

}  // namespace
