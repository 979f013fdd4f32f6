// Answers the result screens cannot use are asked again, and a window that
// another client closes ends the visit with its pages printed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "screens/answers.h"
#include "tests/support/kalo_window.h"
#include "tests/support/run_kalo.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kalo_test;

// Test source 1: "abc" at the contour count and "99" at the frame question
// are asked again, so the contour plot, its emittance curve and that page
// follow; then another client closes the window, which ends the visit: the
// page is printed and the run goes on.
TEST(WindowAnswers, UnusableAnswersAreAskedAgainAClosedWindowEndsTheVisit) {
  PrintFolder dir;
  auto r = run_kalo(dir.path, "1\n\n\n2\n\nN\nN\n", with_window([](KaloWindow& w) {
    w.keys("3\nabc\n\n\n99\np\n");
    usleep(1500000);
    XDestroyWindow(w.display(), w.id());
    XSync(w.display(), False);
  }));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Window closed: the graphics window was destroyed.\n"), std::string::npos);
  EXPECT_EQ(dir.printed(), "2 KALO.PS\n");
  const std::string ps = read_file(dir.file("KALO.PS"));
  EXPECT_EQ(ps.find("showpage"), ps.rfind("showpage"));
  EXPECT_NE(ps.find("(100-%)"), std::string::npos);
  // A cut with two digits in one width is asked again, not cut silently.
  for (const auto& [text, wide] : {std::pair{"1,2", false}, {"1,23", true}, {"12,3", true},
                                   {"", false}, {"1,2 3", false}}) {
    Answer a;
    a = text;
    EXPECT_EQ(answer_cut_wide(a), wide) << text;
  }
}

}  // namespace
