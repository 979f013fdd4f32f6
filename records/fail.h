// The one way the run-control part ends the program on a fault it cannot
// get past (unreadable measured data, a profile that cannot be normalised,
// an inverse error function that fails): one message on the terminal, then
// the program ends with a non-zero exit status after closing every unit.
#pragma once

#include <string_view>

#include "records/text_records.h"

// Exit status of a run that could not go on.
constexpr int FAIL_STATUS = 1;

// Writes the record(s) of `format` with `items` to the terminal and ends the
// program with FAIL_STATUS.
[[noreturn]] inline void fatal_record(std::string_view format, rec::Items items) {
  rec::write_formatted(6, format, items, rec::ERR_END);
  rec::stop(FAIL_STATUS);
}

// Writes `message` as one terminal line (after a leading blank) and ends the
// program with FAIL_STATUS.
[[noreturn]] inline void fatal(std::string_view message) {
  fatal_record("(1X,A)", {rec::Item(message)});
}
