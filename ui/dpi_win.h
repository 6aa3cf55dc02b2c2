// Pixel sizes drawn for 96 DPI, scaled to the DPI of the window they land in.
#pragma once
#include <windows.h>

namespace vt {

const int kBaseDpi = 96;

// The window's DPI: the monitor's where the system tracks it per window, otherwise the
// screen's; 96 when neither is known.
int dpi_of(HWND window);
// px at 96 DPI, at this DPI (rounded).
inline int scale(int px, int dpi) { return MulDiv(px, dpi, kBaseDpi); }
// Declares the process DPI-aware when its manifest has not: per-monitor v2 where the
// system offers it, system-aware otherwise. Calls before any window exists.
void declare_dpi_awareness();
// A bitmap resource drawn at width x height (its design size scaled); the caller
// deletes it. Pictures are stretched in halftone; pixel art with a transparent key
// colour (smooth false) by whole pixels, so that no blend of the key frays its edges.
HBITMAP load_scaled_bitmap(HINSTANCE instance, const char* resource, int width, int height, bool smooth);

}  // namespace vt
