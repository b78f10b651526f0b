// BMP files built byte by byte, for tests and benchmarks: the two image header forms, the file
// header, and whole 24-bit files.
#ifndef TESTS_SUPPORT_BMP_WRITER_H
#define TESTS_SUPPORT_BMP_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

// Little-endian fields.
std::string u16(uint16_t value);
std::string u32(uint32_t value);

// The 40-byte info header, at 2835 pixels per metre.
std::string bmpInfoHeader(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0,
                          uint32_t imageSize = 0, uint32_t colors = 0);
// The 12-byte core header.
std::string bmpCoreHeader(uint16_t width, uint16_t height, uint16_t bits);
// A "BM" file header whose pixel offset points right after `headers`, then the headers (image
// header, masks, colour table) and the pixels.
std::string bmpFile(const std::string& headers, const std::string& pixels);
// A whole 24-bit file with the info header; `rgb` holds red, green, blue bytes, bottom row first,
// rows unpadded.
std::string bmp24(int32_t width, int32_t height, const std::vector<uint8_t>& rgb);

#endif
