// Fuzz target: HFAC.DAT through the start-factor step.  The input is the
// whole file; the run has test source 1's title and the number of profiles
// that the file's first three columns give (three when they give none from
// 1 to 20), so a file stored by such a run is accepted.  Whatever the file
// holds, the start factors must be ones the iteration can work from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "driver/prep.h"
#include "state/run_state.h"
#include "engine/kalo.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kalo_fuzz::init();
  kalo_fuzz::reset();
  trol.TITLE = "Off-center solid cylinder";
  expd.NK = MAXK;
  int nl = 0;
  for (std::size_t i = 0; i < 3 && i < size; ++i)
    if (data[i] >= '0' && data[i] <= '9') nl = nl * 10 + (data[i] - '0');
  expd.NL = nl >= 1 && nl <= MAXL ? nl : 3;
  kalo_fuzz::write_input(HFAC_FILE, data, size);
  kalo_fuzz::set_answers("F\n");
  kalo_fuzz::run([] {
    prep2();
    for (int i = 0; i < MAXK * MAXL; ++i)
      if (!(stor.HFAC.v[i] >= 0.0f && stor.HFAC.v[i] <= HCAP)) std::abort();
  });
  return 0;
}
