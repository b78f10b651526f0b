// BMP loader entry points: reads the whole file, hands its bytes to the decoder and
// reports any failure as one "Error: ..." line on standard error.
#include "image/bmp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "image/bmp_decode.h"

namespace {

// Fills `buffer` with the next `size` bytes of `fd`; false on a read error or early end.
bool readFully(int fd, unsigned char* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t got = read(fd, buffer + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += size_t(got);
  }
  return true;
}

// The whole of `path` in a new buffer; false when the file cannot be opened or read (an
// empty file counts as unreadable, as it cannot be mapped either).
bool readWholeFile(const char* path, unsigned char** contents, size_t* size) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status;
  bool regular = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0;
  *size = regular ? size_t(status.st_size) : 0;
  *contents = regular ? static_cast<unsigned char*>(allocateBmpBuffer(*size, false)) : nullptr;
  bool complete = *contents && readFully(fd, *contents, *size);
  close(fd);
  if (!complete) free(*contents);
  return complete;
}

// Reads and decodes `path` into `*image` (null after a decoding failure, which is
// reported). Returns false, reporting nothing, when the file cannot be opened or read.
bool loadFile(const char* path, RgbImage** image) {
  unsigned char* contents;
  size_t size;
  if (!readWholeFile(path, &contents, &size)) return false;
  const char* error = nullptr;
  *image = decodeBmpImage(contents, size, &error);
  free(contents);
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
