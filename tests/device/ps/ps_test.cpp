// The PostScript page writer: colours and widths, safe texts and names
// (whole pages are compared with the golden pages).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "device/ps/paper_pen.h"
#include "state/run_state.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string SETUP =
    " /m {moveto} def\n /d {lineto} def\n /s {show} def\n /w {setlinewidth} def\n"
    " /st {stroke} def\n /c {setrgbcolor} def\n newpath 1 setlinecap 1 setlinejoin\n"
    " 90 rotate\n 0 -533 translate\n 19 -23 translate\n";
const std::string HEADER = "%!PS-Adobe-3.0\n" + SETUP + "   1.0   1.0 translate\n";
const std::string END = " st showpage\n";

// Every test program works in a folder of its own.
const kalo_test::TempDir& in_temp_dir = kalo_test::enter_temp_dir();

std::string slurp(const fs::path& p) { return kalo_test::read_file(p.string()); }

// The lines that op writes between the set-up and the end of a file.
std::string lines_of(const std::function<void()>& op, int icol = 1) {
  coltag = {icol, 0.2f, 0.2f, 1.0f, 1.0f, 8.0f, 1};
  psopen("op.ps");
  op();
  pscls();
  std::string all = slurp("op.ps");
  EXPECT_EQ(all.substr(0, HEADER.size()), HEADER);
  EXPECT_EQ(all.substr(all.size() - END.size()), END);
  return all.substr(HEADER.size(), all.size() - HEADER.size() - END.size());
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
  coltag = {1, 0.2f, 0.2f, 1.0f, 1.0f, 8.0f, 1};
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

}  // namespace
