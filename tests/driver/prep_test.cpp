#include "driver/prep.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "state/run_state.h"
#include "tests/support/temp_dir.h"

namespace {

// Two profiles of weighted areas 12 and 24 (end samples count half, the -3
// not at all) and two transfer matrices, the second of determinant 3;
// `input` becomes the terminal input (again before every child: it reads
// the same open file).
void two_profiles(const std::string& input = "N\n\n") {
  kalo_test::enter_temp_dir();
  kalo_test::feed_stdin(input);
  reset_run_state();
  trol.TITLE = "Two spikes";
  expd.NK = 51, expd.NL = 2, expd.LREF = 1, expd.STEP = 0.02f, expd.SMID(1) = expd.SMID(2) = 0.5f;
  expd.PR(1, 1) = 4, expd.PR(5, 1) = -3, expd.PR(11, 1) = 10;
  expd.PR(31, 2) = 20, expd.PR(51, 2) = 8;
  stor.RMAT(1, 1, 1) = stor.RMAT(2, 2, 1) = 1;
  stor.RMAT(1, 1, 2) = 2, stor.RMAT(1, 2, 2) = 1, stor.RMAT(2, 1, 2) = 0, stor.RMAT(2, 2, 2) = 1.5f;
}

// Everything beyond the zeros nearest the peak goes; the first maximum is
// the peak; a profile without a positive sample stays as it is.
TEST(NoiseReduction, RemovesEverythingBeyondTheZerosNearestThePeak) {
  const std::vector<float> cases[][2] = {
      {{0, 0, 5, 0, 2, 9, 4, 0, 0, 1, 3, 0}, {0, 0, 0, 0, 2, 9, 4, 0, 0, 0, 0, 0}},
      {{0, 3, 0, 3, 0}, {0, 3, 0, 0, 0}}, {{0, 0, 0}, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    expd.NK = int(c[0].size()), expd.NL = 1;
    std::copy(c[0].begin(), c[0].end(), &expd.PR(1, 1));
    noisered();
    EXPECT_EQ(std::vector<float>(&expd.PR(1, 1), &expd.PR(1, 1) + expd.NK), c[1]);
  }
}

// The centroid of the reference profile weighs its end samples half.
TEST(Prep, ReferenceCentroidWeighsTheEndSamplesHalf) {
  two_profiles();
  expd.PR(51, 1) = 2;
  prep();
  EXPECT_FLOAT_EQ(stor.SCEN(1), 0.02f * (10 * 10 + 50 * 1) / 13);
}

// A profile of zero area (the reference one named as such) or a singular
// transfer matrix ends the run with one line naming the profile.
TEST(Prep, ZeroAreaOrSingularMatrixEndTheRun) {
  const std::pair<void (*)(), const char*> cases[] = {
      {[] { expd.PR(31, 2) = expd.PR(51, 2) = 0; },
       " Profile 2 has zero area: it cannot be normalised\n$"},
      {[] { expd.PR(1, 1) = expd.PR(11, 1) = 0; },
       " Profile 1 \\(the reference profile\\) has zero area: the profiles cannot be normalised"},
      {[] { stor.RMAT(2, 1, 2) = 3; },
       " The transfer matrix of profile 2 is singular \\(determinant 0\\): it cannot be inverted"},
  };
  for (const auto& [spoil, message] : cases) {
    two_profiles();
    spoil();
    EXPECT_EXIT({ dup2(2, 1); prep(); }, testing::ExitedWithCode(1), message);
  }
}

// An HFAC.DAT in which factor i (from 0, profile after profile) is
// (100 + i)/10, seven to a line and the last two of a profile on a line.
std::string hfac_file(int nl, std::string title) {
  title.resize(80, ' ');
  std::string text = "  " + std::to_string(nl) + title + "\n";
  for (int i = 0, k = 1; i < 51 * nl; ++i, k = k % 51 + 1)
    text += "  0." + std::to_string(100 + i) + "E+02" + (k % 7 && k < 51 ? "" : "\n");
  return text;
}

// Only "F" loads HFAC.DAT ("f" takes the internal values 1 without a
// message); a file of another NL or title, a line short, with a field or a
// header that does not convert or a factor that is not finite is refused with
// its reason before the fixed line, and the factors are 1.
TEST(Prep, StartFactorsFromTheAnswerAndTheFile) {
  const std::string good = hfac_file(2, "Two spikes");
  const std::string at = "HFAC.DAT, line ";
  const std::string values = ": expected H-factors (7E11.3), found ";
  const std::string cases[][3] = {
      {"f\n", good, ""}, {"Fyz\n", good, ""},
      {"F\n", hfac_file(3, "Two spikes"), "HFAC.DAT was written for NL = 3, this run has NL = 2"},
      {"F\n", hfac_file(2, "Two"), "HFAC.DAT was written for another title: Two"},
      {"F\n", good.substr(0, good.size() - 23), at + "16" + values + "the end of the file"},
      {"F\n", good.substr(0, 90) + "1x3" + good.substr(93),
       at + "2" + values + "a field that does not convert"},
      {"F\n", "abc" + good.substr(3),
       at + "1: expected NL (I3) and the title (A80), found a field that does not convert"},
      {"F\n", good.substr(0, 84) + "        nan" + good.substr(95),
       "HFAC.DAT: factor 1 of profile 1 is nan, not a factor from 0 to 1E7"},
  };
  for (const auto& [input, file, why] : cases) {
    two_profiles(input);
    kalo_test::write_file("HFAC.DAT", file);
    testing::internal::CaptureStdout();
    prep2();
    const bool loaded = input[0] == 'F' && file == good, refused = input[0] == 'F' && !loaded;
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              std::string(" Enter F for HFAC from file, RET for internal values ") +
                  (refused ? " " + why + "\n HFAC.DAT not found, taking internal values.\n"
                           : loaded ? " H-factors loaded from HFAC.DAT.\n" : ""));
    for (int i = 0; i < 51 * 2; ++i)
      ASSERT_FLOAT_EQ(stor.HFAC.v[i], loaded ? (100 + i) / 10.0f : 1.0f) << i;
  }
}

}  // namespace
