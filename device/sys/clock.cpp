#include "device/sys/clock.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void timing(int& t) { t = int(std::time(nullptr)); }

void random(float& r) {
  // Converted to the nearest float before the division, so the largest
  // values of rand() round up to 2^31 and give exactly 1.0.
  float v = float(std::rand());
  r = v / 2147483648.0f;
}

void seed(const int& s) { std::srand(unsigned(s)); }

namespace {

// Splits the 24-character local-time text (weekday, month, day, time, year
// and a newline) at runs of blanks; returns the number of fields found.
int split_ctime(std::time_t when, char fields[5][16]) {
  const char* text = std::ctime(&when);
  int n = 0;
  if (text == nullptr) return 0;
  const char* q = text;
  while (*q != '\0' && n < 5) {
    while (*q == ' ') ++q;
    if (*q == '\0') break;
    int len = 0;
    while (q[len] != '\0' && q[len] != ' ') ++len;
    int keep = len < 15 ? len : 15;
    std::memcpy(fields[n], q, keep);
    fields[n][keep] = '\0';
    ++n;
    q += len;
  }
  return n;
}

}  // namespace

void mytime_at(std::time_t when, char* text) {
  std::memset(text, ' ', 8);
  text[8] = '\0';
  char f[5][16] = {};
  if (split_ctime(when, f) >= 4) std::memcpy(text, f[3], std::strlen(f[3]) < 8 ? std::strlen(f[3]) : 8);
}

void mydate_at(std::time_t when, char* text) {
  std::memset(text, ' ', 9);
  text[9] = '\0';
  char f[5][16] = {};
  if (split_ctime(when, f) < 5) return;
  // The year field carries the newline; keep its third and fourth digit.
  char year[3] = {f[4][2], f[4][3], '\0'};
  char date[40];
  std::snprintf(date, sizeof date, "%s-%s-%s", f[2], f[1], year);
  int n = int(std::strlen(date));
  for (int i = 0; i < 9; ++i) text[i] = i < n ? date[i] : '\0';
}

void mytime(char* text) { mytime_at(std::time(nullptr), text); }
void mydate(char* text) { mydate_at(std::time(nullptr), text); }
