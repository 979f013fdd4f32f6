// The measured-data file KALOIN.DAT.
#pragma once

// Reads KALOIN.DAT into the run state and builds the reconstruction grid.
void readp();
// The same for the measured-data file `path` (same layout, any name).
void readp_from(const char* path);

// The measured-data file as its reader and the example generator lay it
// out: the title, the geometry (XSHIF, SWID, YSHIF, TWID, NL), then per
// profile its matrix (R11, R12, R21, R22) and its 51 samples ten to a line,
// and last the iteration controls.
constexpr const char* DATA_FILE = "KALOIN.DAT";
constexpr int DATA_UNIT = 9;
constexpr const char* FMT_DATA_TITLE = "(A)";
constexpr const char* FMT_DATA_GEOMETRY = "(4F10.3,I6)";
constexpr const char* FMT_DATA_MATRIX = "(4F10.3)";
constexpr const char* FMT_DATA_SAMPLES = "(10F7.0)";
constexpr const char* FMT_DATA_CONTROLS = "(2I5,6F10.3)";

// Where the data of profile l stand in KALOIN.DAT: its matrix line (k = 0),
// the line of its sample k (1..51), or the geometry line (k < 0).
constexpr int GEOMETRY_LINE = -1;
// True once readp has read the run's data from KALOIN.DAT (not a test source).
bool data_from_file();
// Ends the run on a value of KALOIN.DAT that the preparation cannot use:
// "KALOIN.DAT, line N: expected <what the line holds>, found <found>".
[[noreturn]] void refuse_data(int l, int k, const char* found);
