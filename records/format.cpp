// Parsing and walking of format strings, and the field conversions.
#include "records/format.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rec::fmt {

namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads an unsigned number at text[i]; -1 when there is none or it is huge.
int number(std::string_view text, std::size_t& i) {
  if (i >= text.size() || !is_digit(text[i])) return -1;
  long v = 0;
  while (i < text.size() && is_digit(text[i])) {
    v = v * 10 + (text[i] - '0');
    if (v > 100000) return -1;
    ++i;
  }
  return int(v);
}

void skip_blanks(std::string_view text, std::size_t& i) {
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
}

}  // namespace

int parse(std::string_view text, Format& f) {
  f.n = 0;
  f.nchars = 0;
  f.has_data = false;
  f.ends_with_dollar = false;
  int depth = 0;  // open parentheses
  std::size_t i = 0;
  auto col = [&]() { return int(i) + 1; };
  auto add = [&](Op op) -> Desc* {
    if (f.n >= MAX_DESC) return nullptr;
    Desc& d = f.d[f.n++];
    d = Desc{op, 1, 0, 0, 0, 0};
    return &d;
  };

  skip_blanks(text, i);
  if (i >= text.size() || text[i] != '(') return col();
  add(Op::OPEN);
  ++depth;
  ++i;

  while (true) {
    skip_blanks(text, i);
    if (i >= text.size()) return col();
    char c = text[i];
    if (c == ',') {
      ++i;
      continue;
    }
    if (c == ')') {
      if (!add(Op::CLOSE)) return col();
      --depth;
      ++i;
      if (depth == 0) break;
      continue;
    }
    // Optional count: repeat, column count of X, scale factor of P, length of H.
    int start = col();
    bool negative = false;
    if (c == '-' || c == '+') {
      negative = c == '-';
      ++i;
      skip_blanks(text, i);
    }
    bool signed_count = start != col();
    int count = number(text, i);
    if (signed_count && count < 0) return start;
    skip_blanks(text, i);
    if (i >= text.size()) return col();
    c = upper(text[i]);
    if (signed_count && c != 'P') return start;
    if (count == 0 && c != 'P') return start;

    if (c == 'P') {
      if (count < 0 || count > MAX_DECIMALS) return start;
      Desc* d = add(Op::SCALE);
      if (!d) return col();
      d->decimals = negative ? -count : count;
      ++i;
      continue;
    }
    if (c == '(') {
      if (depth >= MAX_DEPTH) return col();
      Desc* d = add(Op::OPEN);
      if (!d) return col();
      d->repeat = count > 0 ? count : 1;
      ++depth;
      ++i;
      continue;
    }
    if (c == 'X') {
      Desc* d = add(Op::X);
      if (!d) return col();
      d->width = count > 0 ? count : 1;
      if (d->width > MAX_WIDTH) return start;
      ++i;
      continue;
    }
    if (c == '/') {
      Desc* d = add(Op::SLASH);
      if (!d) return col();
      d->repeat = count > 0 ? count : 1;
      ++i;
      continue;
    }
    if (c == '$') {
      if (count > 0) return start;
      if (!add(Op::DOLLAR)) return col();
      ++i;
      continue;
    }
    if (c == 'H' || c == '\'' || c == '"') {
      Desc* d = add(Op::LIT);
      if (!d) return col();
      d->text = f.nchars;
      if (c == 'H') {
        if (count <= 0) return start;
        ++i;
        if (i + std::size_t(count) > text.size()) return col();
        if (f.nchars + count > MAX_CHARS) return col();
        std::memcpy(f.chars + f.nchars, text.data() + i, std::size_t(count));
        f.nchars += count;
        i += std::size_t(count);
      } else {
        if (count > 0) return start;
        char quote = text[i++];
        while (true) {
          if (i >= text.size()) return start;  // unterminated literal
          if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
              ++i;  // a doubled quote stands for one
            } else {
              ++i;
              break;
            }
          }
          if (f.nchars >= MAX_CHARS) return col();
          f.chars[f.nchars++] = text[i++];
        }
      }
      d->text_len = f.nchars - d->text;
      continue;
    }
    if (c == 'I' || c == 'F' || c == 'E' || c == 'A') {
      Op op = c == 'I' ? Op::I : c == 'F' ? Op::F : c == 'E' ? Op::E : Op::A;
      Desc* d = add(op);
      if (!d) return col();
      d->repeat = count > 0 ? count : 1;
      ++i;
      skip_blanks(text, i);
      std::size_t wpos = i;
      int w = number(text, i);
      if (op == Op::A) {
        d->width = w;  // -1: the item's own length
        if (w == 0 || w > MAX_WIDTH) return int(wpos) + 1;
      } else {
        if (w <= 0 || w > MAX_WIDTH) return int(wpos) + 1;
        d->width = w;
        if (op != Op::I) {
          skip_blanks(text, i);
          if (i >= text.size() || text[i] != '.') return col();
          ++i;
          skip_blanks(text, i);
          std::size_t dpos = i;
          int dec = number(text, i);
          if (dec < 0 || dec > MAX_DECIMALS) return int(dpos) + 1;
          d->decimals = dec;
        }
      }
      f.has_data = true;
      continue;
    }
    return col();
  }
  skip_blanks(text, i);
  if (i != text.size()) return col();
  // Descriptors handed out by one pass, with the counts of the groups around them.
  long mult[MAX_DEPTH + 1] = {1};
  int level = 0;
  long events = 0;
  for (int k = 1; k < f.n - 1; ++k) {
    const Desc& d = f.d[k];
    if (d.op == Op::OPEN) {
      mult[level + 1] = mult[level] * d.repeat;
      if (mult[level + 1] > MAX_EVENTS) return 1;
      ++level;
    } else if (d.op == Op::CLOSE) {
      --level;
    } else if ((events += mult[level] * d.repeat) > MAX_EVENTS) {
      return 1;
    }
  }
  // The last descriptor before the final parenthesis decides whether the
  // statement leaves its record open.
  if (f.n >= 2 && f.d[f.n - 2].op == Op::DOLLAR) f.ends_with_dollar = true;
  return 0;
}

Cursor::Cursor(const Format& f)
    : f_(f), pc_(1), cur_(nullptr), rep_left_(0), slash_left_(0), depth_(1) {
  open_[0] = 0;
  left_[0] = 1;
}

Cursor::Event Cursor::next(bool items_left, const Desc*& d) {
  if (rep_left_ > 0) {
    --rep_left_;
    d = cur_;
    return DATA;
  }
  if (slash_left_ > 0) {
    --slash_left_;
    d = cur_;
    return SLASH;
  }
  while (true) {
    const Desc& x = f_.d[pc_];
    switch (x.op) {
      case Op::OPEN:
        open_[depth_] = pc_;
        left_[depth_] = x.repeat;
        ++depth_;
        ++pc_;
        continue;
      case Op::CLOSE:
        if (--left_[depth_ - 1] > 0) {
          pc_ = open_[depth_ - 1] + 1;
          continue;
        }
        --depth_;
        if (depth_ == 0) {
          if (items_left && f_.has_data) {
            // Reversion: restart the outermost list on a new record.
            depth_ = 1;
            left_[0] = 1;
            pc_ = 1;
            return REVERT;
          }
          depth_ = 1;
          left_[0] = 1;
          pc_ = f_.n - 1;  // stays at the end
          return END;
        }
        ++pc_;
        continue;
      case Op::I:
      case Op::F:
      case Op::E:
      case Op::A:
        cur_ = &x;
        rep_left_ = x.repeat - 1;
        ++pc_;
        d = &x;
        return DATA;
      case Op::X:
        ++pc_;
        d = &x;
        return SKIP;
      case Op::LIT:
        ++pc_;
        d = &x;
        return LIT;
      case Op::SLASH:
        cur_ = &x;
        slash_left_ = x.repeat - 1;
        ++pc_;
        d = &x;
        return SLASH;
      case Op::DOLLAR:
        ++pc_;
        d = &x;
        return DOLLAR;
      case Op::SCALE:
        ++pc_;
        d = &x;
        return SCALE;
    }
  }
}

// ---------------------------------------------------------------------------
// Output conversions.

namespace {

void fill(char* out, int w, char c) { std::memset(out, c, std::size_t(w)); }

// Right-justifies text of length n in w columns, or w asterisks.
void justify(const char* text, int n, int w, char* out) {
  if (n > w) {
    fill(out, w, '*');
    return;
  }
  fill(out, w - n, ' ');
  std::memcpy(out + (w - n), text, std::size_t(n));
}

// NaN and infinities; true when v is one of them.
bool edit_special(float v, int w, char* out) {
  if (std::isnan(v)) {
    justify("NaN", 3, w, out);
    return true;
  }
  if (std::isinf(v)) {
    if (v < 0)
      justify("-Inf", 4, w, out);
    else
      justify("Inf", 3, w, out);
    return true;
  }
  return false;
}

// Value times 10**k; exact in double for the small k of the formats.
double scaled(float v, int k) {
  double x = v;
  for (int i = 0; i < k; ++i) x *= 10.0;
  for (int i = 0; i > k; --i) x /= 10.0;
  return x;
}

// The text "%.*f" gives for v with d decimals, built without printf for
// the common case (d <= 7, |v| < 1e9; -1 otherwise): v * 10**d is exact in
// double, so rounding it to an integer (ties to even) rounds the exact
// binary value as printf does.  The PostScript pages write thousands of
// such numbers, and printf's exact conversion dominated their time.
int fixed_digits(float v, int d, char* buf) {
  if (d < 0 || d > 7 || !(std::fabs(v) < 1e9f)) return -1;
  long long p = 1;
  for (int i = 0; i < d; ++i) p *= 10;
  const double r = std::nearbyint(double(v) * double(p));
  const bool negative = std::signbit(r) || v < 0.0f;
  unsigned long long m = (unsigned long long)(std::fabs(r));
  char digits[32];
  int n = 0;
  for (int i = 0; i < d || m > 0 || n <= d; ++i, m /= 10) digits[n++] = char('0' + m % 10);
  int len = 0;
  if (negative) buf[len++] = '-';
  for (int i = n - 1; i >= 0; --i) {
    buf[len++] = digits[i];
    if (i == d && d > 0) buf[len++] = '.';
  }
  return len;
}

}  // namespace

void edit_int(int v, int w, char* out) {
  char buf[16];
  int n = std::snprintf(buf, sizeof buf, "%d", v);
  justify(buf, n, w, out);
}

void edit_fixed(float v, int w, int d, int k, char* out) {
  if (edit_special(v, w, out)) return;
  // Largest float is below 1e39 and k <= 99 more digits come from the
  // scale factor: a sign, 39 + 99 digits, a point, d <= 99 decimals, the
  // point appended for d = 0 and the terminator.
  char buf[1 + 39 + MAX_DECIMALS + 1 + MAX_DECIMALS + 2];
  int n = k == 0 ? fixed_digits(v, d, buf) : -1;
  if (n < 0) n = std::snprintf(buf, sizeof buf - 1, "%.*f", d, scaled(v, k));
  if (n < 0 || n >= int(sizeof buf) - 1) {  // cannot happen within the caps
    fill(out, w, '*');
    return;
  }
  if (d == 0) buf[n++] = '.';
  buf[n] = '\0';
  char* p = buf;
  if (*p == '-') {
    bool zero = true;
    for (char* q = p + 1; *q; ++q)
      if (is_digit(*q) && *q != '0') zero = false;
    if (zero) {  // rounds to zero: no minus sign
      ++p;
      --n;
    }
  }
  if (n == w + 1) {
    // One column short: the leading zero goes.
    if (p[0] == '0' && p[1] == '.') {
      ++p;
      --n;
    } else if (p[0] == '-' && p[1] == '0' && p[2] == '.') {
      p[1] = '-';
      ++p;
      --n;
    }
  }
  justify(p, n, w, out);
}

bool edit_exp(float v, int w, int d, int k, char* out) {
  if (k <= -d || k > d + 1) return false;
  if (edit_special(v, w, out)) return true;
  int nd = k > 0 ? d + 1 : d + k;  // significant digits
  char digits[MAX_DECIMALS + 8];
  int e10 = 0;  // value = 0.digits * 10**e10
  bool negative = false;
  if (v == 0) {
    fill(digits, nd, '0');
  } else {
    negative = v < 0;
    char buf[MAX_DECIMALS + 32];
    std::snprintf(buf, sizeof buf, "%.*e", nd - 1, std::fabs(double(v)));
    // buf = D[.DDD]e[+-]XX
    int j = 0;
    char* p = buf;
    digits[j++] = *p++;
    if (*p == '.') ++p;
    while (is_digit(*p)) digits[j++] = *p++;
    ++p;  // 'e'
    e10 = std::atoi(p) + 1;
  }
  int pe = v == 0 ? 0 : e10 - k;  // printed exponent
  char buf[MAX_DECIMALS + 32];
  int n = 0;
  if (negative) buf[n++] = '-';
  int zero_at = -1;  // position of the optional leading zero
  if (k <= 0) {
    zero_at = n;
    buf[n++] = '0';
    buf[n++] = '.';
    for (int i = 0; i < -k; ++i) buf[n++] = '0';
    std::memcpy(buf + n, digits, std::size_t(nd));
    n += nd;
  } else {
    std::memcpy(buf + n, digits, std::size_t(k));
    n += k;
    buf[n++] = '.';
    std::memcpy(buf + n, digits + k, std::size_t(nd - k));
    n += nd - k;
  }
  int ae = pe < 0 ? -pe : pe;
  if (ae > 999) {
    fill(out, w, '*');
    return true;
  }
  if (ae <= 99) {
    n += std::snprintf(buf + n, 8, "E%c%02d", pe < 0 ? '-' : '+', ae);
  } else {
    n += std::snprintf(buf + n, 8, "%c%03d", pe < 0 ? '-' : '+', ae);
  }
  const char* p = buf;
  if (n > w && zero_at >= 0) {
    // No room for the digit 0 before the point.
    std::memmove(buf + zero_at, buf + zero_at + 1, std::size_t(n - zero_at - 1));
    --n;
  }
  justify(p, n, w, out);
  return true;
}

// ---------------------------------------------------------------------------
// Input conversions.

namespace {

// Copies the non-blank characters of the field; returns their number.
int squeeze(const char* field, int w, char* out) {
  int n = 0;
  for (int i = 0; i < w; ++i)
    if (field[i] != ' ' && field[i] != '\t') out[n++] = field[i];
  out[n] = '\0';
  return n;
}

bool same_word(const char* s, const char* word) {
  for (; *word; ++s, ++word)
    if (upper(*s) != *word) return false;
  return *s == '\0';
}

}  // namespace

bool scan_int(const char* field, int w, int& v) {
  char buf[MAX_WIDTH + 1];
  int n = squeeze(field, w, buf);
  int i = 0;
  bool negative = false;
  if (i < n && (buf[i] == '+' || buf[i] == '-')) negative = buf[i++] == '-';
  long long x = 0;  // all blank, or a sign alone, is 0
  for (; i < n; ++i) {
    if (!is_digit(buf[i])) return false;
    x = x * 10 + (buf[i] - '0');
    if (x > 2147483648LL) return false;
  }
  if (negative) x = -x;
  if (x > 2147483647LL) return false;
  v = int(x);
  return true;
}

bool scan_real(const char* field, int w, int d, int k, float& v) {
  char buf[MAX_WIDTH + 1];
  int n = squeeze(field, w, buf);
  if (n == 0) {
    v = 0.0f;
    return true;
  }
  int i = 0;
  bool negative = false;
  if (buf[i] == '+' || buf[i] == '-') negative = buf[i++] == '-';
  if (same_word(buf + i, "NAN")) {
    v = std::nanf("");
    return true;
  }
  if (same_word(buf + i, "INF") || same_word(buf + i, "INFINITY")) {
    v = negative ? -HUGE_VALF : HUGE_VALF;
    return true;
  }
  // Mantissa digits go to num; the decimal exponent is kept apart.
  char num[MAX_WIDTH + 32];
  int m = 0;
  if (negative) num[m++] = '-';
  int ndigits = 0, frac = 0;
  bool point = false;
  for (; i < n; ++i) {
    if (is_digit(buf[i])) {
      num[m++] = buf[i];
      ++ndigits;
      if (point) ++frac;
    } else if (buf[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (ndigits == 0) return false;
  long exponent = 0;
  bool has_exponent = false;
  if (i < n) {
    char c = upper(buf[i]);
    if (c == 'E' || c == 'D') ++i;
    else if (c != '+' && c != '-') return false;
    bool eneg = false;
    if (i < n && (buf[i] == '+' || buf[i] == '-')) eneg = buf[i++] == '-';
    if (i == n) return false;
    for (; i < n; ++i) {
      if (!is_digit(buf[i])) return false;
      if (exponent < 100000) exponent = exponent * 10 + (buf[i] - '0');
    }
    if (eneg) exponent = -exponent;
    has_exponent = true;
  }
  long e = exponent - frac;
  if (!point) e -= d;
  if (!has_exponent) e -= k;
  std::snprintf(num + m, 24, "e%ld", e);
  errno = 0;
  float x = std::strtof(num, nullptr);
  if (errno == ERANGE && std::isinf(x)) return false;  // beyond the largest real
  v = x;
  return true;
}

int list_magnitude(float v, char* out, int cap) {
  if (std::isnan(v)) return std::snprintf(out, std::size_t(cap), "NaN");
  if (std::isinf(v)) return std::snprintf(out, std::size_t(cap), "Inf");
  if (v == 0) return std::snprintf(out, std::size_t(cap), "0.");
  char buf[48];
  int n = std::snprintf(buf, sizeof buf, "%.9G", std::fabs(double(v)));
  if (!std::strchr(buf, '.')) {
    char* e = std::strchr(buf, 'E');
    int at = e ? int(e - buf) : n;
    std::memmove(buf + at + 1, buf + at, std::size_t(n - at + 1));
    buf[at] = '.';
    ++n;
  }
  return std::snprintf(out, std::size_t(cap), "%s", buf);
}

}  // namespace rec::fmt
