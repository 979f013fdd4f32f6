// The line kernels: hint along a line on 1, 4, 8 or 16 points at a time.
//
// The wide kernels are compiled for their instruction sets by function
// attributes, so the rest of the program stays baseline x86-64, and run
// only where the processor has them.  Every lane does hline's operations in
// hline's order; none of them uses a fused multiply-add.  A position is
// clamped into the s window before the table look-up, which leaves points
// inside it unchanged and keeps the others on the table; those are then
// set to +0, as hint returns for them.  Lines whose window reaches past the
// padded table run plainly.
#include "engine/line_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/integrals.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define KALO_X86 1
#else
#define KALO_X86 0
#endif

namespace {

// hint on the tabulated pairs: the same operations in the same order.
inline float hline(const Line& c, float T) {
  const float S = c.SA + T * c.SB;
  if (std::fabs(S) > c.SLIM) return 0.0f;
  const float SL = S + c.SREF;
  const float RA = c.RSTEP * SL;
  if (!(std::fabs(RA) < RA_LIMIT)) return 0.0f;
  const int K1 = hint_start(RA);
  const float T1 = RA - float(K1 - 1);
  const Pair& h = c.pair[std::clamp(K1, -PAD, c.NK + PAD) + PAD];
  return h.DH * T1 + h.H1;
}

void multiply_plain(float* P, const float* T, int lo, int hi, const Line* c, int NLINES,
                    bool skip_zeros) {
  for (int n = lo; n < hi; ++n)
    for (int i = 0; i < NLINES && !(skip_zeros && P[n] == 0.0f); ++i)
      P[n] = hline(c[i], T[n]) * P[n];
}

// One line on the points n .. n + W - 1 plainly (a line whose window reaches
// past its table), inside a wide kernel.
void one_line_plain(float* P, const float* T, int n, int W, const Line& c) {
  for (int k = n; k < n + W; ++k) P[k] = hline(c, T[k]) * P[k];
}

#if KALO_X86
// hint_start on eight positions RA (inside the limits of RA): K1 - 1, and
// the weight T1 = RA - (K1 - 1).
__attribute__((target("avx2"))) inline __m256i start8(__m256 RA, __m256& T1) {
  const __m256i negative =
      _mm256_castps_si256(_mm256_cmp_ps(RA, _mm256_setzero_ps(), _CMP_LT_OQ));
  const __m256i K1m1 = _mm256_add_epi32(_mm256_cvttps_epi32(RA), negative);
  T1 = _mm256_sub_ps(RA, _mm256_cvtepi32_ps(K1m1));
  return K1m1;
}

// Fixes eight points at a time: hline's operations up to the table look-up,
// in every lane.  A position off the limits of RA is set to 0 before its
// conversion; a point where hline gives 0 whatever the pairs (off the s
// window, off the limits of RA, or with both neighbours off the profile)
// gets place 0 and weight 0.
__attribute__((target("avx2"))) std::uint64_t fix_avx2(FixedLine& f, const Line& c,
                                                       const float* T, int NPTS) {
  const __m256 SA = _mm256_set1_ps(c.SA), SB = _mm256_set1_ps(c.SB);
  const __m256 SLIM = _mm256_set1_ps(c.SLIM), SREF = _mm256_set1_ps(c.SREF);
  const __m256 RSTEP = _mm256_set1_ps(c.RSTEP), LIMIT = _mm256_set1_ps(RA_LIMIT);
  const __m256 ABS = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  std::uint64_t live = 0;
  for (int n = 0; n < LINE_POINTS; n += 8) {
    const __m256 S = _mm256_add_ps(SA, _mm256_mul_ps(_mm256_load_ps(T + n), SB));
    const __m256 RA = _mm256_mul_ps(RSTEP, _mm256_add_ps(S, SREF));
    const __m256 finite = _mm256_cmp_ps(_mm256_and_ps(RA, ABS), LIMIT, _CMP_LT_OQ);
    __m256 T1;
    const __m256i K1m1 = start8(_mm256_and_ps(RA, finite), T1);  // K1 - 1
    const __m256i kept = _mm256_and_si256(
        _mm256_and_si256(_mm256_cmpgt_epi32(K1m1, _mm256_set1_epi32(-2)),   // K1 >= 0
                         _mm256_cmpgt_epi32(_mm256_set1_epi32(c.NK), K1m1)),  // K1 <= NK
        _mm256_cmpgt_epi32(_mm256_set1_epi32(NPTS),
                           _mm256_add_epi32(lane, _mm256_set1_epi32(n))));
    const __m256 on = _mm256_and_ps(
        _mm256_and_ps(_mm256_cmp_ps(_mm256_and_ps(S, ABS), SLIM, _CMP_LE_OQ), finite),
        _mm256_castsi256_ps(kept));
    _mm256_store_ps(f.T1 + n, _mm256_and_ps(T1, on));
    const __m256i place = _mm256_and_si256(_mm256_add_epi32(K1m1, _mm256_set1_epi32(PAD + 1)),
                                           _mm256_castps_si256(on));
    const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(place),
                                          _mm256_extracti128_si256(place, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(f.place + n),
                     _mm_packus_epi16(words, _mm_setzero_si128()));
    live |= std::uint64_t(unsigned(_mm256_movemask_ps(on))) << n;
  }
  return live;
}

#endif

#if KALO_X86

__attribute__((always_inline)) inline __m128 hline4(const Line& c, __m128 T) {
  const __m128 vSLIM = _mm_set1_ps(c.SLIM);
  const __m128 S = _mm_add_ps(_mm_set1_ps(c.SA), _mm_mul_ps(T, _mm_set1_ps(c.SB)));
  const __m128 vABS = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
  const __m128 inside = _mm_cmple_ps(_mm_and_ps(S, vABS), vSLIM);
  const __m128 SC = _mm_min_ps(_mm_max_ps(S, _mm_set1_ps(-c.SLIM)), vSLIM);
  const __m128 RA = _mm_mul_ps(_mm_set1_ps(c.RSTEP), _mm_add_ps(SC, _mm_set1_ps(c.SREF)));
  const __m128i negative = _mm_castps_si128(_mm_cmplt_ps(RA, _mm_setzero_ps()));  // -1 or 0
  const __m128i K1m1 = _mm_add_epi32(_mm_cvttps_epi32(RA), negative);            // K1 - 1
  const __m128 T1 = _mm_sub_ps(RA, _mm_cvtepi32_ps(K1m1));
  alignas(16) int idx[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(idx), _mm_add_epi32(K1m1, _mm_set1_epi32(PAD + 1)));
  const Pair* q = c.pair;
  const __m128 zero = _mm_setzero_ps();
  const __m128 p01 = _mm_loadh_pi(_mm_loadl_pi(zero, reinterpret_cast<const __m64*>(q + idx[0])),
                                  reinterpret_cast<const __m64*>(q + idx[1]));
  const __m128 p23 = _mm_loadh_pi(_mm_loadl_pi(zero, reinterpret_cast<const __m64*>(q + idx[2])),
                                  reinterpret_cast<const __m64*>(q + idx[3]));
  const __m128 H1 = _mm_shuffle_ps(p01, p23, _MM_SHUFFLE(2, 0, 2, 0));
  const __m128 DH = _mm_shuffle_ps(p01, p23, _MM_SHUFFLE(3, 1, 3, 1));
  return _mm_and_ps(_mm_add_ps(_mm_mul_ps(DH, T1), H1), inside);
}

void multiply_sse2(float* P, const float* T, int lo, int hi, const Line* c, int NLINES,
                   bool skip_zeros) {
  for (int n = lo; n < hi; n += 4) {
    const __m128 t = _mm_load_ps(T + n);
    __m128 p = _mm_load_ps(P + n);
    for (int i = 0; i < NLINES; ++i) {
      if (skip_zeros && _mm_movemask_ps(_mm_cmpneq_ps(p, _mm_setzero_ps())) == 0) break;
      if (c[i].covered) {
        p = _mm_mul_ps(hline4(c[i], t), p);
      } else {
        _mm_store_ps(P + n, p);
        one_line_plain(P, T, n, 4, c[i]);
        p = _mm_load_ps(P + n);
      }
    }
    _mm_store_ps(P + n, p);
  }
}

// The pairs q[k[0]] .. q[k[7]], split into their H1 and DH.  They are
// fetched by 64-bit loads, which was faster than two gather instructions on
// the AMD Zen 3 at hand.
template <class Place>
__attribute__((target("avx2"))) inline void pairs8(const Pair* q, const Place* k, __m256& H1,
                                                   __m256& DH) {
  const __m128 zero = _mm_setzero_ps();
  const __m128 p01 = _mm_loadh_pi(_mm_loadl_pi(zero, reinterpret_cast<const __m64*>(q + k[0])),
                                  reinterpret_cast<const __m64*>(q + k[1]));
  const __m128 p23 = _mm_loadh_pi(_mm_loadl_pi(zero, reinterpret_cast<const __m64*>(q + k[2])),
                                  reinterpret_cast<const __m64*>(q + k[3]));
  const __m128 p45 = _mm_loadh_pi(_mm_loadl_pi(zero, reinterpret_cast<const __m64*>(q + k[4])),
                                  reinterpret_cast<const __m64*>(q + k[5]));
  const __m128 p67 = _mm_loadh_pi(_mm_loadl_pi(zero, reinterpret_cast<const __m64*>(q + k[6])),
                                  reinterpret_cast<const __m64*>(q + k[7]));
  const __m256 a = _mm256_set_m128(p45, p01);
  const __m256 b = _mm256_set_m128(p67, p23);
  H1 = _mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
  DH = _mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
}

// Eight points.
__attribute__((target("avx2"))) inline __m256 hline8(const Line& c, __m256 T) {
  const __m256 SLIM = _mm256_set1_ps(c.SLIM);
  const __m256 S = _mm256_add_ps(_mm256_set1_ps(c.SA), _mm256_mul_ps(T, _mm256_set1_ps(c.SB)));
  const __m256 ABS = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
  const __m256 inside = _mm256_cmp_ps(_mm256_and_ps(S, ABS), SLIM, _CMP_LE_OQ);
  const __m256 SC = _mm256_min_ps(_mm256_max_ps(S, _mm256_set1_ps(-c.SLIM)), SLIM);
  const __m256 RA =
      _mm256_mul_ps(_mm256_set1_ps(c.RSTEP), _mm256_add_ps(SC, _mm256_set1_ps(c.SREF)));
  __m256 T1;
  const __m256i K1m1 = start8(RA, T1);
  const __m256i idx = _mm256_add_epi32(K1m1, _mm256_set1_epi32(PAD + 1));
  alignas(32) int i[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(i), idx);
  __m256 H1, DH;
  pairs8(c.pair, i, H1, DH);
  return _mm256_and_ps(_mm256_add_ps(_mm256_mul_ps(DH, T1), H1), inside);
}

__attribute__((target("avx2"))) inline __m256 fixed8(const FixedLine& f, const Pair* q, int n) {
  __m256 H1, DH;
  pairs8(q, f.place + n, H1, DH);
  return _mm256_add_ps(_mm256_mul_ps(DH, _mm256_load_ps(f.T1 + n)), H1);
}

__attribute__((target("avx2"))) void fixed_avx2(float* P, int NPTS, const FixedLine* f,
                                                const Pair* const* table, int NLINES,
                                                std::uint64_t live, bool skip_zeros) {
  for (int n = 0; n < NPTS; n += 8) {
    __m256 p = _mm256_setzero_ps();
    if (!skip_zeros || ((live >> n) & 0xff) != 0) {
      p = _mm256_load_ps(P + n);
      for (int i = 0; i < NLINES; ++i) {
        if (skip_zeros &&
            _mm256_movemask_ps(_mm256_cmp_ps(p, _mm256_setzero_ps(), _CMP_NEQ_UQ)) == 0)
          break;
        p = _mm256_mul_ps(fixed8(f[i], table[i], n), p);
      }
    }
    _mm256_store_ps(P + n, p);
  }
}

__attribute__((target("avx2"))) void multiply_avx2(float* P, const float* T, int lo, int hi,
                                                   const Line* c, int NLINES, bool skip_zeros) {
  for (int n = lo; n < hi; n += 8) {
    const __m256 t = _mm256_load_ps(T + n);
    __m256 p = _mm256_load_ps(P + n);
    for (int i = 0; i < NLINES; ++i) {
      if (skip_zeros &&
          _mm256_movemask_ps(_mm256_cmp_ps(p, _mm256_setzero_ps(), _CMP_NEQ_UQ)) == 0)
        break;
      if (c[i].covered) {
        p = _mm256_mul_ps(hline8(c[i], t), p);
      } else {
        _mm256_store_ps(P + n, p);
        one_line_plain(P, T, n, 8, c[i]);
        p = _mm256_load_ps(P + n);
      }
    }
    _mm256_store_ps(P + n, p);
  }
}

// Sixteen points.  The operations run under a full mask with zeroing, which
// is the same as without one but keeps the compiler's headers from leaving
// lanes unset.
constexpr __mmask16 ALL = 0xffff;

__attribute__((target("avx512f"))) inline __m512 hline16(const Line& c, __m512 T) {
  const __m512 SLIM = _mm512_set1_ps(c.SLIM);
  const __m512 S = _mm512_add_ps(_mm512_set1_ps(c.SA), _mm512_mul_ps(T, _mm512_set1_ps(c.SB)));
  const __m512 absS =
      _mm512_castsi512_ps(_mm512_and_si512(_mm512_castps_si512(S), _mm512_set1_epi32(0x7fffffff)));
  const __mmask16 inside = _mm512_cmp_ps_mask(absS, SLIM, _CMP_LE_OQ);
  const __m512 SC =
      _mm512_maskz_min_ps(ALL, _mm512_maskz_max_ps(ALL, S, _mm512_set1_ps(-c.SLIM)), SLIM);
  const __m512 RA =
      _mm512_mul_ps(_mm512_set1_ps(c.RSTEP), _mm512_add_ps(SC, _mm512_set1_ps(c.SREF)));
  const __mmask16 negative = _mm512_cmp_ps_mask(RA, _mm512_setzero_ps(), _CMP_LT_OQ);
  const __m512i K0 = _mm512_maskz_cvttps_epi32(ALL, RA);
  const __m512i K1m1 = _mm512_mask_sub_epi32(K0, negative, K0, _mm512_set1_epi32(1));
  const __m512 T1 = _mm512_sub_ps(RA, _mm512_maskz_cvtepi32_ps(ALL, K1m1));
  const __m512i idx = _mm512_add_epi32(K1m1, _mm512_set1_epi32(PAD + 1));
  const __m512 H1 =
      _mm512_mask_i32gather_ps(_mm512_setzero_ps(), ALL, idx, &c.pair->H1, sizeof(Pair));
  const __m512 DH =
      _mm512_mask_i32gather_ps(_mm512_setzero_ps(), ALL, idx, &c.pair->DH, sizeof(Pair));
  return _mm512_maskz_mov_ps(inside, _mm512_add_ps(_mm512_mul_ps(DH, T1), H1));
}

__attribute__((target("avx512f"))) inline __m512 fixed16(const FixedLine& f, const Pair* q,
                                                        int n) {
  const __m128i places = _mm_load_si128(reinterpret_cast<const __m128i*>(f.place + n));
  const __m512i idx = _mm512_maskz_cvtepu8_epi32(ALL, places);
  const __m512 H1 = _mm512_mask_i32gather_ps(_mm512_setzero_ps(), ALL, idx, &q->H1, sizeof(Pair));
  const __m512 DH = _mm512_mask_i32gather_ps(_mm512_setzero_ps(), ALL, idx, &q->DH, sizeof(Pair));
  return _mm512_add_ps(_mm512_mul_ps(DH, _mm512_load_ps(f.T1 + n)), H1);
}

__attribute__((target("avx512f"))) void fixed_avx512(float* P, int NPTS, const FixedLine* f,
                                                    const Pair* const* table, int NLINES,
                                                    std::uint64_t live, bool skip_zeros) {
  for (int n = 0; n < NPTS; n += 16) {
    __m512 p = _mm512_setzero_ps();
    if (!skip_zeros || ((live >> n) & 0xffff) != 0) {
      p = _mm512_load_ps(P + n);
      for (int i = 0; i < NLINES; ++i) {
        if (skip_zeros && _mm512_cmp_ps_mask(p, _mm512_setzero_ps(), _CMP_NEQ_UQ) == 0) break;
        p = _mm512_mul_ps(fixed16(f[i], table[i], n), p);
      }
    }
    _mm512_store_ps(P + n, p);
  }
}

__attribute__((target("avx512f"))) void multiply_avx512(float* P, const float* T, int lo, int hi,
                                                       const Line* c, int NLINES,
                                                       bool skip_zeros) {
  for (int n = lo; n < hi; n += 16) {
    const __m512 t = _mm512_load_ps(T + n);
    __m512 p = _mm512_load_ps(P + n);
    for (int i = 0; i < NLINES; ++i) {
      if (skip_zeros && _mm512_cmp_ps_mask(p, _mm512_setzero_ps(), _CMP_NEQ_UQ) == 0) break;
      if (c[i].covered) {
        p = _mm512_mul_ps(hline16(c[i], t), p);
      } else {
        _mm512_store_ps(P + n, p);
        one_line_plain(P, T, n, 16, c[i]);
        p = _mm512_load_ps(P + n);
      }
    }
    _mm512_store_ps(P + n, p);
  }
}

#endif

using Multiply = void (*)(float*, const float*, int, int, const Line*, int, bool);
using MultiplyFixed = void (*)(float*, int, const FixedLine*, const Pair* const*, int,
                               std::uint64_t, bool);

Multiply multiply_of(Kernel k) {
#if KALO_X86
  switch (k) {
    case Kernel::sse2: return multiply_sse2;
    case Kernel::avx2: return multiply_avx2;
    case Kernel::avx512: return multiply_avx512;
    case Kernel::plain: break;
  }
#endif
  (void)k;
  return multiply_plain;
}

MultiplyFixed multiply_fixed_of(Kernel k) {
#if KALO_X86
  if (k == Kernel::avx2) return fixed_avx2;
  if (k == Kernel::avx512) return fixed_avx512;
#endif
  (void)k;
  return nullptr;
}

Kernel chosen = Kernel::plain;
Multiply multiply = nullptr;  // set on first use
MultiplyFixed multiply_fixed_k = nullptr;

}  // namespace

const char* kernel_name(Kernel k) {
  switch (k) {
    case Kernel::sse2: return "sse2";
    case Kernel::avx2: return "avx2";
    case Kernel::avx512: return "avx512";
    case Kernel::plain: break;
  }
  return "plain";
}

bool kernel_available(Kernel k) {
#if KALO_X86
  switch (k) {
    case Kernel::sse2: return true;  // part of x86-64
    case Kernel::avx2: return __builtin_cpu_supports("avx2");
    case Kernel::avx512: return __builtin_cpu_supports("avx512f");
    case Kernel::plain: break;
  }
#endif
  return k == Kernel::plain;
}

Kernel widest_kernel() {
  Kernel widest = Kernel::plain;
  for (Kernel k : KERNELS)
    if (kernel_available(k)) widest = k;
  return widest;
}

Kernel requested_kernel(const char* name) {
  if (!name || !*name) return widest_kernel();
  for (Kernel k : KERNELS) {
    if (std::strcmp(name, kernel_name(k)) != 0) continue;
    if (kernel_available(k)) return k;
    std::fprintf(stderr, "KALO_KERNEL=%s: this processor cannot run it; using %s\n", name,
                 kernel_name(widest_kernel()));
    return widest_kernel();
  }
  std::fprintf(stderr, "KALO_KERNEL=%s: not a kernel (plain, sse2, avx2, avx512); using %s\n",
               name, kernel_name(widest_kernel()));
  return widest_kernel();
}

Kernel line_kernel() {
  if (!multiply) use_line_kernel(requested_kernel(std::getenv("KALO_KERNEL")));
  return chosen;
}

void use_line_kernel(Kernel k) {
  chosen = kernel_available(k) ? k : Kernel::plain;
  multiply = multiply_of(chosen);
  multiply_fixed_k = multiply_fixed_of(chosen);
}

void multiply_lines(LineBuffer& P, const LineBuffer& T, int NPTS, const Line* c, int NLINES,
                    bool skip_zeros) {
  if (!multiply) line_kernel();
  multiply(P.v, T.v, 0, NPTS, c, NLINES, skip_zeros);
}

bool kernel_fixes_lines(Kernel k) {
  // The tables are made with AVX2 (every processor with AVX-512 has it).
  return (k == Kernel::avx2 || k == Kernel::avx512) && kernel_available(Kernel::avx2);
}

std::uint64_t fix_line(FixedLine& f, const Line& c, const LineBuffer& T, int NPTS) {
#if KALO_X86
  return fix_avx2(f, c, T.v, NPTS);
#else
  (void)f, (void)c, (void)T, (void)NPTS;
  return 0;  // never called: no kernel here fixes lines
#endif
}

void multiply_fixed(LineBuffer& P, int NPTS, const FixedLine* f, const Pair* const* table,
                    int NLINES, std::uint64_t live, bool skip_zeros) {
  if (!multiply) line_kernel();
  multiply_fixed_k(P.v, NPTS, f, table, NLINES, live, skip_zeros);
}
