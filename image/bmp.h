// Image library: BMP files of every common depth into 24-bit RGB images.
#ifndef IMAGE_BMP_H
#define IMAGE_BMP_H

#include <cstdint>

// A 24-bit RGB picture: width * height pixels of red, green, blue bytes, bottom row
// first, rows back to back without padding. Both the record and `pixels` come from
// malloc; release both with freeBmpImage (or `pixels` first, then the record, with free).
struct RgbImage {
  int32_t width;
  int32_t height;
  unsigned char* pixels;
};

// Loads a BMP file (1, 4, 8, 16, 24 or 32 bits, run-length encoded or not, with or
// without the "BM" file header). On failure writes one line "Error: <message>" on
// standard error and returns null.
RgbImage* loadBmpImage(const char* path);
// The same with a wide-character file name.
RgbImage* loadBmpImageWide(const wchar_t* path);
// Releases an image the loader returned, pixels and record; does nothing for null.
void freeBmpImage(RgbImage* image);
// Number of colour-table entries that follow the image header at `header`
// (info form or core form).
uint16_t bmpColorTableSize(const void* header);

#endif
