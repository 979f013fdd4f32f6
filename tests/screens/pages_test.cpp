// Pages without a display: the cairo pages draw what the KALO.PS pages draw,
// and every format gives complete files or a clear failure with nothing left.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "engine/kalo.h"
#include "records/text_records.h"
#include "screens/frames.h"
#include "screens/hardcopy.h"
#include "screens/pages.h"
#include "tests/support/prepared.h"
#include "tests/support/recording_pen.h"
#include "tests/support/run_kalo.h"

namespace fs = std::filesystem;

namespace {

// What a command writes on its standard output.
std::string run(const std::string& command) { return kalo_test::run_shell(command).out; }

// Every operation as a line; the time of day of a stamp may tick between pages.
std::string ops_text(const RecordingPen& pen) {
  std::string s;
  for (const auto& o : pen.ops) {
    const bool time = o.text.size() == 8 && o.text[2] == ':' && o.text[5] == ':';
    s += o.kind + std::to_string(o.x) + ',' + std::to_string(o.y) + ',' + std::to_string(o.i) +
         (time ? "hh:mm:ss" : o.text) + '\n';
  }
  return s;
}

// The same frames on KALO.PS and as PDF, SVG and PNG, from one
// reconstruction of test source 2, in colour.
TEST(Pages, EveryFormatDrawsTheKaloPsPagesWholeOrWritesNothing) {
  kalo_test::enter_temp_dir();
  kalo_test::prepare_source(2, "Y\n\n");  // noise reduction, start factors 1
  rec::open(7, "KALOOUT.DAT", rec::Status::UNKNOWN);
  int icon = 0;
  float qavd = 0;
  kalo(icon, qavd);
  rec::close(7);
  coltag.ICOL = 1;
  const kalo_test::TempDir dir;
  fs::current_path(dir.path);
  char why[200] = "";

  // Every PDF page draws the pen calls of its KALO.PS page.
  RecordingPen cairo, paper;
  watch_pages(&cairo);
  ASSERT_TRUE(write_pages(PageFormat::pdf, 0x1fe, 150, why, sizeof why)) << why;
  watch_pages(nullptr);
  int pages = 0;
  auto page = [&](int frame, int item) {
    if (pages++ > 0) paper.new_page();
    frames_setup();
    draw_page(sheet_with(paper_sheet(), paper_twin(paper)), frame, item);
  };
  for (int l = 1; l <= 2 * expd.NL; ++l) page(1 + (l > expd.NL), (l - 1) % expd.NL + 1);
  for (int frame : {3, EMITTANCE_PAGE, 4, 5, 6, 7, 8}) page(frame, frame == 3 ? -110 : 0);
  EXPECT_EQ(ops_text(cairo), ops_text(paper));

  // KALO.PS through the page writer, and the PDF, hold as many pages.
  ASSERT_TRUE(write_pages(PageFormat::ps, 0x1fe, 0, why, sizeof why)) << why;
  EXPECT_EQ(std::atoi(run("grep -c showpage KALO.PS").c_str()), pages);
  EXPECT_EQ(std::atoi(run("pdfinfo pages.pdf | sed -n 's/^Pages://p'").c_str()), pages);

  ASSERT_TRUE(write_pages(PageFormat::svg, 1u << 3 | 1u << 8, 0, why, sizeof why)) << why;
  for (const char* name : {"frame3-contour.svg", "frame3-emittance.svg", "frame8.svg"})
    EXPECT_TRUE(kalo_test::read_file(name).ends_with("</svg>\n")) << name;
  // A PNG page covers what Ghostscript paints of its KALO.PS page turned
  // upright (x up the sheet, y across it from the right).
  ASSERT_TRUE(write_pages(PageFormat::ps, 1u << 8, 0, why, sizeof why)) << why;
  ASSERT_TRUE(write_pages(PageFormat::png, 1u << 8, 72, why, sizeof why)) << why;
  const std::string gs = kalo_test::run_shell("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bbox KALO.PS").err;
  int llx, lly, urx, ury, w, h, x, y;
  ASSERT_EQ(std::sscanf(gs.c_str(), "%%%%BoundingBox: %d %d %d %d", &llx, &lly, &urx, &ury), 4) << gs;
  ASSERT_EQ(std::sscanf(run("convert frame8.png -format %@ info:").c_str(), "%dx%d+%d+%d", &w,
                        &h, &x, &y), 4);
  for (auto [got, want] : {std::pair{x, lly}, {y, llx}, {x + w, ury}, {y + h, urx}})
    EXPECT_NEAR(got, want, 2);
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 6);

  // A file that cannot take its name, or a resolution out of range: a
  // message naming the file and the reason, and nothing left behind.
  for (auto [format, name, dpi, text] :
       {std::tuple{PageFormat::pdf, "pages.pdf", 0, "Cannot write pages.pdf: Is a directory"},
        std::tuple{PageFormat::ps, "KALO.PS", 0, "Cannot write KALO.PS: Is a directory"},
        std::tuple{PageFormat::png, "", 5, "Cannot write frame8.png: resolution 5 dpi is outside 10..600"}}) {
    const kalo_test::TempDir sub;
    fs::current_path(sub.path);
    if (*name) fs::create_directory(name);
    EXPECT_FALSE(write_pages(format, 1u << 8, dpi, why, sizeof why));
    EXPECT_STREQ(why, text);
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), *name ? 1 : 0);
  }
}

}  // namespace
