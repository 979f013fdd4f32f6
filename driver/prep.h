// Projection preparation and the start H-factors.
#pragma once

// Clips, noise-reduces and normalises the profiles, computes the geometry
// and asks for the start H-factors (internal values or HFAC.DAT).
void prep();
// Asks for the start H-factors again and resets HFAC (after a new TWID).
void prep2();
// Automatic noise reduction on PR.
void noisered();
