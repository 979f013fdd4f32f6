// KALO: maximum-entropy reconstruction of a beam's transverse phase space.
#include "driver/run_driver.h"

int main() { return run_driver(); }
