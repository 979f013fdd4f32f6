// The cairo pen (see cairo_pen.h).
#include "device/cairo/cairo_pen.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <png.h>
#include <zlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>

#include "device/paper_colours.h"
#include "state/run_state.h"

namespace {

// Where device (0, 0) lies on the page, in points from the left and bottom.
constexpr double ORIGIN_X = 20.0;
constexpr double ORIGIN_Y = 40.0;
// Longest text drawn; longer texts are cut, as on KALO.PS.
constexpr int TEXT_MAX = 1000;

// A coordinate in points, kept where KALO.PS keeps it: the page writer
// pulls a value that its "F7.2" columns cannot hold to the nearest one that
// fits and writes a NaN as 0.
double fit(float v, float lo, float hi) {
  if (std::isnan(v)) return 0.0;
  return v < lo ? lo : v > hi ? hi : v;
}

cairo_status_t write_sink(void* closure, const unsigned char* data, unsigned int length) {
  auto* sink = static_cast<CairoPen::Sink*>(closure);
  if (sink->error != 0) return CAIRO_STATUS_WRITE_ERROR;
  errno = 0;
  if (std::fwrite(data, 1, length, static_cast<std::FILE*>(sink->file)) != length) {
    sink->error = errno ? errno : EIO;
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

// The rows of a PNG page in 8-bit RGB.  cairo's own PNG writer tries every
// row filter with libpng's default compression, which costs a second per
// page at 150 dpi; the left-neighbour filter with run-length compression
// writes the mostly white page over ten times faster and hardly larger.
unsigned char png_row[3 * (int(CAIRO_PAGE_W) * CAIRO_DPI_MAX / 72 + 1)];

void png_sink(png_structp png, png_bytep data, png_size_t length) {
  if (write_sink(png_get_io_ptr(png), data, unsigned(length)) != CAIRO_STATUS_SUCCESS)
    png_error(png, "write failed");
}
void png_flush_nothing(png_structp) {}

// Writes the image surface (RGB24) as PNG into the sink; false on failure.
bool write_png(cairo_surface_t* image, CairoPen::Sink* sink) {
  cairo_surface_flush(image);
  const unsigned char* data = cairo_image_surface_get_data(image);
  const int w = cairo_image_surface_get_width(image);
  const int h = cairo_image_surface_get_height(image);
  const int stride = cairo_image_surface_get_stride(image);
  if (!data || 3 * w > int(sizeof png_row)) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, sink, png_sink, png_flush_nothing);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_strategy(png, Z_RLE);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    // A pixel of RGB24 is one native 32-bit word 0x00RRGGBB.
    const auto* px = reinterpret_cast<const std::uint32_t*>(data + std::ptrdiff_t(y) * stride);
    for (int x = 0; x < w; ++x) {
      png_row[3 * x] = (px[x] >> 16) & 0xff;
      png_row[3 * x + 1] = (px[x] >> 8) & 0xff;
      png_row[3 * x + 2] = px[x] & 0xff;
    }
    png_write_row(png, png_row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool CairoPen::fail(const char* what, const char* reason, char* why, int why_len) {
  if (why && why_len > 0) std::snprintf(why, std::size_t(why_len), "%s %s: %s", what, name_, reason);
  abandon();
  return false;
}

bool CairoPen::open(CairoFormat format, const char* name, int dpi, char* why, int why_len) {
  abandon();
  format_ = format;
  std::snprintf(name_, sizeof name_, "%s", name);
  std::snprintf(temp_, sizeof temp_, "%s.XXXXXX", name_);
  if (format == CairoFormat::png && (dpi < CAIRO_DPI_MIN || dpi > CAIRO_DPI_MAX)) {
    char reason[80];
    std::snprintf(reason, sizeof reason, "resolution %d dpi is outside %d..%d", dpi,
                  CAIRO_DPI_MIN, CAIRO_DPI_MAX);
    return fail("Cannot write", reason, why, why_len);
  }
  const int fd = mkstemp(temp_);
  if (fd < 0) {
    temp_[0] = '\0';
    return fail("Cannot create", std::strerror(errno), why, why_len);
  }
  // The permissions a newly created file gets from the user's mask.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  sink_ = {fdopen(fd, "wb"), 0};
  if (!sink_.file) {
    ::close(fd);
    return fail("Cannot create", std::strerror(errno), why, why_len);
  }
  switch (format) {
    case CairoFormat::pdf:
      surface_ = cairo_pdf_surface_create_for_stream(write_sink, &sink_, CAIRO_PAGE_W, CAIRO_PAGE_H);
      break;
    case CairoFormat::svg:
      surface_ = cairo_svg_surface_create_for_stream(write_sink, &sink_, CAIRO_PAGE_W, CAIRO_PAGE_H);
      cairo_svg_surface_set_document_unit(surface_, CAIRO_SVG_UNIT_PT);
      break;
    case CairoFormat::png:
      surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24,
                                            int(std::ceil(CAIRO_PAGE_W * dpi / 72.0)),
                                            int(std::ceil(CAIRO_PAGE_H * dpi / 72.0)));
      break;
  }
  cr_ = cairo_create(surface_);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS)
    return fail("Cannot write", cairo_status_to_string(cairo_status(cr_)), why, why_len);
  // A PostScript device paints every line at least one pixel wide; a PNG
  // page does the same, or its 0.1-point grid would fade to a faint grey.
  thinnest_ = 0.0;
  if (format == CairoFormat::png) {
    cairo_scale(cr_, dpi / 72.0, dpi / 72.0);
    thinnest_ = 72.0 / dpi;
  }
  cairo_select_font_face(cr_, "Courier", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  pages_ = 0;
  return true;
}

void CairoPen::begin_page(float text_size) {
  if (!cr_) return;
  stroke();
  if (pages_ > 0 && format_ == CairoFormat::pdf) cairo_show_page(cr_);
  ++pages_;
  cairo_new_path(cr_);
  // A PNG page is paper: white under the drawing.  The vector formats leave
  // the background to the viewer, as a printed page does.
  if (format_ == CairoFormat::png || (pages_ > 1 && format_ == CairoFormat::svg)) {
    cairo_set_source_rgb(cr_, 1.0, 1.0, 1.0);
    cairo_paint(cr_);
  }
  // Every page starts as a PostScript page does: black, 1 point wide, round
  // caps and joins.
  colour_ = 1;
  width_ = 1.0f;
  cairo_set_source_rgb(cr_, 0.0, 0.0, 0.0);
  cairo_set_line_width(cr_, width_ > thinnest_ ? width_ : thinnest_);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
  text_size_ = text_size;
  cairo_set_font_size(cr_, text_size);
}

bool CairoPen::close(char* why, int why_len) {
  if (!cr_) return fail("Cannot write", "no file is open", why, why_len);
  stroke();
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS)
    return fail("Cannot write", cairo_status_to_string(cairo_status(cr_)), why, why_len);
  cairo_destroy(cr_);
  cr_ = nullptr;
  cairo_status_t status = CAIRO_STATUS_SUCCESS;
  if (format_ == CairoFormat::png && !write_png(surface_, &sink_)) status = CAIRO_STATUS_WRITE_ERROR;
  cairo_surface_finish(surface_);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface_);
  cairo_surface_destroy(surface_);
  surface_ = nullptr;
  auto* file = static_cast<std::FILE*>(sink_.file);
  sink_.file = nullptr;
  errno = 0;
  if (std::fflush(file) != 0 && sink_.error == 0) sink_.error = errno ? errno : EIO;
  if (std::fclose(file) != 0 && sink_.error == 0) sink_.error = errno ? errno : EIO;
  if (sink_.error != 0) return fail("Cannot write", std::strerror(sink_.error), why, why_len);
  if (status != CAIRO_STATUS_SUCCESS)
    return fail("Cannot write", cairo_status_to_string(status), why, why_len);
  if (std::rename(temp_, name_) != 0) return fail("Cannot write", std::strerror(errno), why, why_len);
  temp_[0] = '\0';
  return true;
}

void CairoPen::abandon() {
  if (cr_) cairo_destroy(cr_);
  if (surface_) {
    cairo_surface_finish(surface_);
    cairo_surface_destroy(surface_);
  }
  if (sink_.file) std::fclose(static_cast<std::FILE*>(sink_.file));
  if (temp_[0] != '\0') std::remove(temp_);
  cr_ = nullptr;
  surface_ = nullptr;
  sink_ = {};
  temp_[0] = '\0';
}

void CairoPen::stroke() {
  if (has_lines_) cairo_stroke(cr_);
  else cairo_new_path(cr_);
  has_lines_ = false;
  has_point_ = false;
}

void CairoPen::point(float x, float y, bool draw) {
  if (!cr_) return;
  const double px = ORIGIN_X + fit(coltag.PSXS * x, -999.99f, 9999.99f);
  const double py = CAIRO_PAGE_H - ORIGIN_Y - fit(coltag.PSYS * y, -99.99f, 999.99f);
  // A draw with no current point starts the path there, as on KALO.PS.
  if (draw && has_point_) {
    cairo_line_to(cr_, px, py);
    has_lines_ = true;
  } else {
    cairo_move_to(cr_, px, py);
  }
  has_point_ = true;
}

void CairoPen::move(float x, float y) { point(x, y, false); }

void CairoPen::draw(float x, float y) { point(x, y, true); }

// Ends the line: the next draw starts afresh.  The stroke itself waits for
// a change of colour or width.
void CairoPen::flush() { has_point_ = false; }

// As on KALO.PS, black-and-white pages and indices outside the table change
// nothing.
void CairoPen::colour(int i) {
  if (!cr_ || coltag.ICOL == 0 || i < 0 || i > 7) return;
  if (i != colour_) {
    stroke();
    colour_ = i;
    cairo_set_source_rgb(cr_, PAPER_RGB[i][0], PAPER_RGB[i][1], PAPER_RGB[i][2]);
  }
  has_point_ = false;
}

void CairoPen::line_style(int s) {
  if (!cr_) return;
  const float w = s == 1 ? 0.1f : 0.5f;
  if (w != width_) {
    stroke();
    width_ = w;
    cairo_set_line_width(cr_, w > thinnest_ ? w : thinnest_);
  }
  has_point_ = false;
}

// The text is in the colour of the lines not yet stroked, so they need not
// be stroked first: the page looks the same.
void CairoPen::text(float x, float y, const char* text, int len, int) {
  if (!cr_) return;
  if (len > TEXT_MAX) len = TEXT_MAX;
  // cairo takes UTF-8: a byte outside printable ASCII (which Courier on
  // KALO.PS does not show either) becomes a blank.
  char buf[TEXT_MAX + 1];
  int n = 0;
  for (int k = 0; k < len; ++k) {
    const unsigned char c = static_cast<unsigned char>(text[k]);
    buf[n++] = c >= 32 && c < 127 ? char(c) : ' ';
  }
  buf[n] = '\0';
  point(x, y, false);
  cairo_show_text(cr_, buf);
  has_point_ = false;
}

void CairoPen::new_page() { begin_page(text_size_); }
