// The colour table of a page, shared by the two paper devices (KALO.PS and
// the cairo pages), so that a page shows the same colours in every format.
#pragma once

// Red, green and blue of colour index 0..7.
constexpr float PAPER_RGB[8][3] = {
    {1.0f, 1.0f, 1.0f},  // 0 white
    {0.0f, 0.0f, 0.0f},  // 1 black
    {1.0f, 0.0f, 0.0f},  // 2 red
    {0.0f, 1.0f, 0.0f},  // 3 green
    {0.0f, 1.0f, 1.0f},  // 4 cyan
    {1.0f, 0.0f, 1.0f},  // 5 magenta
    {0.0f, 0.0f, 1.0f},  // 6 blue
    {1.0f, 1.0f, 0.0f},  // 7 yellow
};
