// The six built-in test sources: three known densities, each seen under the
// three shear matrices R12 = -1, 0, 1, sampled like a measurement, and for
// the even test numbers with multiplicative Gaussian noise.
#include "driver/test_sources.h"

#include <cmath>

#include "device/sys/clock.h"
#include "records/fail.h"
#include "state/run_state.h"
#include "records/text_records.h"

namespace {

// Relative noise amplitude, and the value whose integer part seeds the
// generator on the first draw.
constexpr float BETA = 0.05f;
constexpr float ZERO = 1.0f;

// Column where "(with noisy data)" goes into TITLE.
constexpr int NOISE_COLUMN = 41;

// Inverse error function: relative change that counts as converged, and
// the most Newton rounds.
constexpr float TEST = 1E-12f;
constexpr int NITM = 100;

// True when (X - X0)^2 + (Y - Y0)^2 <= R^2, all in single precision; the
// boundary counts as inside.
bool inside(float X, float Y, float X0, float Y0, float R) {
  float DX = X - X0;
  float DY = Y - Y0;
  return DX * DX + DY * DY <= R * R;
}

}  // namespace

float sofun(const float& X, const float& Y) {
  switch (trol.NTEST) {
    case 3:
    case 4: {
      trol.TITLE = "Solid cylinder inside hollow cylinder";
      constexpr float X2 = -0.05f, Y2 = 0.02f, R2 = 0.15f, V2 = 1.0f;
      constexpr float X3 = 0.0f, Y3 = 0.0f, R3 = 0.25f, R4 = 0.3f, V3 = 0.5f;
      float value = 0.0f;
      if (inside(X, Y, X2, Y2, R2)) value = V2;
      // The ring wins where both hold.
      float DX = X - X3, DY = Y - Y3;
      float D2 = DX * DX + DY * DY;
      if (R3 * R3 <= D2 && D2 <= R4 * R4) value = V3;
      return value;
    }
    case 5:
    case 6: {
      trol.TITLE = "Off-center tilted asymmetric Gaussian";
      constexpr float XG = 0.02f, YG = 0.0f;
      float XD = X - XG;
      float YD = Y - YG;
      float ARG = ((XD * XD + YD * YD) * 9.0f + XD * 6.0f * YD) * 6.0f;
      return float(std::exp(double(-ARG)));
    }
    default: {
      // Cases 1 and 2, and every number outside 1..6, which the dialogue
      // does not hand on: the off-centre disc, so the value is always defined.
      trol.TITLE = "Off-center solid cylinder";
      constexpr float X0 = 0.05f, Y0 = 0.0f, R0 = 0.25f;
      return inside(X, Y, X0, Y0, R0) ? 1.0f : 0.0f;
    }
  }
}

float erfi(const float& Y) {
  if (Y < 0.0f || Y > 1.0f)
    fatal_record("(/,/,' ERFI called with Y < 0 or Y > 1, result =  neg inde    finite ',/)",
                 {});
  if (Y == 1.0f) return 5.5f;
  // erf(0) = 0 exactly; the relative test below would divide 0 by 0.
  if (Y == 0.0f) return 0.0f;
  float X = Y;
  float PREV = 0.0f;
  for (int n = 1; n <= NITM; ++n) {
    float E = float(std::exp(double(X * X)));
    float F = float(std::erf(double(X)));
    float XA = E * (Y - F) * 0.8862269f + X;
    float T1 = (XA - PREV) / XA;
    if (T1 < TEST) return XA;
    PREV = XA;
    X = XA;
  }
  fatal_record("(/,/,' ERFI unable to converge, result =  neg indefinite ',/)", {});
}

float ranff(const float& X) {
  static bool FIRST = true;
  if (FIRST) {
    FIRST = false;
    seed(int(X));
  }
  float RAN;
  random(RAN);
  return RAN;
}

void setp() {
  trol.TITLE.blank();
  trol.ICEN = 0;
  trol.MITER = 9;
  trol.PREC = 0.01f;
  trol.QTOL = 0.005f;
  trol.XPAR = -0.5f;
  trol.RELMAX = 0.05f;
  trol.RELFAC = 0.1f;
  trol.TH = 0.0f;
  expd.NK = MAXK;
  expd.NL = 3;
  stor.SLIM = 0.5f;
  stor.TLIM = 0.5f;
  expd.STEP = (stor.SLIM + stor.SLIM) / float(expd.NK - 1);
  expd.RSTEP = 1.0f / expd.STEP;
  expd.LREF = 1;
  expd.R12T(1) = -1.0f;
  expd.R12T(2) = 0.0f;
  expd.R12T(3) = 1.0f;
  for (int l = 1; l <= expd.NL; ++l) {
    expd.SMID(l) = stor.SLIM;
    stor.RMAT(1, 1, l) = 1.0f;
    stor.RMAT(1, 2, l) = expd.R12T(l);
    stor.RMAT(2, 1, l) = 0.0f;
    stor.RMAT(2, 2, l) = 1.0f;
    // The inverse of a matrix with determinant 1.
    stor.RINV(1, 1, l) = stor.RMAT(2, 2, l);
    stor.RINV(2, 2, l) = stor.RMAT(1, 1, l);
    stor.RINV(1, 2, l) = -stor.RMAT(1, 2, l);
    stor.RINV(2, 1, l) = -stor.RMAT(2, 1, l);
  }

  // Each sample is the trapezoid rule along the line of constant s, over
  // 511 points from t = -TLIM to t = +TLIM.
  const int NM = expd.NK * 5;
  const int NMTP1 = expd.NK * 10 + 1;
  const float DT = stor.TLIM / float(NM);
  for (int l = 1; l <= expd.NL; ++l) {
    for (int k = 1; k <= expd.NK; ++k) {
      float S = float(k - 1) * expd.STEP - expd.SMID(l);
      if (!(std::fabs(S) <= stor.SLIM)) continue;
      float SUM = 0.0f;
      for (int n = 1; n <= NMTP1; ++n) {
        float T = float(n - NM - 1) * DT;
        if (!(std::fabs(T) <= stor.TLIM)) continue;
        float X = stor.RINV(1, 1, l) * S + stor.RINV(1, 2, l) * T;
        float Y = stor.RINV(2, 1, l) * S + stor.RINV(2, 2, l) * T;
        float SOF = sofun(X, Y);
        SUM = SUM + SOF;
        if (n == 1 || n == NMTP1) SUM = SUM - SOF * 0.5f;
      }
      expd.PR(k, l) = SUM * DT;
    }
  }

  tran.NX = MAXG;
  tran.NY = MAXG;
  for (int i = 1; i <= tran.NX; ++i)
    tran.XGRID(i) = float(i - 1) * (1.0f / float(tran.NX - 1)) - 0.5f;
  for (int j = 1; j <= tran.NY; ++j)
    tran.YGRID(j) = float(j - 1) * (1.0f / float(tran.NY - 1)) - 0.5f;

  if (trol.NTEST % 2 != 1) {
    const char* NOISY = "(with noisy data)";
    for (int c = 0; NOISY[c] != '\0'; ++c) trol.TITLE(NOISE_COLUMN + c) = NOISY[c];
    for (int l = 1; l <= expd.NL; ++l) {
      for (int k = 1; k <= expd.NK; ++k) {
        // The first number gives the magnitude, the second the sign.
        float U1 = ranff(ZERO);
        float U2 = ranff(ZERO);
        float E = erfi(U1);
        float U3 = U2 - 0.5f >= 0.0f ? E : -E;
        expd.PR(k, l) = expd.PR(k, l) * (BETA * U3 + 1.0f);
      }
    }
  }
}
