// The run driver: the terminal dialogue and the run loop.
#pragma once

// Runs the whole program; returns the exit status.
int run_driver();
