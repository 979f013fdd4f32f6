// Pages without a display: the cairo pages draw what the KALO.PS pages draw,
// and every format gives complete files or a clear failure with nothing left.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "driver/prep.h"
#include "driver/test_sources.h"
#include "engine/kalo.h"
#include "records/text_records.h"
#include "screens/frames.h"
#include "screens/hardcopy.h"
#include "screens/pages.h"
#include "state/run_state.h"
#include "tests/support/recording_pen.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct Pages : testing::Test {
  static void SetUpTestSuite() {
    kalo_test::enter_temp_dir();
    kalo_test::feed_stdin("Y\n\n");  // noise reduction, start factors 1
    reset_run_state();
    trol.NTEST = 2;
    setp();
    prep();
    rec::open(7, "KALOOUT.DAT", rec::Status::UNKNOWN);
    int icon = 0;
    float qavd = 0;
    kalo(icon, qavd);
    rec::close(7);
    coltag.ICOL = 1;
  }
  void SetUp() override { fs::current_path(dir.path); }
  kalo_test::TempDir dir;
  char why[200] = "";
};

// One operation as text; the time of day of a stamp may tick between pages.
std::string op_text(const RecordingPen::Op& o) {
  const bool time = o.text.size() == 8 && o.text[2] == ':' && o.text[5] == ':';
  return o.kind + std::to_string(o.x) + ',' + std::to_string(o.y) + ',' + std::to_string(o.i) +
         (time ? "hh:mm:ss" : o.text);
}

TEST_F(Pages, CairoPagesDrawThePenCallsOfTheirPostScriptPages) {
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
  ASSERT_EQ(cairo.ops.size(), paper.ops.size());
  for (std::size_t k = 0; k < cairo.ops.size(); ++k)
    ASSERT_EQ(op_text(cairo.ops[k]), op_text(paper.ops[k])) << "operation " << k;

  // KALO.PS through the page writer, and the PDF, hold as many pages.
  ASSERT_TRUE(write_pages(PageFormat::ps, 0x1fe, 0, why, sizeof why)) << why;
  const std::string ps = kalo_test::read_file("KALO.PS");
  int showpages = 0;
  for (std::size_t a = 0; (a = ps.find("showpage", a)) != std::string::npos; ++a) ++showpages;
  EXPECT_EQ(showpages, pages);
  const std::string pdfinfo = "pdfinfo pages.pdf | grep -qx 'Pages: *" + std::to_string(pages) + "'";
  EXPECT_EQ(std::system(pdfinfo.c_str()), 0);
}

TEST_F(Pages, SvgAndPngFilesAreCompleteOrNotThere) {
  ASSERT_TRUE(write_pages(PageFormat::svg, 1u << 3 | 1u << 8, 0, why, sizeof why)) << why;
  ASSERT_TRUE(write_pages(PageFormat::png, 1u << 1, 150, why, sizeof why)) << why;
  for (const auto& e : fs::directory_iterator(".")) {
    const std::string name = e.path().filename().string(), body = kalo_test::read_file(name);
    if (name.ends_with(".svg")) {
      EXPECT_TRUE(body.starts_with("<?xml") && body.ends_with("</svg>\n")) << name;
    } else {
      ASSERT_TRUE(name.starts_with("frame1-L0") && name.ends_with(".png")) << name;
      EXPECT_EQ(body.substr(0, 20), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x06\xdb", 20));
      EXPECT_EQ(body.substr(body.size() - 8, 4), "IEND");
    }
  }
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 3 + expd.NL);

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
