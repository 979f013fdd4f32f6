// KALO: maximum-entropy reconstruction of a beam's transverse phase space.
// Without arguments the interactive program; with options a batch run.
#include "driver/batch.h"
#include "driver/run_driver.h"

int main(int argc, char** argv) { return argc > 1 ? batch_main(argc, argv) : run_driver(); }
