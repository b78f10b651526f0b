// BMP loader entry points: maps the file read-only, hands its bytes to the decoder and
// reports any failure as one "Error: ..." line on standard error.
#include "image/bmp.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "image/bmp_decode.h"

namespace {

#ifdef MAP_POPULATE
constexpr int kMapFlags = MAP_PRIVATE | MAP_POPULATE;  // fault the whole file in at once
#else
constexpr int kMapFlags = MAP_PRIVATE;
#endif

// Maps `path` and decodes it into `*image` (null after a decoding failure, which is
// reported). Returns false, reporting nothing, when the file cannot be opened or mapped;
// an empty file cannot be mapped.
bool loadMappedFile(const char* path, RgbImage** image) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status;
  bool mappable = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0;
  size_t size = mappable ? size_t(status.st_size) : 0;
  void* view = mappable ? mmap(nullptr, size, PROT_READ, kMapFlags, fd, 0) : MAP_FAILED;
  close(fd);
  if (view == MAP_FAILED) return false;
  const char* error = nullptr;
  *image = decodeBmpImage(static_cast<const unsigned char*>(view), size, &error);
  munmap(view, size);
  if (!*image) fprintf(stderr, "Error: %s\n", error);
  return true;
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
  if (!loadMappedFile(path, &image)) fprintf(stderr, "Error: Failed to open DIB file %s.\n", path);
  return image;
}

RgbImage* loadBmpImageWide(const wchar_t* path) {
  assert(path);
  RgbImage* image = nullptr;
  char* narrow = narrowPath(path);
  bool opened = narrow && loadMappedFile(narrow, &image);
  free(narrow);
  if (!opened) reportWideOpenFailure(path);
  return image;
}
