#include "graph/twin.h"

#include "device/ps/paper_pen.h"
#include "device/x11/window_pen.h"

Twin screen_twin(Pen& pen) { return {pen, true, true, "Cont  mmmrad   %", 6, true, 3, true}; }
Twin paper_twin(Pen& pen) { return {pen, false, false, "Cont    mmmrad      %", 8, false, 2, false}; }
Twin screen_twin() { return screen_twin(window_pen); }
Twin paper_twin() { return paper_twin(paper_pen); }
