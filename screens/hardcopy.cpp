// Hardcopy pages (see hardcopy.h): the screen frames drawn through the paper
// sheet.  The page title of an H-factor plot is the projection number
// alone: a cut made on the screen is not marked on paper.
#include "screens/hardcopy.h"

#include "device/ps/ps.h"
#include "state/run_state.h"
#include "graph/graph_state.h"
#include "screens/frames.h"

namespace {

int first2 = 1;  // 1: the next page is the first of its file

}  // namespace

bool page_defined(int frame, int item) {
  if (frame == 1 || frame == 2) return item >= 1 && item <= expd.NL && item <= MAXL;
  return (frame >= 3 && frame <= 8) || frame == EMITTANCE_PAGE;
}

void hardcopy_settings() {
  coltag.PSXS = 0.2f;
  coltag.PSYS = 0.2f;
  coltag.PSXT = 1.0f;
  coltag.PSYT = 1.0f;
  coltag.PSTS = 8.0f;
}

void splotps_new_file() { first2 = 1; }

void splotps(const int& frame, const int& item) {
  if (!page_defined(frame, item)) return;
  frames_setup();
  if (first2 == 1) first2 = 0;
  else psnewpage();
  pstxts(coltag.PSTS);
  draw_page(paper_sheet(), frame, item);
}

void draw_page(const Sheet& s, int frame, int item) {
  if (!page_defined(frame, item)) return;
  frameps(0);
  FString<11> ltit;
  ltit = "L =";
  if (frame == 1 || frame == 2)
    number_title(ltit.c, item);
  const std::string_view title = ltit.view().substr(0, 5);
  switch (frame) {
    case EMITTANCE_PAGE: draw_emittance(s); break;
    case 1: draw_profile(s, item, title, "S (cm)", "Proj", 4, 0); break;
    case 2: draw_hfactors(s, item, title); break;
    case 3: draw_contour(s, item); break;
    case 4: draw_surface(s, 1); break;
    case 5: draw_surface(s, 0); break;
    case 6: draw_x_projection(s); break;
    case 7: draw_t_projection(s); break;
    case 8: draw_overview(s, -110); break;
  }
  frameold();
}
