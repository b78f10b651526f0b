// PLACEHOLDER: replaced by the real implementation before merging.
#include "image/bmp.h"
#include <cstdlib>

RgbImage* loadBmpImage(const char*) { abort(); }
RgbImage* loadBmpImageWide(const wchar_t*) { abort(); }
uint16_t bmpColorTableSize(const void*) { abort(); }
