// The steps of a run that the dialogue and a batch run share: the log and
// its header, one reconstruction call with its log lines, a new t window
// and the H-factor store.  Each writes exactly what the dialogue writes.
#pragma once

#include <string>

// Opens KALOOUT.DAT afresh in the working folder and writes its header.
void open_log();
// Writes the title to the terminal, runs kalo and logs the call (controls,
// ICON, QAVD and the whole seconds it took).  `resumed`: the call starts
// from the factors the last call ended with, so its first sweep is kept only
// when it beats that call's QAVD; when it does not, the terminal says once
// that these settings leave nothing to gain.
void reconstruct(int& ICON, float& QAVD, bool resumed);
// Whether HFAC holds the factors the last reconstruction call ended with.
bool resumes_last_call();
// Whether the answer NEWTW to the TWID question is a new angle window (not
// 0, not the window's width as given or as in use).
bool takes_new_twid(float NEWTW);
// Takes the new angle window width NEWTW: logs the window line and
// rebuilds the y grid (the start H-factors are the caller's to set).
void set_twid(float NEWTW);
// Writes HFAC.DAT in the working folder; false with the reason in `why`
// when it could not be written (any earlier HFAC.DAT is then kept).
bool store_hfac(std::string& why);
