#include "driver/terminal.h"

#include "state/fixed.h"

namespace {
constexpr int TERM_IN = 5;
constexpr int TERM_OUT = 6;
}  // namespace

bool ask(std::string_view prompt, rec::Items prompt_items, std::string_view format,
         rec::Item answer) {
  rec::write_formatted(TERM_OUT, prompt, prompt_items);
  int status = rec::read_formatted(TERM_IN, format, {answer}, rec::ERR_END);
  if (status < 0) rec::stop(0);
  return status == 0;
}

char ask_char(std::string_view prompt) {
  FString<1> ANSWER;
  ANSWER.blank();
  return ask(prompt, {}, "(A1)", ANSWER) ? ANSWER(1) : '\0';
}
