// The PostScript page writer: exact lines, safe texts and names, and pages
// that Ghostscript renders where the landscape geometry puts them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "device/ps/paper_pen.h"
#include "device/ps/ps.h"
#include "driver/run_state.h"

namespace fs = std::filesystem;

namespace {

const std::string SETUP =
    " /m {moveto} def\n /d {lineto} def\n /s {show} def\n /w {setlinewidth} def\n"
    " /st {stroke} def\n /c {setrgbcolor} def\n newpath 1 setlinecap 1 setlinejoin\n"
    " 90 rotate\n 0 -533 translate\n 19 -23 translate\n";
const std::string HEADER = "%!PS-Adobe-3.0\n" + SETUP + "   1.0   1.0 translate\n";
const std::string END = " st showpage\n";

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs a command; returns its exit status and everything it printed.
int run(const std::string& cmd, std::string& out) {
  int rc = std::system((cmd + " >gs.out 2>&1").c_str());
  out = slurp("gs.out");
  return rc;
}

const char* GS = "gs -dSAFER -dBATCH -dNOPAUSE -q ";

// Every file a test writes must render without an error.
void expect_renders(const std::string& file) {
  std::string out;
  int rc = run(GS + std::string("-sDEVICE=png16m -sOutputFile=") + file + "-%d.png " + file, out);
  EXPECT_EQ(rc, 0) << file << ": " << out;
  EXPECT_EQ(out.find("Error"), std::string::npos) << file << ": " << out;
}

// Each page's marks: x0 y0 x1 y1 in points on the portrait sheet.
std::vector<std::vector<double>> bounding_boxes(const std::string& file) {
  std::string out;
  run(GS + std::string("-sDEVICE=bbox ") + file, out);
  std::vector<std::vector<double>> boxes;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("%%HiResBoundingBox:", 0) != 0) continue;
    std::istringstream v(line.substr(19));
    std::vector<double> b(4);
    v >> b[0] >> b[1] >> b[2] >> b[3];
    boxes.push_back(b);
  }
  return boxes;
}

class PsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kalo-ps-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    home_ = fs::current_path();
    fs::current_path(dir_);
    coltag.ICOL = 1;
    coltag.PSXS = coltag.PSYS = 0.2f;
    coltag.PSXT = coltag.PSYT = 1.0f;
  }
  void TearDown() override {
    pscls();
    fs::current_path(home_);
    if (!std::getenv("KALO_KEEP_TMP")) fs::remove_all(dir_);
  }
  fs::path dir_, home_;
};

TEST_F(PsTest, EmptyFileAndTwoPagesByteForByte) {
  psopen("empty.ps");
  pscls();
  EXPECT_EQ(slurp("empty.ps"), HEADER + END);
  expect_renders("empty.ps");

  psopen("two.ps");
  pstxts(8.0f);
  psmov(100.0f, 50.0f);
  psdrw(200.0f, 50.0f);
  psnewpage();
  pstxts(8.0f);
  psmov(1.0f, 2.0f);
  psdrw(3.0f, 4.0f);
  pscls();
  const std::string font = " /Courier findfont  8.0 scalefont setfont\n";
  EXPECT_EQ(slurp("two.ps"), HEADER + font + "  20.00  10.00 m\n  40.00  10.00 d\n showpage\n" +
                                 SETUP + "   0.0   0.0 translate\n" + font +
                                 "   0.20   0.40 m\n   0.60   0.80 d\n" + END);
  expect_renders("two.ps");
}

TEST_F(PsTest, OperationLines) {
  struct Case {
    const char* what;
    int icol;
    std::function<void()> op;
    std::string line;
  };
  const std::vector<Case> cases = {
      {"move", 1, [] { psmov(100.0f, 50.0f); }, "  20.00  10.00 m\n"},
      {"draw", 1, [] { psdrw(-5.0f, 3686.4f); }, "  -1.00 737.28 d\n"},
      {"off-page point", 1, [] { psmov(1e6f, -1e6f); }, "9999.99-999.99 m\n"},
      {"width", 1, [] { pslinw(0.5f); }, " st 0.50 w st\n"},
      {"dashed style", 1, [] { pslinex(1); }, " st 0.10 w st\n"},
      {"solid style", 1, [] { pslinex(0); }, " st 0.50 w st\n"},
      {"text size", 1, [] { pstxts(8.0f); }, " /Courier findfont  8.0 scalefont setfont\n"},
      {"red", 1, [] { pssetcol(2); }, " st 1.0 0.0 0.0 c st\n"},
      {"cyan", 1, [] { pssetcol(4); }, " st 0.0 1.0 1.0 c st\n"},
      {"blue", 1, [] { pssetcol(6); }, " st 0.0 0.0 1.0 c st\n"},
      {"yellow", 1, [] { pssetcol(7); }, " st 1.0 1.0 0.0 c st\n"},
      {"black and white", 0, [] { pssetcol(2); }, ""},
      {"index out of range", 1, [] { pssetcol(8); }, ""},
      {"flush", 1, [] { psflush(); }, " st\n"},
      {"text with blanks", 1, [] { pstext(10.0f, 20.0f, "ab  ", 4); },
       "   2.00   4.00 m (ab  ) s st\n"},
      {"pen text", 1, [] { paper_pen.text(10.0f, 20.0f, "L = 2", 5, 3); },
       "   2.00   4.00 m (L = 2) s st\n"},
      {"pen style", 1, [] { paper_pen.line_style(1); }, " st 0.10 w st\n"},
  };
  for (const Case& c : cases) {
    coltag.ICOL = c.icol;
    psopen("op.ps");
    c.op();
    pscls();
    EXPECT_EQ(slurp("op.ps"), HEADER + c.line + END) << c.what;
  }
}

TEST_F(PsTest, TextsAreEscapedOnlyWhereNeeded) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"beam (run 2)", "beam (run 2)"},  // balanced: unchanged
      {"beam (run 2", "beam \\(run 2"},
      {"a) b", "a\\) b"},
      {")(", "\\)\\("},
      {"((a)", "\\((a)"},
      {"(a))(b", "(a)\\)\\(b"},
      {"C:\\x", "C:\\\\x"},
  };
  char out[64];
  for (const auto& [text, want] : cases) {
    int n = ps_escape(text.data(), int(text.size()), out, sizeof out);
    EXPECT_EQ(std::string(out, n), want) << text;
  }
  // Cut to the room given, never inside an escape.
  EXPECT_EQ(ps_escape("ab(", 3, out, 3), 2);

  psopen("texts.ps");
  pstxts(8.0f);
  float y = 500.0f;
  for (const auto& c : cases) pstext(500.0f, y += 100.0f, c.first.data(), int(c.first.size()));
  pscls();
  expect_renders("texts.ps");
}

TEST_F(PsTest, FileNames) {
  psopen("t.ps   ", 7);
  pscls();
  EXPECT_TRUE(fs::exists("t.ps"));
  EXPECT_FALSE(fs::exists("t.ps   "));

  psopen("a23456789012345.ps ");  // 18 characters: accepted
  pscls();
  EXPECT_EQ(slurp("a23456789012345.ps"), HEADER + END);

  struct Bad {
    std::string name, message;
  };
  fs::create_directory("KALO.PS");
  const std::vector<Bad> bad = {
      {"a234567890123456.ps1", " PostScript file name a234567890123456.ps1 is longer than 19"},
      {"   ", " PostScript file name is blank"},
      {"nodir/KALO.PS", " Cannot create nodir/KALO.PS (No such file or directory)"},
      {"KALO.PS", " Cannot create KALO.PS (Is a directory)"},
  };
  for (const Bad& b : bad) {
    testing::internal::CaptureStdout();
    psopen(b.name);
    psmov(1.0f, 1.0f);  // nothing happens until the next psopen
    pstext(1.0f, 1.0f, "x", 1);
    psnewpage();
    pscls();
    std::fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind(b.message, 0), 0u) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
  }
  EXPECT_FALSE(fs::exists("a234567890123456.ps1"));
  EXPECT_TRUE(fs::is_directory("KALO.PS"));

  // A psopen while a file is open ends that file first.
  psopen("first.ps");
  psopen("second.ps");
  pscls();
  EXPECT_EQ(slurp("first.ps"), HEADER + END);
  EXPECT_EQ(slurp("second.ps"), HEADER + END);
}

// The full page region of 32 x 24 graph units (115.2 device units each),
// framed on two pages: landscape, origin 555/20 points from the left/bottom
// of the sheet on the first page and 556/19 on the second.
TEST_F(PsTest, PageGeometry) {
  const float W = 32 * 115.2f, H = 24 * 115.2f;
  auto page = [&](const char* title) {
    pstxts(8.0f);
    pslinex(0);
    psmov(0, 0);
    psdrw(W, 0);
    psdrw(W, H);
    psdrw(0, H);
    psdrw(0, 0);
    psflush();
    pstext(115.2f, H - 115.2f, title, int(std::strlen(title)));
  };
  psopen("page.ps");
  page("first page: top left");
  psnewpage();
  page("second page: top left");
  pscls();
  expect_renders("page.ps");

  auto boxes = bounding_boxes("page.ps");
  ASSERT_EQ(boxes.size(), 2u);
  const double want[2][4] = {{555 - 552.96, 20, 555, 20 + 737.28},
                             {556 - 552.96, 19, 556, 19 + 737.28}};
  for (int p = 0; p < 2; ++p)
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(boxes[p][k], want[p][k], 0.5) << p << k;
}

}  // namespace
