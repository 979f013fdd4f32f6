// The run state: the shared records that every computing part reads and
// writes by field name.  Each record is a plain struct with one global
// instance that is zero-filled at program start and lives for the whole run.
//
// Capacities: 51 samples per profile, 20 profiles (projections), a 51 x 51
// reconstruction grid.  Count fields (NK, NL, NX, NY) say how much is in use.
// Coordinates: s along a profile (cm), x position (cm), y angle (rad), t the
// frame coordinate of a projection that its profile does not resolve.
#pragma once

#include "state/fixed.h"

// Samples per profile: every profile has 51 points.
constexpr int MAXK = 51;
// Profiles (projections) the arrays can hold.
constexpr int MAXL = 20;
// Grid points along x and along y.
constexpr int MAXG = 51;

// Run control.
struct trol_t {
  FString<80> TITLE;  // run title: log headings, screens, HFAC.DAT
  int NTEST;          // 0 = measured data, 1..6 = built-in test source
  int ICEN;           // centring mode for SREF: 0, 2 or other
  int MITER;          // maximum iterations of one reconstruction call
  float PREC;         // convergence threshold on QAVD
  float QTOL;         // half-width of the ratio band of the H-factor update
  float XPAR;         // carried from the control record, unused
  float RELMAX;       // carried from the control record, unused
  float RELFAC;       // carried from the control record, unused
  float TH;           // carried from the control record, unused
};

// Measured profiles.
struct expd_t {
  int NK;                        // samples per profile (always 51)
  int NL;                        // profiles in use, 1..20
  FArray<float, MAXK, MAXL> PR;  // PR(k,l): sample k of profile l
  FArray<float, MAXL> R12T;      // test sources: R12 of each synthetic matrix
  float STEP;                    // sample spacing along s (cm): 2*SLIM/(NK-1)
  float RSTEP;                   // 1/STEP
  FArray<float, MAXL> SMID;      // middle of each profile window (= SLIM)
  int LREF;                      // reference profile for the area (always 1)
};

// Geometry and H-factors.
struct stor_t {
  float XCEN;                       // least-squares beam centre, x (cm)
  float YCEN;                       // least-squares beam centre, y (rad)
  FArray<float, MAXL> SCEN;         // centroid of each profile from its first sample
  FArray<float, 2, 2, MAXL> RMAT;   // transfer matrix of each projection, (row, col, l)
  FArray<float, 2, 2, MAXL> RINV;   // inverse of each RMAT
  FArray<float, MAXK, MAXL> HFAC;   // H-factors, the reconstruction's unknowns
  FArray<float, MAXL> SREF;         // position along profile l of s = 0
  float SLIM;                       // half-width of the s window (cm)
  float TLIM;                       // half-width of the t window: TWID/2
};

// Reconstruction grid and result.
struct tran_t {
  int NX;                          // grid points in x (51)
  int NY;                          // grid points in y (51)
  FArray<float, MAXG> XGRID;       // x of grid column i (cm)
  FArray<float, MAXG> YGRID;       // y of grid row j (rad)
  FArray<float, MAXG, MAXG> RHO;   // density at (XGRID(i), YGRID(j))
};

// Saved H-factors.
struct conti_t {
  FArray<float, MAXK, MAXL> HSAVE;  // HFAC at the start of the last iteration
};

// State shared by the iteration and the line integral.
struct pint_t {
  float SPOS;                      // s of the sample being integrated, frame LPROJ
  float TPOS;                      // t, the current integration variable
  int LPROJ;                       // projection being updated
  FArray<float, MAXL, MAXL> AMAT;  // (1,1) element of RMAT(i)*RINV(j)
  FArray<float, MAXL, MAXL> BMAT;  // (1,2) element of RMAT(i)*RINV(j)
};

// Hardcopy settings.
struct coltag_t {
  int ICOL;    // 0 = black and white, 1 = colour
  float PSXS;  // points per device unit, x
  float PSYS;  // points per device unit, y
  float PSXT;  // x of the first page's translation
  float PSYT;  // y of the first page's translation
  float PSTS;  // text size in points
  int IPRINT;  // printer device 1..4
};

struct timdsp_t {
  int ITEST;  // 1 = data from a test source, 0 = measured data
};

struct tywid_t {
  float YSHIF;  // centre of the y grid (rad)
  float TWID;   // full width of the t window (rad); TLIM = TWID/2
};

// The unnamed work block of the reconstruction and the screen drivers.
struct blank_t {
  FArray<float, MAXK> XWRK;         // work abscissae of the screens
  FArray<float, MAXK> YWRK;         // work array, scratch for the plots
  FArray<float, MAXK, MAXL> PCAL;   // computed projection of the last iteration
};

// The iteration rule and its step.  The interactive program leaves it zero:
// the ratio band.  The multiplicative rule rescales every factor by
// (measured/computed)^OMEGA and halves OMEGA after a sweep that fits worse.
enum : int { RULE_BAND = 0, RULE_MULT = 1 };
struct rule_t {
  int RULE;      // RULE_BAND or RULE_MULT
  float OMEGA0;  // mult: step of the last call's first sweep (0.5; 1 for NL = 1)
  float OMEGA;   // mult: step at the end of the last call
  float QW;      // mult: count-weighted rms mismatch of the best sweep
};

extern trol_t trol;
extern expd_t expd;
extern stor_t stor;
extern tran_t tran;
extern conti_t conti;
extern pint_t pint;
extern coltag_t coltag;
extern timdsp_t timdsp;
extern tywid_t tywid;
extern blank_t blank;
extern rule_t rule;

// Sets every record back to zero, as at program start (for tests that run
// several reconstructions in one process).
void reset_run_state();
