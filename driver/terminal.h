// Questions of the run dialogue on the terminal (prompt on unit 6, answer
// from unit 5), shared by the run driver and the preparation.  End of input
// at any question ends the program with exit status 0 after closing every
// unit, so callers only see answers.
#pragma once

#include <string_view>

#include "records/text_records.h"

// Writes `prompt` with its items, then reads the answer under `format` into
// `answer`; false when the answer does not convert.
bool ask(std::string_view prompt, rec::Items prompt_items, std::string_view format,
         rec::Item answer);

// The first character of the answer, read with "(A1)": a blank for an empty
// answer, a NUL for a line that cannot be read (it matches no answer).
char ask_char(std::string_view prompt);
