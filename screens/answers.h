// Reading the answers of the window's questions.  An answer is the text
// the device returned, in 30 columns, blank-padded: typed characters,
// "MOUSE1".."MOUSE3" with the pointer position in columns 7-20, or
// "CONTROL_Z".  Numbers are read with the formats of the text records: an
// all-blank field reads as 0, a letter is a read error.
#pragma once

#include <string_view>

#include "state/fixed.h"

using Answer = FString<30>;

// The answer begins with `word` ("MOUSE1", "MOUSE2", "CONTROL_Z").
bool answer_is(const Answer& a, std::string_view word);
// "P" or "p" in column 1: a hardcopy.
bool answer_is_p(const Answer& a);
// The digit in column 1, "(I1)"; false on a read error.
bool answer_digit(const Answer& a, int& v);
// The pointer position of a button answer, "(2F7.1)" from columns 7-20
// (0, 0 when it cannot be read).
void answer_pointer(const Answer& a, float& x, float& y);
// A frame number: one digit 0..8 in column 1 and nothing after it (all
// blank reads as 0); false for anything else.
bool answer_frame(const Answer& a, int& v);
// The cut widths IcutL (column 1) and IcutR (column 3), "(I1,1X,I1)".
bool answer_cut(const Answer& a, int& left, int& right);
// A cut answer with a second digit in a width ("1,23", "12,3"), which
// "(I1,1X,I1)" would cut silently.
bool answer_cut_wide(const Answer& a);
// A contour-count code: "(I1)" when column 2 is blank, else "(I2)" when
// column 3 is, else "(I3)" when column 4 is, else "(I4)".
bool answer_contour(const Answer& a, int& code);
