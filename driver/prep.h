// Projection preparation and the start H-factors.
#pragma once

// Clips, noise-reduces and normalises the profiles, computes the geometry
// and asks for the start H-factors (internal values or HFAC.DAT).
void prep();
// Asks for the start H-factors again and resets HFAC (after a new TWID).
void prep2();
// The work of prep without its questions: clips, noise-reduces (when
// `noise_reduction`) and normalises the profiles and computes the geometry;
// the start H-factors are left to the caller.
void prep_profiles(bool noise_reduction);
// The start H-factors without a question: all 1 when `file` is null, else
// the factors of the H-factor file `file`.  A file that cannot be used
// (missing, unreadable, written for another run) gives false with the
// reason in `why` (empty for a missing file), and the factors are all 1.
bool start_factors(const char* file, char* why, int cap);
// Automatic noise reduction on PR.
void noisered();

// The H-factor file, as its writer (the run driver) and its reader (the
// start-value step above) both lay it out: a header record with NL and
// TITLE, then the NK factors of each profile in turn.
constexpr int HFAC_UNIT = 8;
constexpr const char* HFAC_FILE = "HFAC.DAT";
constexpr const char* FMT_HFAC_HEADER = "(I3,A80)";
constexpr const char* FMT_HFAC_VALUES = "(7(7E11.3,/),2E11.3)";
