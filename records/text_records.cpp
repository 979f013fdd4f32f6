// Formatted text records: units, record transfers under a format, free-layout
// output, and the fatal stop for failures the caller does not handle.
#include "records/text_records.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "records/format.h"

namespace rec {

namespace {

// Transfer status values.  Negative: end of file; positive: errors.
enum Code : int {
  OK = 0,
  END_OF_FILE = -1,
  FORMAT_ERROR = 100,
  BAD_UNIT = 101,
  NULL_NAME = 107,
  OFF_END = 110,
  TRUNCATE_FAILED = 111,
  NOT_CONNECTED = 114,
  INVALID_NUMBER = 115,
  BAD_TYPE = 117,
  NO_FILE = 118,
  CANT_OPEN = 119,
  CANT_READ = READ_FAILED,
  CANT_WRITE = 127,
  TOO_LONG = RECORD_TOO_LONG,
};

const char* reason(int code) {
  switch (code) {
    case END_OF_FILE: return "end of file";
    case FORMAT_ERROR: return "error in format";
    case BAD_UNIT: return "illegal unit number";
    case NULL_NAME: return "null file name";
    case OFF_END: return "off end of record";
    case TRUNCATE_FAILED: return "truncation failed in endfile";
    case NOT_CONNECTED: return "unit not connected";
    case INVALID_NUMBER: return "invalid number";
    case BAD_TYPE: return "bad variable type";
    case NO_FILE: return "can't find 'old' file";
    case CANT_OPEN: return "can't open file";
    case CANT_READ: return "can't read file";
    case CANT_WRITE: return "can't write file";
    case TOO_LONG: return "record too long";
  }
  return "unknown error";
}

constexpr int MAX_UNIT = 99;

struct Unit {
  bool connected = false;
  FILE* f = nullptr;
  bool standard = false;  // stdin or stdout: never closed, never cut
  bool regular = false;   // a regular file (can be cut)
  bool can_read = false;
  bool can_write = false;
  std::string name;
  enum { NONE, READ, WRITE } last = NONE;  // direction of the last transfer
  bool cut_pending = false;  // the next write ends the file at its position
  bool eof = false;
  int col = 0;               // columns of a record left open by '$'
  std::string line;          // the record being read
  int lines = 0;             // records read since the unit was positioned
  bool write_through = true;  // every write statement goes to the file at once
  int write_errno = 0;       // opened for reading only: why it could not be written
};

Unit units[MAX_UNIT + 1];
bool started = false;
// The system's error number behind the last failure of a file operation.
int sys_error = 0;
StopHook stop_hook = nullptr;
// Exit status of a stop on a file the system could not open, read or write.
constexpr int FILE_FAULT_STATUS = 1;

// Failures whose cause is the system's (reported with its reason).
bool system_fault(int code) {
  return code == NO_FILE || code == CANT_OPEN || code == CANT_READ || code == CANT_WRITE ||
         code == TRUNCATE_FAILED;
}

void connect_standard(int n) {
  Unit& u = units[n];
  u = Unit{};
  u.connected = true;
  u.standard = true;
  u.f = n == 5 ? stdin : stdout;
  u.can_read = n == 5;
  u.can_write = n == 6;
}

void start() {
  if (started) return;
  started = true;
  connect_standard(5);
  connect_standard(6);
  std::atexit(close_all);
}

// What a statement is doing, for the status and for the fatal message.
struct Ctx {
  const char* op;
  int unit;  // -1: internal record
  bool reading;
  bool list;
  std::string_view format;
  Handle h;
  std::string_view name = {};      // open: the file asked for
  const char* record = nullptr;    // internal read: the record
  int record_len = 0;
};

// A file the system could not open, read or write: the operation's line,
// then the file and the system's reason, and the program ends.
[[noreturn]] void file_fault(const Ctx& c, int code) {
  const Unit* u = c.unit >= 0 && c.unit <= MAX_UNIT ? &units[c.unit] : nullptr;
  std::string name = !c.name.empty()            ? std::string(c.name)
                     : u && !u->name.empty()      ? u->name
                     : c.unit == 5                ? "the standard input"
                     : c.unit == 6                ? "the standard output"
                                                  : "unit " + std::to_string(c.unit);
  const char* what = code == NO_FILE || code == CANT_OPEN ? "opened"
                     : code == CANT_READ                  ? "read"
                                                          : "written";
  int err = sys_error;
  std::fflush(stdout);
  std::fprintf(stderr, "%s: %s\n", c.op, reason(code));
  std::fprintf(stderr, "%s could not be %s: %s\n", name.c_str(), what, std::strerror(err));
  std::fflush(stderr);
  stop(FILE_FAULT_STATUS);
}

[[noreturn]] void fatal(const Ctx& c, int code) {
  if (system_fault(code) && sys_error != 0 && c.unit >= 0) file_fault(c, code);
  for (Unit& u : units)
    if (u.connected && u.f) std::fflush(u.f);
  std::fprintf(stderr, "%s: %s\n", c.op, reason(code));
  if (c.unit < 0) {
    std::fprintf(stderr, "apparent state: internal I/O\n");
  } else {
    std::fprintf(stderr, "apparent state: unit %d", c.unit);
    const Unit* u = c.unit <= MAX_UNIT ? &units[c.unit] : nullptr;
    if (!c.name.empty())
      std::fprintf(stderr, " named %.*s\n", int(c.name.size()), c.name.data());
    else if (u && u->connected && !u->name.empty())
      std::fprintf(stderr, " named %s\n", u->name.c_str());
    else
      std::fprintf(stderr, " (unnamed)\n");
  }
  std::fprintf(stderr, "last format: %.*s\n", int(c.format.size()), c.format.data());
  std::fprintf(stderr, "lately %s %s %s %s IO\n", c.reading ? "reading" : "writing",
               "sequential", c.list ? "list" : "formatted",
               c.unit < 0 ? "internal" : "external");
  // Where a read went wrong: the line and what it holds (its start).
  constexpr int SHOWN = 160;
  if (c.reading && c.unit >= 0 && c.unit <= MAX_UNIT && units[c.unit].lines > 0) {
    const Unit& u = units[c.unit];
    if (code == END_OF_FILE) {
      std::fprintf(stderr, "after line %d\n", u.lines);
    } else {
      int n = int(u.line.size()) < SHOWN ? int(u.line.size()) : SHOWN;
      std::fprintf(stderr, "line %d: \"%.*s\"\n", u.lines, n, u.line.data());
    }
  } else if (c.reading && c.record) {
    int n = c.record_len < SHOWN ? c.record_len : SHOWN;
    std::fprintf(stderr, "record: \"%.*s\"\n", n, c.record);
  }
  std::fflush(stderr);
  std::abort();
}

// The one place every failure goes through: returns the status when the
// caller handles it, otherwise stops the program.
int fail(const Ctx& c, int code) {
  if (code < 0 && (c.h & END)) return code;
  if (code > 0 && (c.h & ERR)) return code;
  fatal(c, code);
}

// The unit of a transfer, or a failure code.
int lookup(int n, bool reading, Unit*& out) {
  start();
  sys_error = 0;
  if (n < 0 || n > MAX_UNIT) return BAD_UNIT;
  Unit& u = units[n];
  if (!u.connected) return NOT_CONNECTED;
  if (reading ? !u.can_read : !u.can_write) {
    if (!reading) sys_error = u.write_errno;
    return reading ? CANT_READ : CANT_WRITE;
  }
  out = &u;
  return OK;
}

// Prepares a unit for writing: changes direction and, on the first write
// after the file was positioned, ends the file there (what follows a
// sequential write is no longer part of the file).
int begin_write(Unit& u) {
  if (u.last == Unit::READ && !u.standard) std::fseek(u.f, 0, SEEK_CUR);
  if (u.last != Unit::WRITE && !u.standard) u.cut_pending = true;
  u.last = Unit::WRITE;
  if (u.cut_pending && u.regular) {
    u.cut_pending = false;
    if (std::fflush(u.f) != 0) {
      sys_error = errno;
      return CANT_WRITE;
    }
    long at = std::ftell(u.f);
    if (at < 0 || ftruncate(fileno(u.f), off_t(at)) != 0) {
      sys_error = errno;
      return TRUNCATE_FAILED;
    }
  }
  u.cut_pending = false;
  return OK;
}

int end_write(Unit& u) {
  // Every statement reaches the file at once: a run that is interrupted
  // keeps its log up to the last line written.
  errno = 0;
  if (u.write_through) std::fflush(u.f);
  if (std::ferror(u.f)) {
    sys_error = errno;
    std::clearerr(u.f);
    return CANT_WRITE;
  }
  return OK;
}

// ---------------------------------------------------------------------------
// Items of a statement, element by element.

struct Span {
  const Item* b;
  const Item* e;
};
Span span(Items items) { return {items.begin(), items.end()}; }
Span span(const Item* items, int n) { return {items, items + (n > 0 ? n : 0)}; }

class ItemWalk {
 public:
  ItemWalk(const Item* begin, const Item* end) : cur_(begin), end_(end) { settle(); }
  bool more() const { return cur_ != end_; }
  const Item& item() const { return *cur_; }
  int* int_at() const { return static_cast<int*>(cur_->p) + elem_; }
  float* real_at() const { return static_cast<float*>(cur_->p) + elem_; }
  char* chars_at() const {
    std::size_t len = cur_->len > 0 ? std::size_t(cur_->len) : 0;
    return static_cast<char*>(cur_->p) + std::size_t(elem_) * len;
  }
  void advance() {
    ++elem_;
    settle();
  }

 private:
  void settle() {
    while (cur_ != end_ && elem_ >= cur_->count) {
      ++cur_;
      elem_ = 0;
    }
  }
  const Item* cur_;
  const Item* end_;
  int elem_ = 0;
};

// ---------------------------------------------------------------------------
// Writing.  Characters go straight to the file or into the internal record;
// the blanks of nX are held back until something follows them.

class Out {
 public:
  explicit Out(Unit& u) : u_(&u), buf_(nullptr), len_(0), col_(u.col) {}
  Out(char* buf, int len) : u_(nullptr), buf_(buf), len_(len < 0 ? 0 : len), col_(0) {}

  bool put(const char* s, int n) {
    if (!flush_blanks()) return false;
    if (u_) {
      std::fwrite(s, 1, std::size_t(n), u_->f);
      col_ += n;
      return true;
    }
    int room = len_ - col_;
    int k = n < room ? n : room;
    if (k > 0) std::memcpy(buf_ + col_, s, std::size_t(k));
    col_ += k;
    return k == n;
  }
  bool put_blanks(int n) {
    pending_ += n;
    return flush_blanks();
  }
  void skip(int n) { pending_ += n; }

  // Ends the current record; an internal record has no second one.
  bool end_record() {
    pending_ = 0;
    if (!u_) return false;
    std::fputc('\n', u_->f);
    col_ = 0;
    return true;
  }

  // Ends the statement: the record ends unless it is left open.
  void finish(bool leave_open) {
    if (u_) {
      if (leave_open) {
        flush_blanks();  // the answer follows them on this line
        u_->col = col_;
      } else {
        end_record();
        u_->col = 0;
      }
      return;
    }
    if (col_ < len_) std::memset(buf_ + col_, ' ', std::size_t(len_ - col_));
  }

  // Ends a failed statement: a partial record on a file is ended, an
  // internal record is padded.
  void abandon() {
    if (u_ && col_ == 0) {
      u_->col = 0;
      return;
    }
    finish(false);
  }

 private:
  bool flush_blanks() {
    while (pending_ > 0) {
      --pending_;
      if (u_) {
        std::fputc(' ', u_->f);
      } else {
        if (col_ >= len_) return false;
        buf_[col_] = ' ';
      }
      ++col_;
    }
    return true;
  }

  Unit* u_;
  char* buf_;
  int len_;
  int col_;
  int pending_ = 0;
};

// Writes one item under one data descriptor.
int put_field(Out& o, const fmt::Desc& d, int scale, const ItemWalk& it) {
  const Item& item = it.item();
  char field[fmt::MAX_WIDTH + 1];
  switch (d.op) {
    case fmt::Op::I:
      if (item.kind != Item::INT) return BAD_TYPE;
      fmt::edit_int(*it.int_at(), d.width, field);
      return o.put(field, d.width) ? OK : OFF_END;
    case fmt::Op::F:
      if (item.kind != Item::REAL) return BAD_TYPE;
      fmt::edit_fixed(*it.real_at(), d.width, d.decimals, scale, field);
      return o.put(field, d.width) ? OK : OFF_END;
    case fmt::Op::E:
      if (item.kind != Item::REAL) return BAD_TYPE;
      if (!fmt::edit_exp(*it.real_at(), d.width, d.decimals, scale, field)) return FORMAT_ERROR;
      return o.put(field, d.width) ? OK : OFF_END;
    case fmt::Op::A: {
      if (item.kind != Item::CHARS) return BAD_TYPE;
      int len = item.len > 0 ? item.len : 0;
      int w = d.width < 0 ? len : d.width;
      if (w > len && !o.put_blanks(w - len)) return OFF_END;
      return o.put(it.chars_at(), w < len ? w : len) ? OK : OFF_END;
    }
    default:
      return FORMAT_ERROR;
  }
}

// A statement that fails still ends its record: an internal record is
// filled with what fitted, a file gets no partial line that the next
// statement would run on.
int failed(Out& o, int code) {
  o.abandon();
  return code;
}

// Walks the format, writing records to o.  Returns a status.
int write_walk(Out& o, const fmt::Format& f, Span items) {
  ItemWalk it(items.b, items.e);
  fmt::Cursor cur(f);
  int scale = 0;
  bool dollar = false;
  while (true) {
    const fmt::Desc* d = nullptr;
    switch (cur.next(it.more(), d)) {
      case fmt::Cursor::DATA: {
        if (!it.more()) goto done;
        int code = put_field(o, *d, scale, it);
        if (code != OK) return failed(o, code);
        it.advance();
        break;
      }
      case fmt::Cursor::LIT:
        if (!o.put(f.chars + d->text, d->text_len)) return failed(o, OFF_END);
        break;
      case fmt::Cursor::SKIP:
        o.skip(d->width);
        break;
      case fmt::Cursor::SLASH:
      case fmt::Cursor::REVERT:
        if (!o.end_record()) return failed(o, OFF_END);
        break;
      case fmt::Cursor::DOLLAR:
        dollar = true;
        break;
      case fmt::Cursor::SCALE:
        scale = d->decimals;
        break;
      case fmt::Cursor::END:
        if (it.more()) return failed(o, FORMAT_ERROR);  // items but no data descriptor
        goto done;
    }
  }
done:
  o.finish(f.ends_with_dollar || dollar);
  return OK;
}

// ---------------------------------------------------------------------------
// Reading.  A statement reads whole lines; fields beyond a line's end read
// as blanks.

int read_line(Unit& u) {
  u.line.clear();
  if (u.eof) return END_OF_FILE;
  int c = EOF;
  bool any = false;
  errno = 0;
  while ((c = std::getc(u.f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (u.line.size() >= std::size_t(MAX_RECORD)) {
      // The rest of the line stays unread: it may never end.
      ++u.lines;
      return TOO_LONG;
    }
    u.line.push_back(char(c));
  }
  if (c == EOF) {
    if (std::ferror(u.f)) {
      sys_error = errno;
      std::clearerr(u.f);
      return CANT_READ;
    }
    if (!any) {
      u.eof = true;
      return END_OF_FILE;
    }
  }
  if (!u.line.empty() && u.line.back() == '\r') u.line.pop_back();
  ++u.lines;
  return OK;
}

class In {
 public:
  explicit In(Unit& u) : u_(&u), rec_(nullptr), len_(0) {}
  In(const char* buf, int len) : u_(nullptr), rec_(buf), len_(len < 0 ? 0 : len) {}

  // Makes the next record current; an internal record has no second one.
  int next_record() {
    pos_ = 0;
    if (!u_) {
      if (records_++ > 0) return END_OF_FILE;
      return OK;
    }
    int code = read_line(*u_);
    rec_ = u_->line.data();
    len_ = int(u_->line.size());
    return code;
  }
  // Copies the next w columns to out (which may be the record itself),
  // blanks beyond the record's end.
  void field(int w, char* out) {
    for (int i = 0; i < w; ++i, ++pos_) out[i] = pos_ < len_ ? rec_[pos_] : ' ';
  }
  void skip(int n) { pos_ += n; }

 private:
  Unit* u_;
  const char* rec_;
  int len_;
  int pos_ = 0;
  int records_ = 0;
};

int get_field(In& in, const fmt::Desc& d, int scale, const ItemWalk& it) {
  const Item& item = it.item();
  if (item.out_only) return BAD_TYPE;
  char field[fmt::MAX_WIDTH + 1];
  switch (d.op) {
    case fmt::Op::I: {
      if (item.kind != Item::INT) return BAD_TYPE;
      in.field(d.width, field);
      int v = 0;
      if (!fmt::scan_int(field, d.width, v)) return INVALID_NUMBER;
      *it.int_at() = v;
      return OK;
    }
    case fmt::Op::F:
    case fmt::Op::E: {
      if (item.kind != Item::REAL) return BAD_TYPE;
      in.field(d.width, field);
      float v = 0;
      if (!fmt::scan_real(field, d.width, d.decimals, scale, v)) return INVALID_NUMBER;
      *it.real_at() = v;
      return OK;
    }
    case fmt::Op::A: {
      if (item.kind != Item::CHARS) return BAD_TYPE;
      int len = item.len > 0 ? item.len : 0;
      int w = d.width < 0 ? len : d.width;
      char* dst = it.chars_at();
      if (w >= len) {
        // The rightmost len characters of the field.
        in.skip(w - len);
        in.field(len, dst);
      } else {
        in.field(w, dst);
        std::memset(dst + w, ' ', std::size_t(len - w));
      }
      return OK;
    }
    default:
      return FORMAT_ERROR;
  }
}

int read_walk(In& in, const fmt::Format& f, Span items) {
  int code = in.next_record();
  if (code != OK) return code;
  ItemWalk it(items.b, items.e);
  fmt::Cursor cur(f);
  int scale = 0;
  while (true) {
    const fmt::Desc* d = nullptr;
    switch (cur.next(it.more(), d)) {
      case fmt::Cursor::DATA:
        if (!it.more()) return OK;
        code = get_field(in, *d, scale, it);
        if (code != OK) return code;
        it.advance();
        break;
      case fmt::Cursor::LIT:
        in.skip(d->text_len);
        break;
      case fmt::Cursor::SKIP:
        in.skip(d->width);
        break;
      case fmt::Cursor::SLASH:
      case fmt::Cursor::REVERT:
        code = in.next_record();
        if (code != OK) return code;
        break;
      case fmt::Cursor::DOLLAR:
        break;
      case fmt::Cursor::SCALE:
        scale = d->decimals;
        break;
      case fmt::Cursor::END:
        return it.more() ? FORMAT_ERROR : OK;
    }
  }
}

int parse_for(const Ctx& c, fmt::Format& f) {
  return fmt::parse(c.format, f) == 0 ? OK : FORMAT_ERROR;
}

// Before the program waits for an answer, everything written to the
// terminal is shown, and the typed line ends a record left open by '$'.
void before_terminal_read() {
  Unit& out = units[6];
  if (out.connected && out.f) std::fflush(out.f);
  if (out.standard) out.col = 0;
}

std::string trimmed_name(std::string_view name) {
  std::size_t n = name.size();
  while (n > 0 && (name[n - 1] == ' ' || name[n - 1] == '\0')) --n;
  std::size_t b = 0;
  while (b < n && name[b] == ' ') ++b;
  return std::string(name.substr(b, n - b));
}

// Flushes and disconnects a unit; units 5 and 6 go back to the terminal.
// False when what was written could not be put out.
bool release(Unit& u, int n) {
  if (!u.connected) return true;
  bool ok = true;
  errno = 0;
  if (u.f) ok = std::fflush(u.f) == 0 && !std::ferror(u.f);
  if (!ok) sys_error = errno;
  if (!u.standard && u.f && std::fclose(u.f) != 0 && ok) {
    ok = false;
    sys_error = errno;
  }
  u = Unit{};
  if (n == 5 || n == 6) connect_standard(n);
  return ok;
}

}  // namespace

// ---------------------------------------------------------------------------

int open(int unit, std::string_view name, Status status, Access access, Handle h) {
  start();
  Ctx c{"open", unit, false, false, {}, h};
  if (unit < 0 || unit > MAX_UNIT) return fail(c, BAD_UNIT);
  std::string path = trimmed_name(name);
  c.name = path;
  if (path.empty()) return fail(c, NULL_NAME);
  Unit& u = units[unit];
  release(u, unit);

  struct stat sb;
  sys_error = 0;
  bool exists = ::stat(path.c_str(), &sb) == 0;
  if (!exists && errno != ENOENT) {
    sys_error = errno;  // e.g. a folder on the way that may not be searched
    return fail(c, CANT_OPEN);
  }
  if (exists && S_ISDIR(sb.st_mode)) {
    sys_error = EISDIR;
    return fail(c, CANT_OPEN);
  }
  if (status == Status::OLD && !exists) {
    sys_error = ENOENT;
    return fail(c, NO_FILE);
  }
  FILE* f = nullptr;
  int write_errno = 0;
  if (exists) {
    f = std::fopen(path.c_str(), "r+");
    if (!f && (errno == EACCES || errno == EROFS)) {
      write_errno = errno;
      f = std::fopen(path.c_str(), "r");
    }
  } else {
    f = std::fopen(path.c_str(), "w+");
  }
  if (!f) {
    sys_error = errno;
    return fail(c, CANT_OPEN);
  }
  if (access == Access::APPEND) std::fseek(f, 0, SEEK_END);

  struct stat fs;
  u = Unit{};
  u.connected = true;
  u.f = f;
  u.regular = ::fstat(fileno(f), &fs) == 0 && S_ISREG(fs.st_mode);
  u.can_read = true;
  u.can_write = write_errno == 0;
  u.write_errno = write_errno;
  u.name = path;
  u.cut_pending = true;
  return OK;
}

void write_through(int unit, bool each_statement) {
  if (unit >= 0 && unit <= MAX_UNIT && units[unit].connected && !units[unit].standard)
    units[unit].write_through = each_statement;
}

int close(int unit) { return close(unit, NONE); }

int close(int unit, Handle h) {
  start();
  Ctx c{"close", unit, false, false, {}, h};
  if (unit < 0 || unit > MAX_UNIT) return fail(c, BAD_UNIT);
  bool written = units[unit].last == Unit::WRITE;
  std::string name = units[unit].name;
  c.name = name;
  sys_error = 0;
  if (!release(units[unit], unit) && written) return fail(c, CANT_WRITE);
  return OK;
}

int rewind(int unit) {
  start();
  Ctx c{"rewind", unit, false, false, {}, NONE};
  if (unit < 0 || unit > MAX_UNIT) return fail(c, BAD_UNIT);
  Unit& u = units[unit];
  if (!u.connected || u.standard) return OK;
  std::fflush(u.f);
  std::rewind(u.f);
  u.last = Unit::NONE;
  u.cut_pending = true;
  u.eof = false;
  u.col = 0;
  u.lines = 0;
  return OK;
}

int write_formatted(int unit, std::string_view format, const Item* list, int n, Handle h) {
  Span items = span(list, n);
  Ctx c{"write start", unit, false, false, format, h};
  Unit* u = nullptr;
  int code = lookup(unit, false, u);
  if (code != OK) {
    c.op = "startio";
    return fail(c, code);
  }
  fmt::Format f;
  if ((code = parse_for(c, f)) != OK) return fail(c, code);
  if ((code = begin_write(*u)) != OK) {
    c.op = "endfile";
    return fail(c, code);
  }
  Out o(*u);
  code = write_walk(o, f, items);
  int done = end_write(*u);
  if (code == OK) code = done;
  return code == OK ? OK : fail(c, code);
}

int write_formatted(Internal record, std::string_view format, Items items, Handle h) {
  Ctx c{"write start", -1, false, false, format, h};
  fmt::Format f;
  int code = parse_for(c, f);
  if (code != OK) return fail(c, code);
  Out o(record.p, record.len);
  code = write_walk(o, f, span(items));
  return code == OK ? OK : fail(c, code);
}

int read_formatted(int unit, std::string_view format, const Item* list, int n, Handle h) {
  Span items = span(list, n);
  Ctx c{"read start", unit, true, false, format, h};
  Unit* u = nullptr;
  int code = lookup(unit, true, u);
  if (code != OK) {
    c.op = "startio";
    return fail(c, code);
  }
  fmt::Format f;
  if ((code = parse_for(c, f)) != OK) return fail(c, code);
  if (u->standard) before_terminal_read();
  if (u->last == Unit::WRITE) {
    std::fflush(u->f);
    std::fseek(u->f, 0, SEEK_CUR);
  }
  u->last = Unit::READ;
  In in(*u);
  code = read_walk(in, f, items);
  return code == OK ? OK : fail(c, code);
}

int read_formatted(Internal record, std::string_view format, Items items, Handle h) {
  Ctx c{"read start", -1, true, false, format, h};
  c.record = record.p;
  c.record_len = record.len < 0 ? 0 : record.len;
  fmt::Format f;
  int code = parse_for(c, f);
  if (code != OK) return fail(c, code);
  In in(record.p, record.len);
  code = read_walk(in, f, span(items));
  return code == OK ? OK : fail(c, code);
}

int write_list(int unit, const Item* list, int n, Handle h) {
  Span items = span(list, n);
  Ctx c{"write start", unit, false, true, {}, h};
  Unit* u = nullptr;
  int code = lookup(unit, false, u);
  if (code != OK) {
    c.op = "startio";
    return fail(c, code);
  }
  if ((code = begin_write(*u)) != OK) {
    c.op = "endfile";
    return fail(c, code);
  }
  FILE* f = u->f;
  if (u->col > 0) std::fputc('\n', f);  // a statement starts a new line
  u->col = 0;
  constexpr int LINE = 80;
  int col = 0;
  char buf[48];
  for (ItemWalk it(items.b, items.e); it.more(); it.advance()) {
    const Item& item = it.item();
    const char* text = buf;
    int len = 0;
    bool lead = false;  // a character item first on its line gets a blank
    if (item.kind == Item::CHARS) {
      text = it.chars_at();
      len = item.len > 0 ? item.len : 0;
      lead = true;
    } else if (item.kind == Item::INT) {
      len = std::snprintf(buf, sizeof buf, " %d", *it.int_at());
    } else {
      float v = *it.real_at();
      buf[0] = ' ';
      buf[1] = std::signbit(v) && !std::isnan(v) && v != 0 ? '-' : ' ';
      len = 2 + fmt::list_magnitude(v, buf + 2, int(sizeof buf) - 2);
    }
    if (col > 0 && col + len >= LINE) {
      std::fputc('\n', f);
      col = 0;
    }
    if (lead && col == 0) {
      std::fputc(' ', f);
      ++col;
    }
    std::fwrite(text, 1, std::size_t(len), f);
    col += len;
  }
  std::fputc('\n', f);
  code = end_write(*u);
  return code == OK ? OK : fail(c, code);
}

int write_formatted(int unit, std::string_view format, Items items, Handle h) {
  return write_formatted(unit, format, items.begin(), int(items.size()), h);
}

int read_formatted(int unit, std::string_view format, Items items, Handle h) {
  return read_formatted(unit, format, items.begin(), int(items.size()), h);
}

int write_list(int unit, Items items, Handle h) {
  return write_list(unit, items.begin(), int(items.size()), h);
}

int system_error() { return sys_error; }

int lines_read(int unit) {
  return unit >= 0 && unit <= MAX_UNIT && units[unit].connected ? units[unit].lines : 0;
}

void close_all() {
  for (int n = 0; n <= MAX_UNIT; ++n) release(units[n], n);
}

void set_stop_hook(StopHook hook) { stop_hook = hook; }

void stop(int status) {
  close_all();
  if (stop_hook) stop_hook(status);
  std::exit(status);
}

}  // namespace rec
