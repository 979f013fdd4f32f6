// Formatted text records: the one I/O facility of the program.
//
// Every terminal line, log line, file record and numeric label is a record
// laid out by a format string carried as text, such as "(4F10.3,I6)".
// Units: 5 terminal input, 6 terminal output (both connected at start),
// 7 KALOOUT.DAT, 8 HFAC.DAT, 9 the measured-data file, 25 KALO.PS.
//
// Every transfer returns a status: 0 on success, positive on a format or
// conversion error, negative at end of file.  A caller declares with a
// Handle value which of these it handles; one that it does not handle stops
// the program with a message on standard error.
//
// Terminal: everything written to unit 6, including a prompt whose format
// ends in '$' (which leaves the record open), is on the screen before a read
// of unit 5 waits; end of input on unit 5 is a negative status.
// Files: the first write after opening, rewinding or reading ends the file
// at that point, so a rewound KALOOUT.DAT holds only this run's records;
// every unit is flushed and closed when the program ends.  A file that the
// system cannot open, read or write stops an unhandled statement with the
// operation's line and then the file's name and the system's reason, with
// exit status 1; only faults of the program itself (a bad format, unit or
// item) end in an abort with the statement's state.
// Internal records are never written past their length: what does not fit
// is an error (positive status).  Reading into an item built from a
// constant or a literal is an error too.
// Numbers: F and E are correctly rounded from the exact binary value (ties
// to even); NaN and infinities are written as "NaN", "Inf", "-Inf".
#pragma once

#include <initializer_list>
#include <string_view>

#include "state/fixed.h"

namespace rec {

// Which failures the caller handles itself (the status is then returned).
enum Handle : int {
  NONE = 0,     // any failure stops the program
  ERR = 1,      // format or conversion errors are returned (positive status)
  END = 2,      // end of file is returned (negative status)
  ERR_END = 3,  // both are returned
};

// Positive statuses that a caller may tell apart from a conversion error.
constexpr int READ_FAILED = 126;      // the system could not read the file (system_error())
constexpr int RECORD_TOO_LONG = 128;  // a line of more than MAX_RECORD characters

// The longest line a read takes.  The program's longest record is 83
// characters (a header of HFAC.DAT); the cap is far above anything a format
// needs and only stops a line without end (a file linked to /dev/zero) from
// taking all memory.
constexpr int MAX_RECORD = 65536;

enum class Status { OLD, UNKNOWN };         // file must exist / create if missing
enum class Access { SEQUENTIAL, APPEND };   // start at the top / after the last record

// One item of a transfer: an integer, a real or a fixed-length text, or a
// run of them in index order.  Items point at the caller's variables; an item
// built from a temporary value is valid for the call it is written in.
struct Item {
  enum Kind { INT, REAL, CHARS } kind;
  void* p;     // first element
  int count;   // number of elements
  int len;     // characters per element (CHARS only)
  bool out_only = false;  // built from a constant or a literal: never read into

  Item(int& v) : kind(INT), p(&v), count(1), len(0) {}
  Item(const int& v) : kind(INT), p(const_cast<int*>(&v)), count(1), len(0), out_only(true) {}
  Item(float& v) : kind(REAL), p(&v), count(1), len(0) {}
  Item(const float& v)
      : kind(REAL), p(const_cast<float*>(&v)), count(1), len(0), out_only(true) {}
  template <int N>
  Item(FString<N>& s) : kind(CHARS), p(s.c), count(1), len(N) {}
  template <int N>
  Item(const FString<N>& s)
      : kind(CHARS), p(const_cast<char*>(s.c)), count(1), len(N), out_only(true) {}
  // A text written as it stands (output only).
  Item(std::string_view s)
      : kind(CHARS), p(const_cast<char*>(s.data())), count(1), len(int(s.size())),
        out_only(true) {}
  Item(const char* s) : Item(std::string_view(s)) {}
  template <int N1, int N2, int N3>
  Item(FArray<float, N1, N2, N3>& a) : kind(REAL), p(a.v), count(N1 * N2 * N3), len(0) {}
  template <int N1, int N2, int N3>
  Item(FArray<int, N1, N2, N3>& a) : kind(INT), p(a.v), count(N1 * N2 * N3), len(0) {}

  static Item ints(int* v, int n) { return Item(INT, v, n, 0); }
  static Item reals(float* v, int n) { return Item(REAL, v, n, 0); }
  static Item chars(char* v, int len) { return Item(CHARS, v, 1, len); }

 private:
  Item(Kind k, void* v, int n, int l) : kind(k), p(v), count(n), len(l) {}
};

using Items = std::initializer_list<Item>;

// A character variable used as one record (written into or read from).
struct Internal {
  char* p;
  int len;
  Internal(char* buf, int n) : p(buf), len(n) {}
  template <int N>
  Internal(FString<N>& s) : p(s.c), len(N) {}
};

// Connects a unit to a file.  OLD on a missing file is an error.
int open(int unit, std::string_view name, Status status,
         Access access = Access::SEQUENTIAL, Handle h = NONE);
// Whether every write statement on a file unit reaches the file at once
// (the default, so an interrupted run keeps its records), or only when the
// buffer fills and at close (for a file that is used only once complete).
// Write errors are found either way, at the latest by close.
void write_through(int unit, bool each_statement);
// Releases a unit; a file written sequentially ends after its last record.
int close(int unit);
// The same; a file whose records could not all be put out is an error
// (positive status) that h may declare handled.
int close(int unit, Handle h);
// Goes back to the first record; what is written next overwrites the file.
int rewind(int unit);

// One statement: transfers as many records as the format requires.
int write_formatted(int unit, std::string_view format, Items items, Handle h = NONE);
int write_formatted(Internal record, std::string_view format, Items items, Handle h = NONE);
int read_formatted(int unit, std::string_view format, Items items, Handle h = NONE);
int read_formatted(Internal record, std::string_view format, Items items, Handle h = NONE);

// Free-layout output: starts a new line, writes the items, ends the line.
int write_list(int unit, Items items, Handle h = NONE);

// The same statements over n items built at run time (tools, tests).
int write_formatted(int unit, std::string_view format, const Item* items, int n,
                    Handle h = NONE);
int read_formatted(int unit, std::string_view format, const Item* items, int n,
                   Handle h = NONE);
int write_list(int unit, const Item* items, int n, Handle h = NONE);

// The system's error number behind the last failed open, read, write or
// close of a file (0 when that failure was not the system's).
int system_error();
// Lines read from a unit since it was opened or rewound: the line a failed
// read stopped in.
int lines_read(int unit);

// Flushes and closes every unit (also done when the program ends).
void close_all();
// Ends the program after flushing and closing every unit; a plain stop has
// exit status 0 and prints nothing.
[[noreturn]] void stop(int status = 0);

// Called by stop() with its status once every unit is closed, just before
// the program exits.  Only a fuzz driver sets one: a hook that does not
// return (it throws back into the driver) keeps the process alive for the
// next input.  The program itself never sets it.
using StopHook = void (*)(int status);
void set_stop_hook(StopHook hook);

}  // namespace rec
