// Clock, date and random utilities: thin wrappers around the platform's
// time, ctime, rand and srand, called like every routine of the program.
#pragma once

#include <ctime>

// t = current calendar time in whole seconds.
void timing(int& t);
// r = next value of rand() as a 32-bit real divided by 2^31; 0 <= r <= 1.
void random(float& r);
// Seeds rand() with s.
void seed(const int& s);
// Writes the time of day "hh:mm:ss" and a NUL into text (9 characters at least).
void mytime(char* text);
// Writes the date "d-Mon-yy" or "dd-Mon-yy", NUL-filled to 10 characters.
void mydate(char* text);

// The same for a given calendar time, so the layout can be checked.
void mytime_at(std::time_t when, char* text);
void mydate_at(std::time_t when, char* text);
