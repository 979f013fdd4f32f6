// The steps of a run that the dialogue and a batch run share: the log and
// its header, one reconstruction call with its log lines, a new t window
// and the H-factor store.  Each writes exactly what the dialogue writes.
#pragma once

#include <string>

// Opens KALOOUT.DAT afresh in the working folder and writes its header.
void open_log();
// Writes the title to the terminal, runs kalo and logs the call (controls,
// ICON, QAVD and the whole seconds it took).
void reconstruct(int& ICON, float& QAVD);
// Takes the new angle window width NEWTW: logs the window line and
// rebuilds the y grid (the start H-factors are the caller's to set).
void set_twid(float NEWTW);
// Writes HFAC.DAT in the working folder; false with the reason in `why`
// when it could not be written (any earlier HFAC.DAT is then kept).
bool store_hfac(std::string& why);
