// What the fuzz targets share: the program's readers end the run on bad
// input (rec::stop), which here becomes a throw back into the target, and
// every input starts from a zeroed run state in a folder of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalo_fuzz {

// Thrown by the stop hook: the run would have ended with this status.
struct Stopped {
  int status;
};

// Once per process: a fresh working folder, standard output to /dev/null
// (the readers' prompts and messages), and the stop hook.
void init();

// Writes `size` bytes of `data` to `name` in the working folder.
void write_input(const char* name, const std::uint8_t* data, std::size_t size);

// Makes `answers` the terminal's whole input for the next reads.
void set_answers(const std::string& answers);

// Runs `body` from a zeroed run state; a stop of the program ends it.
// Every unit is closed afterwards, so the next input starts clean.
template <typename Body>
void run(Body body) {
  try {
    body();
  } catch (const Stopped&) {
  }
}

// Zeroes the run state and closes every unit.
void reset();

}  // namespace kalo_fuzz
