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

#include "device/ps/paper_pen.h"
#include "driver/run_state.h"

namespace fs = std::filesystem;

namespace {

const std::string SETUP =
    " /m {moveto} def\n /d {lineto} def\n /s {show} def\n /w {setlinewidth} def\n"
    " /st {stroke} def\n /c {setrgbcolor} def\n newpath 1 setlinecap 1 setlinejoin\n"
    " 90 rotate\n 0 -533 translate\n 19 -23 translate\n";
const std::string HEADER = "%!PS-Adobe-3.0\n" + SETUP + "   1.0   1.0 translate\n";
const std::string END = " st showpage\n";

// Every test program works in a folder of its own.
struct InTempDir {
  fs::path home = fs::current_path(), dir;
  InTempDir() {
    char tmpl[] = "/tmp/kalo-ps-XXXXXX";
    fs::current_path(dir = mkdtemp(tmpl));
  }
  ~InTempDir() { fs::current_path(home), fs::remove_all(dir); }
} const in_temp_dir;

std::string slurp(const fs::path& p) {
  std::stringstream ss;
  ss << std::ifstream(p, std::ios::binary).rdbuf();
  return ss.str();
}

// Renders a file with Ghostscript, which must succeed without an "Error";
// returns what it printed (the bbox device prints each page's marks).
std::string ghostscript(const std::string& device) {
  std::string cmd = "gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=" + device +
                    " -sOutputFile=op-%d.png op.ps >gs.out 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << slurp("gs.out");
  EXPECT_EQ(slurp("gs.out").find("Error"), std::string::npos) << slurp("gs.out");
  return slurp("gs.out");
}

// The lines that op writes between the set-up and the end of a file.
std::string lines_of(const std::function<void()>& op, int icol = 1) {
  coltag = {icol, 0.2f, 0.2f, 1.0f, 1.0f, 8.0f, 1};
  psopen("op.ps");
  op();
  pscls();
  ghostscript("png16m");
  std::string all = slurp("op.ps");
  EXPECT_EQ(all.substr(0, HEADER.size()), HEADER);
  EXPECT_EQ(all.substr(all.size() - END.size()), END);
  return all.substr(HEADER.size(), all.size() - HEADER.size() - END.size());
}

TEST(Ps, EmptyFileAndTwoPages) {
  EXPECT_EQ(lines_of([] {}), "");
  const std::string font = " /Courier findfont  8.0 scalefont setfont\n";
  EXPECT_EQ(lines_of([] { pstxts(8.0f), psmov(100, 50), psnewpage(), pstxts(8.0f), psdrw(3, 4); }),
            font + "  20.00  10.00 m\n showpage\n" + SETUP + "   0.0   0.0 translate\n" + font +
                "   0.60   0.80 m\n");  // a draw with no current point starts the path
}

TEST(Ps, ColourWidthAndTextLines) {
  EXPECT_EQ(lines_of([] { psmov(1e6f, -1e6f); }), "9999.99 -99.99 m\n");  // two numbers
  EXPECT_EQ(lines_of([] { paper_pen.line_style(1), pslinex(0); }),
            " st 0.10 w st\n st 0.50 w st\n");
  EXPECT_EQ(lines_of([] { psmov(0, 0), pssetcol(2), paper_pen.colour(4), psdrw(5, 0); }),
            "   0.00   0.00 m\n st 1.0 0.0 0.0 c st\n st 0.0 1.0 1.0 c st\n   1.00   0.00 m\n");
  EXPECT_EQ(lines_of([] { psmov(0, 0), pssetcol(2), psdrw(5, 0); }, 0),
            "   0.00   0.00 m\n   1.00   0.00 d\n");  // black and white: no colour line
  EXPECT_EQ(lines_of([] { pssetcol(8); }), "");     // no paper colour 8
  EXPECT_EQ(lines_of([] { paper_pen.text(10.0f, 20.0f, "L = 2  ", 7, 3); }),
            "   2.00   4.00 m (L = 2  ) s st\n");
}

TEST(Ps, TextsAreEscapedOnlyWhereNeeded) {
  const std::pair<std::string, std::string> cases[] = {
      {"beam (run 2)", "beam (run 2)"}, {"beam (run 2", "beam \\(run 2"},
      {")(", "\\)\\("},                 {"((a)", "\\((a)"},
      {"(a))(b", "(a)\\)\\(b"},         {"C:\\x", "C:\\\\x"},
  };
  for (const auto& [text, want] : cases)
    EXPECT_EQ(lines_of([&] { pstext(5.0f, 5.0f, text.data(), int(text.size())); }),
              "   1.00   1.00 m (" + want + ") s st\n");
}

TEST(Ps, FileNames) {
  psopen("t.ps   ", 7);
  pscls();
  EXPECT_EQ(slurp("t.ps"), HEADER + END);
  const std::pair<std::string, std::string> bad[] = {
      {"a234567890123456.ps1", " PostScript file name a234567890123456.ps1 is longer than 19"},
      {"nodir/KALO.PS", " Cannot create nodir/KALO.PS (No such file or directory)"},
  };
  for (const auto& [name, message] : bad) {
    testing::internal::CaptureStdout();
    psopen(name);
    psmov(1, 1), pscls();  // nothing happens until the next psopen
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind(message, 0), 0u) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
    EXPECT_FALSE(fs::exists(name));
  }
}

// The full page region (32 x 24 graph units of 115.2 device units) framed on
// two pages: landscape, its origin 555 points from the left and 20 from the
// bottom of the sheet on the first page, 556 and 19 on later pages.
TEST(Ps, PageGeometry) {
  auto frame = [] {
    const float W = 32 * 115.2f, H = 24 * 115.2f;
    pslinex(1), psmov(0, 0), psdrw(W, 0), psdrw(W, H), psdrw(0, H), psdrw(0, 0);
    pstext(115.2f, H - 115.2f, "top left", 8);
  };
  lines_of([&] { frame(), psnewpage(), frame(); });
  const std::string out = ghostscript("bbox");
  const double want[2][4] = {{2.04, 20, 555, 757.28}, {3.04, 19, 556, 756.28}};
  std::size_t at = 0;
  for (const auto& page : want) {
    double box[4] = {};
    ASSERT_NE(at = out.find("%%HiResBoundingBox:", at + 1), std::string::npos) << out;
    std::sscanf(out.c_str() + at + 19, "%lf %lf %lf %lf", &box[0], &box[1], &box[2], &box[3]);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(box[k], page[k], 0.2) << out;
  }
}

}  // namespace
