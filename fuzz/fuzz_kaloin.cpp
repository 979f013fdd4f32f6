// Fuzz target: KALOIN.DAT through the reader and the preparation, which
// together refuse every file whose values or derived quantities the
// iteration cannot use.  The input is the whole file; the terminal answers
// take the internal start factors, and the noise reduction for inputs of
// even length, none for odd ones.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "driver/data_file.h"
#include "driver/prep.h"
#include "state/run_state.h"
#include "fuzz/fuzz_support.h"

namespace {

// What the iteration relies on in a prepared run state.
void check_prepared() {
  bool ok = expd.NL >= 1 && expd.NL <= MAXL && std::isfinite(expd.STEP) &&
            std::isfinite(expd.RSTEP) && std::isfinite(stor.XCEN) && std::isfinite(stor.YCEN);
  for (int l = 1; l <= expd.NL; ++l) {
    ok = ok && std::isfinite(stor.SREF(l)) && std::isfinite(stor.SCEN(l));
    for (int k = 1; k <= expd.NK; ++k) ok = ok && std::isfinite(expd.PR(k, l)) && expd.PR(k, l) >= 0;
    for (int j = 1; j <= expd.NL; ++j)
      ok = ok && std::isfinite(pint.AMAT(l, j)) && std::isfinite(pint.BMAT(l, j));
  }
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kalo_fuzz::init();
  kalo_fuzz::reset();
  kalo_fuzz::write_input(DATA_FILE, data, size);
  kalo_fuzz::set_answers(size % 2 == 0 ? "\n\n" : "N\n\n");
  kalo_fuzz::run([] {
    readp();
    prep();
    check_prepared();
  });
  return 0;
}
