// Every line kernel this processor can run reconstructs exactly as the
// plain one, and KALO_KERNEL chooses among them.
#include "engine/line_kernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/integrals.h"
#include "engine/kalo.h"
#include "records/text_records.h"
#include "tests/support/prepared.h"

// Terminal and log lines, and ICON, QAVD, H-factors, computed projections
// and density of a reconstruction with kernel k from the run state as it is.
static auto reconstruct(Kernel k) {
  use_line_kernel(k);
  const auto start = std::tuple{stor, conti, tran, blank, pint};
  rec::open(7, "KALOOUT.DAT", rec::Status::UNKNOWN);
  int ICON = 0; float QAVD = 0.0f;
  ::testing::internal::CaptureStdout();
  kalo(ICON, QAVD);
  std::string lines = ::testing::internal::GetCapturedStdout();
  rec::close(7);
  const auto numbers = std::tuple{ICON, QAVD, stor.HFAC, blank.PCAL, tran.RHO};
  std::tie(stor, conti, tran, blank, pint) = start;
  return std::pair{lines + kalo_test::read_file("KALOOUT.DAT"), numbers};
}

// Calls check(k, fixed, result of reconstruct(k)) for every kernel this
// processor can run, and for those that read fixed lines once more without.
template <class Check>
static void each_kernel_way(Check check) {
  for (Kernel k : KERNELS)
    for (bool fixed : {true, false}) {
      if (!kernel_available(k) || (!fixed && !kernel_fixes_lines(k))) continue;
      kalo_fixed_lines = fixed;
      const auto result = reconstruct(k);
      kalo_fixed_lines = true;
      check(k, fixed ? "" : " unfixed", result);
    }
}

// Test sources 1..6 and both examples, some of them changed after the
// preparation.  The wide kernels keep tables made for the geometry they last
// saw, so each change to source 1 comes right after the case it alone
// differs from.
TEST(LineKernels, EveryKernelReconstructsAsThePlainOne) {
  kalo_test::enter_temp_dir();
  const struct { int source; const char* example; void (*change)(); } cases[] = {
      {1, "KALOIN.DAT", [] {}},
      {1, "KALOIN.DAT", [] { stor.SREF(2) += 0.01f; }},
      {1, "KALOIN.DAT", [] { stor.SREF(2) += 0.01f, stor.TLIM *= 1.1f; }},
      // reference points off the window, untame factors
      {1, "KALOIN.DAT", [] {
         std::tie(stor.SREF(1), stor.SREF(3), stor.HFAC(30, 3), stor.HFAC(20, 2),
                  stor.HFAC(21, 2)) = std::tuple{3.0f, -2.2f, 3e38f, -0.5f, -0.5f};
       }},
      {2, "KALOIN.DAT", [] {}}, {3, "KALOIN.DAT", [] {}}, {4, "KALOIN.DAT", [] {}},
      {5, "KALOIN.DAT", [] {}}, {6, "KALOIN.DAT", [] {}}, {0, "KALOIN.DAT", [] {}},
      {0, "KALOIN20.DAT", [] {}},
      // tame factors whose products overflow
      {0, "KALOIN.DAT", [] {
         for (int l = 2; l <= expd.NL; ++l)
           for (int k = 1; k <= MAXK; ++k) stor.HFAC(k, l) = 1e13f;
       }},
  };
  for (const auto& c : cases) {
    kalo_test::prepare_source(c.source, "\n\n", c.example);  // the defaults
    trol.MITER = 30;
    c.change();
    const auto plain = reconstruct(Kernel::plain);
    each_kernel_way([&](Kernel k, const char* way, const auto& result) {
      EXPECT_TRUE(result.first == plain.first &&
                  std::memcmp(&result.second, &plain.second, sizeof plain.second) == 0)
          << "case " << &c - cases << ", " << kernel_name(k) << way;
    });
  }
}

// Projection 1's computed projection after one sweep is the plain reading:
// factor times qtrap(prod, -TLIM, TLIM, NK) over the other projections'
// start factors.  The factors are nowhere zero and the other projections'
// reference points are moved off the middle, so that the lines also read
// the pairs that reach past either end of a profile.
TEST(LineKernels, ComputedProjectionsAreThePlainIntegrals) {
  kalo_test::enter_temp_dir();
  kalo_test::prepare_source(1, "N\n\n");
  for (int l = 1; l <= expd.NL; ++l)
    for (int k = 1; k <= expd.NK; ++k) stor.HFAC(k, l) = 1.0f + 0.01f * float(k * l % 7);
  stor.SREF(2) += 0.2f * stor.SLIM;
  stor.SREF(3) -= 0.2f * stor.SLIM;
  trol.MITER = 1;
  pint.LPROJ = 1;
  each_kernel_way([](Kernel k, const char* way, const auto& result) {
    const auto& PCAL = std::get<3>(result.second);
    for (int K = 1; K <= expd.NK; ++K) {
      pint.SPOS = float(K - 1) * expd.STEP - stor.SREF(1);
      if (std::fabs(pint.SPOS) > stor.SLIM) continue;
      const float plain = stor.HFAC(K, 1) * qtrap(prod, -stor.TLIM, stor.TLIM, expd.NK);
      EXPECT_EQ(std::memcmp(&PCAL(K, 1), &plain, sizeof plain), 0)
          << kernel_name(k) << way << ", K = " << K;
    }
  });
}

TEST(LineKernels, TheEnvironmentChoosesAKernelOrSaysWhyNot) {
  const std::string widest = kernel_name(widest_kernel());  // avx512 where the processor has it
  const struct { const char* request; std::string kernel, message; } cases[] = {
      {"plain", "plain", ""},
      {"avx", widest, "KALO_KERNEL=avx: not a kernel (plain, sse2, avx2, avx512)"},
      {"avx512", widest, widest == "avx512" ? "" : "KALO_KERNEL=avx512: this processor cannot run it"},
  };
  for (const auto& c : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(kernel_name(requested_kernel(c.request)), c.kernel);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              c.message.empty() ? "" : c.message + "; using " + widest + "\n");
  }
}
