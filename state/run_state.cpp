#include "state/run_state.h"

#include <type_traits>

// Static storage: zero-filled before the program starts.
trol_t trol;
expd_t expd;
stor_t stor;
tran_t tran;
conti_t conti;
pint_t pint;
coltag_t coltag;
timdsp_t timdsp;
tywid_t tywid;
blank_t blank;
rule_t rule;

static_assert(std::is_trivial_v<stor_t> && std::is_standard_layout_v<stor_t>);
static_assert(sizeof(stor_t::HFAC) == 1020 * sizeof(float));

void reset_run_state() {
  trol = {};
  expd = {};
  stor = {};
  tran = {};
  conti = {};
  pint = {};
  coltag = {};
  timdsp = {};
  tywid = {};
  blank = {};
  rule = {};
}
