// Running an outside command, such as the print command, without a shell in
// between, so that a command that is missing or cannot be run is told apart
// from one that ran and failed.
#pragma once

// Runs argv[0] (a path) with the arguments argv[1..] (the list ends with a
// null pointer) and waits for it.  Returns its exit status (128 plus the
// signal number when a signal ended it), or -1 when it could not be run,
// with the system's reason in `error`.  A file without the magic of a
// program is run by /bin/sh, as the shell itself would.  While it runs,
// Control-C and Control-\ reach the command only, as with system().
int run_command(const char* const argv[], int& error);
