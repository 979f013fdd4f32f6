// Fixed-extent arrays and fixed-length texts shared by every computing part.
//
// The run state and the graph records are plain global structs; their arrays
// have the extents of the program's capacities, are indexed from 1 and are
// stored with the first index varying fastest, because files (HFAC.DAT) and
// block copies (1020 words of HFAC) rely on that order.  Texts are
// CHARACTER*n: exactly n bytes, blank-padded, with no terminator.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstring>
#include <string_view>

// Array of N1 x N2 x N3 elements, 1-based, first index fastest.
// A zero-initialised global of this type is all zeros at program start.
template <typename T, int N1, int N2 = 1, int N3 = 1>
struct FArray {
  static constexpr int size = N1 * N2 * N3;
  T v[size];

  T& operator()(int i) { return v[offset(i, 1, 1)]; }
  T& operator()(int i, int j) { return v[offset(i, j, 1)]; }
  T& operator()(int i, int j, int k) { return v[offset(i, j, k)]; }
  const T& operator()(int i) const { return v[offset(i, 1, 1)]; }
  const T& operator()(int i, int j) const { return v[offset(i, j, 1)]; }
  const T& operator()(int i, int j, int k) const { return v[offset(i, j, k)]; }

  T* data() { return v; }
  const T* data() const { return v; }

  // Index of element (i, j, k) in storage order; checked in debug builds.
  static constexpr int offset(int i, int j, int k) {
    assert(i >= 1 && i <= N1 && j >= 1 && j <= N2 && k >= 1 && k <= N3);
    return (i - 1) + N1 * ((j - 1) + N2 * (k - 1));
  }
};

// CHARACTER*N: N bytes, blank-padded, no terminator.
template <int N>
struct FString {
  static constexpr int length = N;
  char c[N];

  // Assigns s, cut to N characters or padded with blanks.
  void assign(std::string_view s) {
    std::size_t n = s.size() < std::size_t(N) ? s.size() : std::size_t(N);
    std::memcpy(c, s.data(), n);
    std::memset(c + n, ' ', N - n);
  }
  FString& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  // Sets every character to a blank (a zero-filled global holds NULs).
  void blank() { std::memset(c, ' ', N); }

  // Number of characters up to the last one that is neither blank nor NUL.
  int len_trim() const {
    int n = N;
    while (n > 0 && (c[n - 1] == ' ' || c[n - 1] == '\0')) --n;
    return n;
  }
  // Column access, 1-based, as TEXT(i:i).
  char& operator()(int i) {
    assert(i >= 1 && i <= N);
    return c[i - 1];
  }
  char operator()(int i) const {
    assert(i >= 1 && i <= N);
    return c[i - 1];
  }
  std::string_view view() const { return std::string_view(c, N); }
  std::string_view trimmed() const { return std::string_view(c, len_trim()); }

  // Compares all N characters; a shorter text compares as if blank-padded.
  bool operator==(std::string_view s) const {
    if (s.size() > std::size_t(N)) return false;
    if (std::memcmp(c, s.data(), s.size()) != 0) return false;
    for (int i = int(s.size()); i < N; ++i)
      if (c[i] != ' ') return false;
    return true;
  }
  bool operator==(const FString& o) const { return std::memcmp(c, o.c, N) == 0; }
};
