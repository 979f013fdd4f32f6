// The result screens.  Until the graphics window and its frames exist, the
// run goes straight on from the reconstruction to the questions that follow.
#include "screens/splot.h"

void splot() {}
