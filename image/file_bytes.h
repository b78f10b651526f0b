// Whole-file reading for the image and model libraries' readers (not part of the public
// interface): a file's bytes in memory at once, so that a decoder or scanner works on a buffer.
#ifndef IMAGE_FILE_BYTES_H
#define IMAGE_FILE_BYTES_H

#include <cstddef>

// A file's bytes in memory, followed by a '\0' that stops any scan looking for a character class
// at the end. Read into a heap block of their size plus the terminator, or, for a large regular
// file, mapped whole with at least one page of zeros after it.
struct FileBytes {
  char* bytes;
  size_t size;
  size_t mapped;  // length of the mapping; 0 for a heap block
};

enum FileBytesResult { FILE_BYTES_LOADED, FILE_BYTES_CANNOT_OPEN, FILE_BYTES_OUT_OF_MEMORY };

// Reads the whole file at `path`: a regular file up to the size it has when opened, anything else
// (a pipe, a device) until it ends. With `mapLarge`, a regular file of 1 MiB or more is mapped
// rather than copied. FILE_BYTES_CANNOT_OPEN when the file cannot be opened or read, or is a
// directory, with errno saying why. On failure *file is empty, so it may be unloaded all the same.
FileBytesResult loadFileBytes(const char* path, bool mapLarge, FileBytes* file);
void unloadFileBytes(FileBytes* file);
// Gives back the memory of the pages wholly inside [from, to) once they have been read: a mapped
// file's pages are read again from the file if they are needed again. Nothing for a heap block.
void releaseFileBytes(const FileBytes* file, const char* from, const char* to);

#endif
