// The measured-data file KALOIN.DAT.
#pragma once

// Reads KALOIN.DAT into the run state and builds the reconstruction grid.
void readp();
