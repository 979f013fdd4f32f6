// Projection preparation and the start H-factors.
#pragma once

// Clips, noise-reduces and normalises the profiles, computes the geometry
// and asks for the start H-factors (internal values or HFAC.DAT).
void prep();
// Asks for the start H-factors again and resets HFAC (after a new TWID).
void prep2();
// Automatic noise reduction on PR.
void noisered();

// The H-factor file, as its writer (the run driver) and its reader (the
// start-value step above) both lay it out: a header record with NL and
// TITLE, then the NK factors of each profile in turn.
constexpr int HFAC_UNIT = 8;
constexpr const char* HFAC_FILE = "HFAC.DAT";
constexpr const char* FMT_HFAC_HEADER = "(I3,A80)";
constexpr const char* FMT_HFAC_VALUES = "(7(7E11.3,/),2E11.3)";
