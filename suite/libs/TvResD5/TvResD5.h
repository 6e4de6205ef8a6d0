// The suite's glyph library: numbered pictures for the module's buttons and image lists.
// A picture is a horizontal strip of square images (the second image, when there is one, is
// the disabled look) on the transparent colour, which is also its bottom-left pixel.
#pragma once

class TBitmap;

extern "C" {
// The highest picture number the library holds.
int GetMaxBmpID();
// Fills bitmap with picture id; false when there is no such picture (or no bitmap).
bool LoadBmp(TBitmap* bitmap, int id);
}
