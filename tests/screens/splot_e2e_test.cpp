// The result screens driven end to end: the kalo program in a folder of its
// own, the terminal answers on standard input, the window answered with
// keys, pointer buttons and menu choices; then what it printed, the pages of
// KALO.PS and the H-factors it stored.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "screens/zoom.h"
#include "tests/support/kalo_window.h"
#include "tests/support/run_kalo.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kalo_test;

// The pages of a PostScript file, split at its page breaks.
std::vector<std::string> pages(const std::string& ps) {
  std::vector<std::string> out;
  std::size_t at = 0;
  for (std::size_t next; (next = ps.find("\n showpage\n", at)) != std::string::npos;
       at = next + 11)
    out.push_back(ps.substr(at, next - at));
  if (!ps.empty()) out.push_back(ps.substr(at));
  return out;
}

// Texts shown on a page, in order.
std::vector<std::string> texts(const std::string& page) {
  std::vector<std::string> out;
  static const std::regex text(R"(m \((.*)\) s st)");
  std::istringstream in(page);
  for (std::string l; std::getline(in, l);) {
    std::smatch m;
    if (std::regex_search(l, m, text)) out.push_back(m[1]);
  }
  return out;
}
bool shows(const std::string& page, const std::string& t) {
  return count(page, "m (" + t + ") s st") > 0;
}
// Legend letters ("A:", "B:", ...) of a contour page.
int legend_lines(const std::string& page) {
  int n = 0;
  for (const auto& t : texts(page)) n += t.size() == 2 && t[1] == ':';
  return n;
}

// Test source 1 with printer 2 (colour) and `miter` iterations.
std::string source1(const std::string& miter, const std::string& after) {
  return "1\n\n\n2\n" + miter + "\n" + after;
}

// One visit: the contour plot with the default code and with 8 (which
// becomes the default), the emittance page, frame 9 and P (no page), the
// H-factors stepped through with a cut; four pages, printed once.
TEST(Screens, ContourCodesEmittancePageCutAndOnePrintJob) {
  PrintFolder dir;
  auto r = run_kalo(dir.path, source1("", "N\nN\n"), with_window([](KaloWindow& w) {
    w.keys("3\n\np\np\n");       // contour (-110), P: its page; P: emittance page
    w.keys("3\n8\ny\n");         // code 8; "y" cancels: the contour stays
    w.keys("3\n\np\n");          // empty answer: the new default 8; its page
    w.keys("9\n");               // no such frame: asked again
    w.keys("2\n\n2,3\n\n\np\n");  // cut projection 2, step on; page of projection 3
    w.keys("\n");
  }));
  EXPECT_EQ(r.status, 0);
  const std::string hint = "+Number of contour lines: 3 to 25\n";
  EXPECT_NE(r.out.find(hint), std::string::npos);
  EXPECT_EQ(r.out.find(hint), r.out.rfind(hint));  // once only
  EXPECT_EQ(dir.printed(), "2 KALO.PS\n");
  const auto p = pages(read_file(dir.file("KALO.PS")));
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(legend_lines(p[0]), 10);  // -110: 10 levels
  EXPECT_TRUE(shows(p[1], "* Pi (mmmrad)") && shows(p[1], "100-%"));
  EXPECT_EQ(legend_lines(p[1]), 0);
  EXPECT_EQ(legend_lines(p[2]), 8);
  EXPECT_TRUE(shows(p[2], "B"));  // code 8 letters its lines
  EXPECT_TRUE(shows(p[3], "L = 3") && shows(p[3], "HFAC  "));
}

// Cutting "2,3" at projection 2 zeroes its first 2 and last 3 non-zero
// H-factors, and the next reconstruction starts from them: with one
// iteration per pass the stored file (the factors each iteration starts
// from) shows the cut against a run without it.
TEST(Screens, ACutReachesTheNextReconstruction) {
  auto factors = [](bool cut) {
    PrintFolder dir;
    run_kalo(dir.path, source1("1", "N\nY\n\nY\nN\n"), with_window([cut](KaloWindow& w) {
      w.keys(cut ? "2\n\n2,3\n\n\n\n" : "\n");
      w.next_visit();
      w.keys("\n");  // the second visit
    }));
    std::vector<float> v;
    std::istringstream in(read_file(dir.file("HFAC.DAT")));
    std::string header;
    std::getline(in, header);
    for (float f; in >> f;) v.push_back(f);
    return v;
  };
  const auto plain = factors(false), cut = factors(true);
  ASSERT_EQ(plain.size(), 3u * 51u);
  std::vector<float> expected = plain;
  int left = 2, right = 3;
  cuthfac(&expected[51], 51, left, right);  // as the zoom tests show it cuts
  EXPECT_NE(expected, plain);
  EXPECT_EQ(cut, expected);
}

// Every question with a menu answered by the first pointer button and a
// menu item; the second button stands for Return at the continue question.
// Control-Z leaves at once, and the pages asked for are printed.
TEST(Screens, MenusAtEveryQuestion) {
  PrintFolder dir;
  auto r = run_kalo(dir.path, source1("", "N\nN\n"), with_window([](KaloWindow& w) {
    auto menu = [&](int item) {
      w.click(1, 500, 600);
      EXPECT_TRUE(w.pick(item)) << item;
    };
    menu(3);   // first question: frame 3
    menu(11);  // "10 Contour lines with labels": code 110
    menu(1);   // continue question: hardcopy
    menu(10);  // frame question: "P" (the emittance page)
    menu(3);   // frame 2
    menu(2);   // cut question: continue
    menu(3);   // cut question: cancel loop
    menu(2);   // frame 1
    w.click(2, 500, 600);  // continue question: Return
    menu(3);   // cancel loop
    w.keys("\x1a");
  }));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(dir.printed(), "2 KALO.PS\n");
  const auto p = pages(read_file(dir.file("KALO.PS")));
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(legend_lines(p[0]), 10);
  int letters = 0;  // code 110 letters the lines
  for (const auto& t : texts(p[0])) letters += t.size() == 1 && t[0] >= 'A' && t[0] <= 'J';
  EXPECT_GT(letters, 0);
  EXPECT_TRUE(shows(p[1], "100-%"));
}

}  // namespace
