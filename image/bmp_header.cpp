// Header stage of the BMP loader: finds the image header, reads the fields the decoders
// need and checks every offset and size against the bytes the file really has.
#include <cassert>
#include <cstring>

#include "image/bmp.h"
#include "image/bmp_decode.h"

namespace {

constexpr size_t FILE_HEADER_SIZE = 14;
constexpr uint32_t INFO_HEADER_SIZE = 40;
constexpr uint32_t CORE_HEADER_SIZE = 12;
constexpr size_t MASK_BYTES = 12;
// A run-length pair of two bytes yields at most 255 pixels, and an end-of-line, delta or
// end-of-bitmap code can skip far more: a valid stream of two bytes may leave a whole
// picture blank. Images up to RLE_PIXEL_BUDGET pixels (48 MiB of output) load whatever
// their data size. Beyond it, dimensions of more than RLE_PIXELS_PER_BYTE pixels per byte of
// encoded data (plus RLE_SPARE_BYTES) are taken for a damaged header, so that a short file
// cannot make the loader allocate gigabytes.
constexpr uint64_t RLE_PIXEL_BUDGET = uint64_t(1) << 24;
constexpr uint64_t RLE_PIXELS_PER_BYTE = 1024;
constexpr uint64_t RLE_SPARE_BYTES = 64;

const char* const TRUNCATED_HEADER = "DIB file header is truncated.";
const char* const UNKNOWN_FORMAT = "Unknown DIB file format.";
const char* const BAD_SIZE = "Invalid DIB image size.";
const char* const CONVERSION_ERROR = "Image file conversion error.";
const char* const TRUNCATED_TABLE = "DIB colour table runs past the end of the file.";
const char* const OFFSET_IN_HEADERS = "DIB pixel data offset lies inside the headers.";
const char* const TRUNCATED_PIXELS = "DIB pixel data runs past the end of the file.";
const char* const RLE_TOO_SHORT = "DIB run-length data is too short for the image size.";

uint16_t readU16(const unsigned char* bytes) { return uint16_t(bytes[0] | bytes[1] << 8); }

uint32_t readU32(const unsigned char* bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

int32_t readI32(const unsigned char* bytes) {
  uint32_t value = readU32(bytes);
  int32_t result;
  memcpy(&result, &value, sizeof result);
  return result;
}

uint16_t tableSizeForDepth(uint16_t bitCount) {
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

// Width, height, depth and compression of either header form.
const char* readImageFields(const unsigned char* header, BmpLayout* layout) {
  int64_t height;
  if (readU32(header) == CORE_HEADER_SIZE) {
    layout->width = readU16(header + 4);
    height = readU16(header + 6);
    layout->bitCount = readU16(header + 10);
    layout->compression = BMP_UNCOMPRESSED;
  } else {
    layout->width = readI32(header + 4);
    height = readI32(header + 8);
    layout->bitCount = readU16(header + 14);
    layout->compression = readU32(header + 16);
  }
  if (layout->width <= 0 || height == 0 || height == INT32_MIN) return BAD_SIZE;
  layout->topDown = height < 0;
  layout->height = int32_t(height < 0 ? -height : height);
  return nullptr;
}

bool canConvert(uint16_t bitCount, uint32_t compression) {
  switch (compression) {
    case BMP_UNCOMPRESSED:
      return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
             bitCount == 32;
    case BMP_RLE8: return bitCount == 8;
    case BMP_RLE4: return bitCount == 4;
    case BMP_BITFIELDS: return bitCount == 16 || bitCount == 32;
    default: return false;
  }
}

// Masks for the depths that carry them: the file's for bit-field images, the standard
// 5-5-5 and 8-8-8 layouts otherwise.
void setMasks(const unsigned char* storedMasks, BmpLayout* layout) {
  static const uint32_t MASKS_16[3] = {0x7C00, 0x03E0, 0x001F};
  static const uint32_t MASKS_32[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  for (int channel = 0; channel < 3; ++channel) {
    if (storedMasks)
      layout->masks[channel] = readU32(storedMasks + 4 * channel);
    else
      layout->masks[channel] = layout->bitCount == 16 ? MASKS_16[channel] : MASKS_32[channel];
  }
}

// Bytes an uncompressed image needs: every row padded, except that the last row's padding
// may be missing.
bool uncompressedDataFits(const BmpLayout& layout) {
  uint64_t rowSize = bmpStoredRowSize(layout);
  uint64_t lastRow = (uint64_t(layout.width) * layout.bitCount + 7) / 8;
  if (layout.pixelDataSize < lastRow) return false;
  return uint64_t(layout.height - 1) <= (layout.pixelDataSize - lastRow) / rowSize;
}

bool runLengthDataFits(const BmpLayout& layout) {
  uint64_t pixels = uint64_t(layout.width) * uint64_t(layout.height);
  if (pixels <= RLE_PIXEL_BUDGET) return true;
  return pixels / RLE_PIXELS_PER_BYTE <= layout.pixelDataSize + RLE_SPARE_BYTES;
}

// The run-length stream is as long as the header's image size says, when it says one.
const char* limitRunLengthData(const unsigned char* header, BmpLayout* layout) {
  uint32_t imageSize = readU32(header + 20);
  if (imageSize > layout->pixelDataSize) return TRUNCATED_PIXELS;
  if (imageSize != 0) layout->pixelDataSize = imageSize;
  return runLengthDataFits(*layout) ? nullptr : RLE_TOO_SHORT;
}

const char* checkPixelData(const unsigned char* header, BmpLayout* layout) {
  bool runLength = layout->compression == BMP_RLE8 || layout->compression == BMP_RLE4;
  if (runLength) return limitRunLengthData(header, layout);
  return uncompressedDataFits(*layout) ? nullptr : TRUNCATED_PIXELS;
}

// Masks (bit-field images only) and colour table after the checked image header at
// `headerOffset`; `*headersEnd` is where the masks end and the table begins.
const char* locateTable(const unsigned char* file, size_t size, size_t headerOffset, BmpLayout* layout,
                        size_t* headersEnd) {
  const unsigned char* header = file + headerOffset;
  size_t tableOffset = headerOffset + readU32(header);
  bool hasMasks = layout->compression == BMP_BITFIELDS;
  if (hasMasks && size - tableOffset < MASK_BYTES) return TRUNCATED_HEADER;
  setMasks(hasMasks ? file + tableOffset : nullptr, layout);
  if (hasMasks) tableOffset += MASK_BYTES;
  layout->colorEntrySize = readU32(header) == CORE_HEADER_SIZE ? 3 : 4;
  layout->colorCount = bmpColorTableSize(header);
  if ((size - tableOffset) / layout->colorEntrySize < layout->colorCount) return TRUNCATED_TABLE;
  layout->colorTable = file + tableOffset;
  *headersEnd = tableOffset;
  return nullptr;
}

// Pixel data: at the file header's offset, or right after the colour table in a bare file.
const char* locatePixels(const unsigned char* file, size_t size, size_t headerOffset, size_t headersEnd,
                         BmpLayout* layout) {
  size_t tableEnd = headersEnd + size_t(layout->colorCount) * layout->colorEntrySize;
  size_t pixelOffset = headerOffset == FILE_HEADER_SIZE ? readU32(file + 10) : tableEnd;
  if (pixelOffset < headersEnd) return OFFSET_IN_HEADERS;
  if (pixelOffset > size) return TRUNCATED_PIXELS;
  layout->pixelData = file + pixelOffset;
  layout->pixelDataSize = size - pixelOffset;
  return checkPixelData(file + headerOffset, layout);
}

}  // namespace

uint16_t bmpColorTableSize(const void* header) {
  assert(header);
  const unsigned char* bytes = static_cast<const unsigned char*>(header);
  if (readU32(bytes) == CORE_HEADER_SIZE) return tableSizeForDepth(readU16(bytes + 10));
  uint32_t colorsUsed = readU32(bytes + 32);
  if (colorsUsed != 0) return uint16_t(colorsUsed);
  return tableSizeForDepth(readU16(bytes + 14));
}

const char* parseBmpLayout(const unsigned char* file, size_t size, BmpLayout* layout) {
  *layout = BmpLayout{};
  bool fileHeader = size >= 2 && file[0] == 'B' && file[1] == 'M';
  size_t headerOffset = fileHeader ? FILE_HEADER_SIZE : 0;
  if (size < headerOffset + 4) return TRUNCATED_HEADER;
  uint32_t headerSize = readU32(file + headerOffset);
  if (headerSize != INFO_HEADER_SIZE && headerSize != CORE_HEADER_SIZE) return UNKNOWN_FORMAT;
  if (size - headerOffset < headerSize) return TRUNCATED_HEADER;
  if (const char* error = readImageFields(file + headerOffset, layout)) return error;
  if (!canConvert(layout->bitCount, layout->compression)) return CONVERSION_ERROR;
  size_t headersEnd;
  if (const char* error = locateTable(file, size, headerOffset, layout, &headersEnd)) return error;
  return locatePixels(file, size, headerOffset, headersEnd, layout);
}
