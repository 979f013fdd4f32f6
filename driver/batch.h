// Batch runs: the program started with options reconstructs without a
// question and without a window, writing the log, the H-factors, the
// results files and the pages asked for into an output folder.
#pragma once

// Runs the batch given by the command line; returns the exit status: 0
// when every run succeeded, 1 when an input was refused or an output could
// not be written, 2 for a usage error.
int batch_main(int argc, char** argv);
