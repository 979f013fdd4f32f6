// Pages without a display (see pages.h).
#include "screens/pages.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/cairo/cairo_pen.h"
#include "device/ps/ps.h"
#include "state/run_state.h"
#include "screens/frames.h"
#include "screens/hardcopy.h"

namespace {

Pen* tap = nullptr;

// Hands every operation to the pen that draws and to the tap.
struct TeePen final : Pen {
  Pen& a;
  Pen& b;
  TeePen(Pen& first, Pen& second) : a(first), b(second) {}
  void move(float x, float y) override { a.move(x, y), b.move(x, y); }
  void draw(float x, float y) override { a.draw(x, y), b.draw(x, y); }
  void flush() override { a.flush(), b.flush(); }
  void colour(int i) override { a.colour(i), b.colour(i); }
  void line_style(int s) override { a.line_style(s), b.line_style(s); }
  void text(float x, float y, const char* t, int len, int font) override {
    a.text(x, y, t, len, font), b.text(x, y, t, len, font);
  }
  void new_page() override { a.new_page(), b.new_page(); }
};

// One page: the splotps arguments and the file name without its extension.
struct Page {
  int frame, item;
  char stem[24];
};

// The pages of the frames in `frames`, in order; returns how many.
// Capacity: two frames of MAXL projections and the six other pages.
constexpr int MAX_PAGES = 2 * MAXL + 7;
int page_list(unsigned frames, Page (&pages)[MAX_PAGES]) {
  int n = 0;
  auto add = [&](int frame, int item, const char* stem_format, int number) {
    if (!page_defined(frame, item)) return;
    pages[n] = {frame, item, {}};
    std::snprintf(pages[n].stem, sizeof pages[n].stem, stem_format, number);
    ++n;
  };
  for (int f = 1; f <= 8; ++f) {
    if ((frames >> f & 1u) == 0) continue;
    if (f == 1 || f == 2) {
      for (int l = 1; l <= expd.NL; ++l) {
        char format[24];
        std::snprintf(format, sizeof format, "frame%d-L%%02d", f);
        add(f, l, format, l);
      }
    } else if (f == 3) {
      add(3, -110, "frame%d-contour", 3);
      add(EMITTANCE_PAGE, 0, "frame%d-emittance", 3);
    } else {
      add(f, 0, "frame%d", f);
    }
  }
  return n;
}

bool failed(char* why, int why_len, const char* what, const char* name, const char* reason) {
  if (why && why_len > 0) std::snprintf(why, std::size_t(why_len), "%s %s: %s", what, name, reason);
  return false;
}

// KALO.PS through the PostScript writer, as the dialogue writes it, under a
// temporary name first.
bool write_ps(const Page* pages, int n, char* why, int why_len) {
  char temp[] = "KALO.PS.XXXXXX";
  const int fd = mkstemp(temp);
  if (fd < 0) return failed(why, why_len, "Cannot create", "KALO.PS", std::strerror(errno));
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  psopen(temp);
  splotps_new_file();
  for (int k = 0; k < n; ++k) splotps(pages[k].frame, pages[k].item);
  pscls();
  // The writer reports a file it cannot create on the terminal and writes
  // nothing; its header line is the first thing it writes.
  struct stat st;
  if (stat(temp, &st) != 0 || st.st_size == 0) {
    std::remove(temp);
    return failed(why, why_len, "Cannot write", "KALO.PS", "the page writer could not create it");
  }
  if (std::rename(temp, "KALO.PS") != 0) {
    const int err = errno;
    std::remove(temp);
    return failed(why, why_len, "Cannot write", "KALO.PS", std::strerror(err));
  }
  return true;
}

}  // namespace

void watch_pages(Pen* pen) { tap = pen; }

bool write_pages(PageFormat format, unsigned frames, int dpi, char* why, int why_len) {
  static Page pages[MAX_PAGES];
  const int n = page_list(frames, pages);
  if (n == 0) return true;
  hardcopy_settings();
  if (format == PageFormat::ps) return write_ps(pages, n, why, why_len);

  const CairoFormat kind = format == PageFormat::pdf   ? CairoFormat::pdf
                           : format == PageFormat::svg ? CairoFormat::svg
                                                       : CairoFormat::png;
  const char* ext = format == PageFormat::svg ? "svg" : "png";
  static CairoPen cairo_pen;
  TeePen tee(cairo_pen, tap ? *tap : cairo_pen);
  Pen& pen = tap ? static_cast<Pen&>(tee) : cairo_pen;
  const Sheet sheet = sheet_with(paper_sheet(), paper_twin(pen));
  if (kind == CairoFormat::pdf && !cairo_pen.open(kind, PAGES_PDF, dpi, why, why_len)) return false;
  for (int k = 0; k < n; ++k) {
    if (kind != CairoFormat::pdf) {
      char name[32];
      std::snprintf(name, sizeof name, "%s.%s", pages[k].stem, ext);
      if (!cairo_pen.open(kind, name, dpi, why, why_len)) return false;
    }
    // The page break of a PDF's later pages is the pen's new page, as
    // psnewpage is on KALO.PS; each SVG or PNG file starts afresh.
    if (kind == CairoFormat::pdf && k > 0) pen.new_page();
    else cairo_pen.begin_page(coltag.PSTS);
    frames_setup();
    draw_page(sheet, pages[k].frame, pages[k].item);
    if (kind != CairoFormat::pdf && !cairo_pen.close(why, why_len)) return false;
  }
  return kind != CairoFormat::pdf || cairo_pen.close(why, why_len);
}
