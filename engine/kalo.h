// The maximum-entropy iteration.
#pragma once

// Runs at most MITER iterations from the current H-factors; ICON receives the
// number of the last iteration performed, QAVD its rms relative deviation
// (neither is written when MITER <= 0).  Fills RHO at the end.
void kalo(int& ICON, float& QAVD);
