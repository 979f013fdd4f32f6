// kalo-format: checks a format string by hand, through the program's own
// formatted text records.
//
//   kalo-format write FORMAT ITEM...   writes the items as unit 6 would
//   kalo-format list ITEM...           writes the items in free layout
//   kalo-format read FORMAT TYPE...    reads standard input as unit 5 would
//
// Items: i:12 (integer), r:1.5 (real, as strtof reads it, hexadecimal floats
// included), a:text (text of its own length).  Types: i, r, aN (a text of N
// characters).  read prints "status S", then one line per item: an integer
// in decimal, a real with %.9g, a text between | bars.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "records/text_records.h"

namespace {

constexpr int MAX_TEXT = 100000;  // longest text item of read

// Storage behind the items; reserved up front so the items' pointers stay put.
struct Values {
  std::vector<int> ints;
  std::vector<float> reals;
  std::vector<std::string> texts;
  std::vector<rec::Item> items;
  enum Kind { INT, REAL, TEXT };
  std::vector<Kind> kinds;
  explicit Values(std::size_t n) {
    ints.reserve(n);
    reals.reserve(n);
    texts.reserve(n);
  }
};

int usage() {
  std::fputs(
      "usage: kalo-format write FORMAT ITEM...   (ITEM: i:INTEGER, r:REAL, a:TEXT)\n"
      "       kalo-format list ITEM...\n"
      "       kalo-format read FORMAT TYPE...    (TYPE: i, r, aN)\n",
      stderr);
  return 2;
}

int bad(const char* what, const char* arg) {
  std::fprintf(stderr, "kalo-format: %s: '%s'\n", what, arg);
  return 2;
}

bool to_int(const char* s, long lo, long hi, long& v) {
  if (*s == '\0') return false;
  errno = 0;
  char* end = nullptr;
  v = std::strtol(s, &end, 10);
  return errno == 0 && *end == '\0' && v >= lo && v <= hi;
}

// Items typed on the command line: i:12, r:1.5, a:text.
int typed_items(int argc, char** argv, Values& vals) {
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strlen(arg) < 2 || arg[1] != ':') return bad("item is not i:, r: or a:", arg);
    const char* text = arg + 2;
    if (arg[0] == 'i') {
      long v = 0;
      if (!to_int(text, INT_MIN, INT_MAX, v)) return bad("not a 32-bit integer", arg);
      vals.ints.push_back(int(v));
      vals.items.push_back(rec::Item(vals.ints.back()));
    } else if (arg[0] == 'r') {
      char* end = nullptr;
      errno = 0;
      float v = std::strtof(text, &end);
      if (*text == '\0' || *end != '\0') return bad("not a real", arg);
      vals.reals.push_back(v);
      vals.items.push_back(rec::Item(vals.reals.back()));
    } else if (arg[0] == 'a') {
      vals.texts.emplace_back(text);
      std::string& t = vals.texts.back();
      vals.items.push_back(rec::Item::chars(t.data(), int(t.size())));
    } else {
      return bad("item is not i:, r: or a:", arg);
    }
  }
  return 0;
}

// Types of the items to read: i, r, aN.
int typed_slots(int argc, char** argv, Values& vals) {
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "i") == 0) {
      vals.ints.push_back(0);
      vals.items.push_back(rec::Item(vals.ints.back()));
      vals.kinds.push_back(Values::INT);
    } else if (std::strcmp(arg, "r") == 0) {
      vals.reals.push_back(0.0f);
      vals.items.push_back(rec::Item(vals.reals.back()));
      vals.kinds.push_back(Values::REAL);
    } else if (arg[0] == 'a') {
      long n = 0;
      if (!to_int(arg + 1, 1, MAX_TEXT, n)) return bad("text type is aN with N from 1", arg);
      vals.texts.emplace_back(std::size_t(n), ' ');
      std::string& t = vals.texts.back();
      vals.items.push_back(rec::Item::chars(t.data(), int(t.size())));
      vals.kinds.push_back(Values::TEXT);
    } else {
      return bad("type is not i, r or aN", arg);
    }
  }
  return 0;
}

void print_line(const std::string& s) { rec::write_formatted(6, "(A)", {std::string_view(s)}); }

int read_command(const char* format, int argc, char** argv) {
  Values vals{std::size_t(argc)};
  if (int st = typed_slots(argc, argv, vals)) return st;
  int status = rec::read_formatted(5, format, vals.items.data(), int(vals.items.size()),
                                   rec::ERR_END);
  print_line("status " + std::to_string(status));
  std::size_t ni = 0, nr = 0, nt = 0;
  for (Values::Kind k : vals.kinds) {
    char buf[64];
    switch (k) {
      case Values::INT:
        print_line(std::to_string(vals.ints[ni++]));
        break;
      case Values::REAL:
        std::snprintf(buf, sizeof buf, "%.9g", double(vals.reals[nr++]));
        print_line(buf);
        break;
      case Values::TEXT:
        print_line("|" + vals.texts[nt++] + "|");
        break;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  std::string cmd = argv[1];
  if (cmd == "write" && argc >= 3) {
    Values vals{std::size_t(argc)};
    if (int st = typed_items(argc - 3, argv + 3, vals)) return st;
    rec::write_formatted(6, argv[2], vals.items.data(), int(vals.items.size()));
  } else if (cmd == "list") {
    Values vals{std::size_t(argc)};
    if (int st = typed_items(argc - 2, argv + 2, vals)) return st;
    rec::write_list(6, vals.items.data(), int(vals.items.size()));
  } else if (cmd == "read" && argc >= 3) {
    return read_command(argv[2], argc - 3, argv + 3);
  } else {
    return usage();
  }
  rec::stop(0);
}
