// The cairo pen: the pen operations drawn into a PDF, SVG or PNG file with
// the layout of a KALO.PS page, for pages made without a display.
//
// Coordinates are the paper's device units: times coltag.PSXS / PSYS in
// points, as the PostScript writer scales them.  The page is A4 turned to
// landscape (842 x 595 points) and shown upright, as the print command's PDF
// shows a KALO.PS page: device x runs to the right, device y upward, and the
// origin lies 20 points from the left and 40 points from the bottom edge,
// where the first page of KALO.PS puts it.  As on that page, moves and draws
// only build a path, painted when the colour or the width changes; style 1
// is 0.1 points wide and every other style 0.5 (1 point until the first
// style; a PNG paints none thinner than one pixel, as a PostScript device
// does); the text is Courier at the size of begin_page; the colour table is
// the page's, used only when coltag.ICOL is not 0 (black otherwise).
//
// A file is written under a temporary name beside it and renamed when it is
// complete, so a failure never leaves a half-written file under its name.
#pragma once

#include "device/pen.h"

struct _cairo;
struct _cairo_surface;

enum class CairoFormat { pdf, svg, png };

// Landscape A4, in points.
constexpr float CAIRO_PAGE_W = 842.0f;
constexpr float CAIRO_PAGE_H = 595.0f;
// Resolutions a PNG page accepts (dots per inch).
constexpr int CAIRO_DPI_MIN = 10;
constexpr int CAIRO_DPI_MAX = 600;

struct CairoPen final : Pen {
  CairoPen() = default;
  CairoPen(const CairoPen&) = delete;
  CairoPen& operator=(const CairoPen&) = delete;
  ~CairoPen() { abandon(); }

  // Starts the file `name` in the folder of the process (png: at dpi).  On
  // failure returns false with a one-line message in why (why_len bytes).
  bool open(CairoFormat format, const char* name, int dpi, char* why, int why_len);
  // Starts a page (the next one of a PDF; a cleared picture otherwise) with
  // the text size in points.
  void begin_page(float text_size);
  // Strokes the rest, completes the file and gives it its name.  On failure
  // returns false with a one-line message in why, and removes the
  // temporary file.
  bool close(char* why, int why_len);
  // Drops the file being written, if any.
  void abandon();

  void move(float x, float y) override;
  void draw(float x, float y) override;
  void flush() override;
  void colour(int i) override;
  void line_style(int s) override;
  // The one font is Courier: font is ignored.
  void text(float x, float y, const char* text, int len, int font) override;
  void new_page() override;

  // Where cairo's output goes: the temporary file and the errno of its
  // first failed write (0 while every write succeeds).
  struct Sink {
    void* file = nullptr;
    int error = 0;
  };

 private:
  void point(float x, float y, bool draw);
  void stroke();
  bool fail(const char* what, const char* reason, char* why, int why_len);

  CairoFormat format_ = CairoFormat::pdf;
  _cairo_surface* surface_ = nullptr;
  _cairo* cr_ = nullptr;
  Sink sink_;
  int pages_ = 0;         // pages begun in this file
  // The path is stroked only when the colour or width changes and at the
  // end of the page: lines between two flushes in the same colour and width
  // paint the same pixels in one stroke.  has_point_ says whether a draw
  // continues from the last point (false after any flush, as on KALO.PS),
  // has_lines_ whether the path holds anything to stroke.
  bool has_point_ = false;
  bool has_lines_ = false;
  int colour_ = 1;
  float width_ = 1.0f;
  double thinnest_ = 0.0;  // narrowest line painted, in points (one PNG pixel)
  float text_size_ = 8.0f;
  char name_[256] = {};
  char temp_[272] = {};
};
