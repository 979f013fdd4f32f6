// Answers the result screens cannot use are asked again, and a window that
// another client closes ends the visit with its pages printed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "screens/answers.h"
#include "tests/support/kalo_window.h"
#include "tests/support/run_kalo.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kalo_test;

struct Folder : TempDir {
  Folder() {
    write_file(file("print"), "#!/bin/sh\necho \"$@\" >> printed\n");
    std::filesystem::permissions(file("print"), std::filesystem::perms::owner_all);
  }
};

int count(const std::string& s, const std::string& what) {
  int n = 0;
  for (auto at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

// "abc" at the contour count and "99" at the frame question are asked
// again: the contour plot, its emittance curve and that page follow.
TEST(WindowAnswers, UnusableAnswersAreAskedAgain) {
  Folder dir;
  auto r = run_kalo(dir.path, "1\n\n\n2\n\nN\nN\n", During([](const std::function<bool()>& alive) {
    KaloWindow w;
    if (w.find(alive)) w.keys("3\nabc\n\n\n99\np\n\n");
  }));
  EXPECT_EQ(r.status, 0);
  const std::string ps = read_file(dir.file("KALO.PS"));
  EXPECT_EQ(count(ps, "showpage"), 1);
  EXPECT_EQ(count(ps, "(100-%)"), 1);
}

TEST(WindowAnswers, ClosingTheWindowEndsTheVisitAndPrints) {
  Folder dir;
  auto r = run_kalo(dir.path, "1\n\n\n2\n\nN\nN\n", During([](const std::function<bool()>& alive) {
    KaloWindow w;
    if (!w.find(alive)) return;
    w.keys("3\n\np\n");  // the contour page; the emittance curve follows
    usleep(1500000);
    XDestroyWindow(w.display(), w.id());
    XSync(w.display(), False);
  }));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Window closed: the graphics window was destroyed.\n"), std::string::npos);
  EXPECT_EQ(read_file(dir.file("printed")), "2 KALO.PS\n");
  EXPECT_EQ(count(read_file(dir.file("KALO.PS")), "showpage"), 1);
}

TEST(WindowAnswers, FrameNumbersAndCutWidths) {
  const std::pair<const char*, int> frames[] = {{"", 0}, {"8", 8}, {"9", -1}, {"99", -1},
                                                {"12", -1}, {"x", -1}, {"1 5", -1}};
  for (const auto& [text, frame] : frames) {
    Answer a;
    a = text;
    int v = -1;
    EXPECT_EQ(answer_frame(a, v) ? v : -1, frame) << text;
  }
  for (const auto& [text, wide] : {std::pair{"1,2", false}, {"1,23", true}, {"12,3", true},
                                   {"", false}, {"1,2 3", false}}) {
    Answer a;
    a = text;
    EXPECT_EQ(answer_cut_wide(a), wide) << text;
  }
}

}  // namespace
