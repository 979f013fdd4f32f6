// Format strings of the text records, parsed once into a list of edit
// descriptors that the record writer and the record reader both walk.
//
// A format such as "(1X,'SCEN: ',1P,10E9.2)" becomes a flat list: OPEN for
// each left parenthesis (with the group's repeat count), one entry per edit
// descriptor (with its own repeat count), CLOSE for each right parenthesis.
// The Cursor walks that list in execution order: it expands repeat counts,
// loops groups and reverts to the start of the outermost list when items
// remain after the last descriptor.  Neither part allocates.
#pragma once

#include <string_view>

namespace rec::fmt {

enum class Op : unsigned char {
  OPEN,    // '(' of a group; repeat = group count
  CLOSE,   // ')' of a group
  I,       // Iw
  F,       // Fw.d
  E,       // Ew.d
  A,       // A (width = -1: the item's length) or Aw
  X,       // nX: width = n columns
  LIT,     // 'text' or nH: text at chars[text], text_len characters
  SLASH,   // '/': repeat = number of record ends
  DOLLAR,  // '$': the statement leaves its last record open
  SCALE,   // kP: decimals = k
};

struct Desc {
  Op op;
  int repeat;    // repeat count (data descriptors, SLASH, OPEN), at least 1
  int width;     // field width (I, F, E, Aw), columns (X)
  int decimals;  // d of Fw.d and Ew.d; k of kP
  int text;      // LIT: offset of the text in Format::chars
  int text_len;  // LIT: number of characters
};

// Capacities; the program's longest formats use a few dozen descriptors.
constexpr int MAX_DESC = 128;
constexpr int MAX_CHARS = 1024;  // literal text of one format
constexpr int MAX_DEPTH = 8;     // nesting of parentheses
constexpr int MAX_WIDTH = 999;   // field width of I, F, E, A and X
constexpr int MAX_DECIMALS = 99;
// Descriptors one pass over the list may hand out, repeats included; bounds
// the work and the columns of a statement whatever the format says.
constexpr long MAX_EVENTS = 1000000;

struct Format {
  Desc d[MAX_DESC];
  int n = 0;
  char chars[MAX_CHARS];
  int nchars = 0;
  bool has_data = false;          // holds at least one I, F, E or A
  bool ends_with_dollar = false;  // '$' is the last descriptor of the list
};

inline bool is_data(Op op) { return op == Op::I || op == Op::F || op == Op::E || op == Op::A; }

// Parses text into f.  Returns 0, or the 1-based column where the format is
// wrong (unknown descriptor, missing width, unbalanced parentheses, text
// after the last parenthesis, capacity exceeded, more than MAX_EVENTS
// descriptors to a pass).
int parse(std::string_view text, Format& f);

// Walks a parsed format in execution order.
class Cursor {
 public:
  enum Event {
    DATA,    // a data descriptor (I, F, E, A) that wants one item
    LIT,     // literal text
    SKIP,    // nX
    SLASH,   // one record end
    DOLLAR,  // '$'
    SCALE,   // kP
    REVERT,  // end of the list with items left: the record ends, the list restarts
    END,     // end of the list, no items left (or no data descriptor to take them)
  };

  explicit Cursor(const Format& f);
  // Next event; d is set to its descriptor (unset for REVERT and END).
  // items_left says whether the statement still has items to transfer; it
  // decides between REVERT and END at the final parenthesis.
  Event next(bool items_left, const Desc*& d);

 private:
  const Format& f_;
  int pc_;              // index of the next descriptor to look at
  const Desc* cur_;     // descriptor being repeated
  int rep_left_;        // repeats of cur_ still to hand out
  int slash_left_;      // record ends of a repeated '/' still to hand out
  int open_[MAX_DEPTH];  // index of the OPEN of each active group
  int left_[MAX_DEPTH];  // passes each active group still has to make
  int depth_;
};

// Field conversions.  The edit functions write exactly w characters to out
// (w asterisks when the value does not fit); NaN and infinities are written
// right-justified as "NaN", "Inf", "-Inf".
void edit_int(int v, int w, char* out);
// Fw.d under scale factor k (the value is written times 10**k).
void edit_fixed(float v, int w, int d, int k, char* out);
// Ew.d under scale factor k; false when d and k do not go together
// (k <= -d or k > d + 1).
bool edit_exp(float v, int w, int d, int k, char* out);

// Input fields of w characters (the caller pads short lines with blanks).
// Blanks are ignored and an all-blank field is 0.  False on anything that is
// not a number of the descriptor's kind.  Under I a sign alone is 0 too.
bool scan_int(const char* field, int w, int& v);
// Fw.d and Ew.d: without a decimal point the digits are scaled by 10**-d,
// without an exponent by 10**-k; an exponent is E, e, D or d with an
// optional sign, or a sign alone, followed by digits.
bool scan_real(const char* field, int w, int d, int k, float& v);

// Free-layout text of a real: "%.9G" with a decimal point always present,
// "0." for zero, "NaN"/"Inf" for the others (no sign).  Returns the length.
int list_magnitude(float v, char* out, int cap);

}  // namespace rec::fmt
