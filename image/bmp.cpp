// BMP loader entry points: reads the whole file, hands its bytes to the decoder and
// reports any failure as one "Error: ..." line on standard error.
#include "image/bmp.h"

#include <cassert>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "image/bmp_decode.h"
#include "image/file_bytes.h"

namespace {

// Reads and decodes `path` into `*image` (null after a decoding failure, which is reported).
// Returns false, reporting nothing, when the file cannot be opened or read; an empty file counts
// as unreadable, as it holds no header to report on.
bool loadFile(const char* path, RgbImage** image) {
  FileBytes file;
  bool read = loadFileBytes(path, false, &file) == FILE_BYTES_LOADED && file.size > 0;
  const char* error = nullptr;
  if (read) *image = decodeBmpImage(reinterpret_cast<const unsigned char*>(file.bytes), file.size, &error);
  unloadFileBytes(&file);
  if (read && !*image) fprintf(stderr, "Error: %s\n", error);
  return read;
}

// The multibyte form of a wide file name in the current locale; null if it has none.
char* narrowPath(const wchar_t* path) {
  size_t length = wcstombs(nullptr, path, 0);
  if (length == size_t(-1)) return nullptr;
  char* narrow = static_cast<char*>(malloc(length + 1));
  if (narrow) wcstombs(narrow, path, length + 1);
  return narrow;
}

// Writes the wide name character by character, '?' for any the locale cannot show.
void reportWideOpenFailure(const wchar_t* path) {
  fputs("Error: Failed to open DIB file ", stderr);
  mbstate_t state{};
  char bytes[MB_LEN_MAX];
  for (; *path; ++path) {
    size_t length = wcrtomb(bytes, *path, &state);
    if (length == size_t(-1)) {
      state = mbstate_t{};
      fputc('?', stderr);
    } else {
      fwrite(bytes, 1, length, stderr);
    }
  }
  fputs(".\n", stderr);
}

}  // namespace

RgbImage* loadBmpImage(const char* path) {
  assert(path);
  RgbImage* image = nullptr;
  if (!loadFile(path, &image)) fprintf(stderr, "Error: Failed to open DIB file %s.\n", path);
  return image;
}

RgbImage* loadBmpImageWide(const wchar_t* path) {
  assert(path);
  RgbImage* image = nullptr;
  char* narrow = narrowPath(path);
  bool opened = narrow && loadFile(narrow, &image);
  free(narrow);
  if (!opened) reportWideOpenFailure(path);
  return image;
}

void freeBmpImage(RgbImage* image) {
  if (!image) return;
  free(image->pixels);
  free(image);
}
