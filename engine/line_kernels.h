// One H-function along a line of points, for whole lines at once.
//
// The iteration's line integrals and the density multiply, point by point,
// the values of one projection's H-function along a line by what the other
// projections gave before.  The kernels here do that on 1, 4, 8 or 16
// points at a time; each point gets hint's single-precision operations in
// hint's order, so every kernel gives the same bits.
#pragma once

#include <cstdint>

#include "state/run_state.h"

// The two numbers an interpolation starting at sample K1 reads: the factor
// H1 of sample K1 and the step DH = H2 - H1 to sample K1 + 1 (factors off
// the table are 0).  DH is the difference hint forms, formed once.
struct Pair {
  float H1;
  float DH;
};
// Interpolation starts kept per projection: K1 = -PAD .. NK + PAD, stored at
// K1 + PAD.  Starts below 0 or above NK read two zeros, so an index clamped
// into the range reads what hint reads.  PAD covers every start of a
// reference point inside the profile window with room to spare.
constexpr int PAD = 32;
constexpr int STARTS = MAXK + 2 * PAD + 1;
static_assert(STARTS <= 256, "a fixed line keeps places in bytes");

// The constants of one H-function along one line: the value at point n is
// hint(SA + T(n)*SB, L).
struct Line {
  float SA, SB;      // position along the profile: SA + T*SB
  float SLIM;        // half-width of the s window
  float RSTEP;       // samples per unit of s
  float SREF;        // position of s = 0 from the first sample
  int NK;            // samples per profile
  const Pair* pair;  // the projection's interpolation starts
  bool covered;      // every start from inside the window is in the table
};

// The kernels, in the order of their width.
enum class Kernel { plain, sse2, avx2, avx512 };
constexpr Kernel KERNELS[] = {Kernel::plain, Kernel::sse2, Kernel::avx2, Kernel::avx512};

// "plain", "sse2", "avx2", "avx512".
const char* kernel_name(Kernel k);
// Whether this build and this processor can run kernel k.
bool kernel_available(Kernel k);
// The widest kernel available.
Kernel widest_kernel();
// The kernel a request names (the value of KALO_KERNEL; null or empty: no
// request), or the widest available.  A name that is unknown, or a kernel
// this processor lacks, gets one line on standard error and the widest.
Kernel requested_kernel(const char* name);
// The kernel in use.  The first call chooses it: requested_kernel of the
// environment variable KALO_KERNEL.
Kernel line_kernel();
// Puts kernel k in use (tests, benchmarks); k must be available.
void use_line_kernel(Kernel k);

// A line of points: at most MAXK of them, in a buffer the wide kernels can
// read and write in whole aligned groups of 4, 8 or 16 points.
constexpr int LINE_POINTS = 64;
struct alignas(64) LineBuffer {
  float v[LINE_POINTS];
};

// For n = 0 .. NPTS - 1 and each line c[0 .. NLINES - 1] in turn:
// P(n) = hint(SA + T(n)*SB, L) * P(n), with the kernel in use.  The points
// of P from NPTS on must be 0; they may change, but stay finite when every
// line's table does.  With skip_zeros (every line's H-function is finite
// and not negative) a group of points that are all zero is left as it is:
// the remaining factors would leave it zero.
void multiply_lines(LineBuffer& P, const LineBuffer& T, int NPTS, const Line* c, int NLINES,
                    bool skip_zeros);

// A line whose look-ups are fixed.  The positions along a line depend only
// on the geometry of the run, not on the factors, so the iteration works them
// out once: for each point, its interpolation start's place in the
// projection's table (K1 + PAD) and its weight T1, as hint forms them.  A
// point where hint gives 0 whatever the factors (off the s window, or with
// both neighbours off the profile) reads place 0, whose pair is two zeros,
// with weight 0: 0*0 + 0 is the +0 that hint gives.
struct alignas(64) FixedLine {
  float T1[LINE_POINTS];
  std::uint8_t place[LINE_POINTS];
};

// Whether kernel k reads fixed lines (the AVX2 and AVX-512 kernels).  The
// tables cost some 6 MB at 20 projections and a pass over every point
// whenever the geometry changes, about two iterations' worth; the narrower
// kernels would take longer to make them than they save.
bool kernel_fixes_lines(Kernel k);

// Fixes line c on the points T(0 .. NPTS-1) (places and weights 0 from NPTS
// on).  Returns the mask of the points (bit n) where the line's H-function
// can be other than 0.  Needs a processor with AVX2.
std::uint64_t fix_line(FixedLine& f, const Line& c, const LineBuffer& T, int NPTS);

// multiply_lines on fixed lines: line i reads the pairs table[i].  With
// skip_zeros, a group of points none of which is in `live` is set to 0
// without evaluation: each of its points has a line whose H-function is 0
// there.  Gives the bits multiply_lines gives on the lines fixed.  Only
// while a kernel that fixes lines is in use.
void multiply_fixed(LineBuffer& P, int NPTS, const FixedLine* f, const Pair* const* table,
                    int NLINES, std::uint64_t live, bool skip_zeros);
