#include "support/bmp_writer.h"

std::string u16(uint16_t value) { return {char(value & 0xFF), char(value >> 8)}; }

std::string u32(uint32_t value) { return u16(uint16_t(value)) + u16(uint16_t(value >> 16)); }

std::string bmpInfoHeader(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                          uint32_t imageSize, uint32_t colors) {
  return u32(40) + u32(uint32_t(width)) + u32(uint32_t(height)) + u16(1) + u16(bits) + u32(compression) +
         u32(imageSize) + u32(2835) + u32(2835) + u32(colors) + u32(0);
}

std::string bmpCoreHeader(uint16_t width, uint16_t height, uint16_t bits) {
  return u32(12) + u16(width) + u16(height) + u16(1) + u16(bits);
}

std::string bmpFile(const std::string& headers, const std::string& pixels) {
  uint32_t offset = uint32_t(14 + headers.size());
  return "BM" + u32(uint32_t(offset + pixels.size())) + u32(0) + u32(offset) + headers + pixels;
}

// Stored rows are blue first and padded to a multiple of four bytes.
std::string bmp24(int32_t width, int32_t height, const std::vector<uint8_t>& rgb) {
  std::string rows;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* p = &rgb[3 * (size_t(y) * size_t(width) + size_t(x))];
      rows += {char(p[2]), char(p[1]), char(p[0])};
    }
    rows.append(size_t(-3 * width & 3), '\0');
  }
  return bmpFile(bmpInfoHeader(width, height, 24), rows);
}
