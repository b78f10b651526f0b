// Whole-file reading: a heap block for most files, a mapping for large ones that a reader walks
// once and gives back as it goes.
#include "image/file_bytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "image/checked_allocation.h"

namespace {

// Files from this size on are mapped rather than copied into the heap, where the caller asks.
constexpr size_t MAP_FROM_SIZE = size_t(1) << 20;
// The first room for a file of unknown size (a pipe, a device).
constexpr size_t FIRST_UNSIZED_READ = 65536;

// A new heap block of `capacity` bytes, marked for huge pages when large; null when memory runs
// out.
char* allocateRoom(size_t capacity) {
  char* bytes = static_cast<char*>(checkedAllocate(capacity, 1));
  if (bytes) adviseHugePages(bytes, capacity);
  return bytes;
}

// The block with its room doubled, marked likewise; null, with the block freed, when memory runs
// out.
char* growRoom(char* bytes, size_t* capacity) {
  char* larger = static_cast<char*>(checkedGrow(bytes, capacity, 1));
  if (!larger) free(bytes);
  else adviseHugePages(larger, *capacity);
  return larger;
}

// Reads into a heap block with a byte to spare for the terminator. A regular file is read into a
// block of exactly its size plus that byte, so a read past it is a read past the block; a pipe or
// a device grows the block as it goes.
FileBytesResult readDescriptor(int fd, size_t room, bool growable, FileBytes* file) {
  size_t capacity = room + 1;
  char* bytes = allocateRoom(capacity);
  size_t length = 0;
  while (bytes && (length + 1 < capacity || growable)) {
    if (length + 1 == capacity) {
      bytes = growRoom(bytes, &capacity);
      continue;
    }
    ssize_t got = read(fd, bytes + length, capacity - 1 - length);
    if (got == 0) break;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      free(bytes);
      return FILE_BYTES_CANNOT_OPEN;
    }
    length += size_t(got);
  }
  if (!bytes) return FILE_BYTES_OUT_OF_MEMORY;
  bytes[length] = '\0';
  *file = {bytes, length, 0};
  return FILE_BYTES_LOADED;
}

// Maps the file read-only, followed by at least one page of zeros for the terminator: an
// anonymous reservation of the whole length, with the file mapped over its start.
bool mapFile(int fd, size_t size, FileBytes* file) {
  size_t page = size_t(sysconf(_SC_PAGESIZE));
  size_t length = (size + page) / page * page;
  void* zeros = mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (zeros == MAP_FAILED) return false;
  if (mmap(zeros, size, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd, 0) == MAP_FAILED) {
    munmap(zeros, length);
    return false;
  }
  *file = {static_cast<char*>(zeros), size, length};
  return true;
}

FileBytesResult loadDescriptor(int fd, bool mapLarge, FileBytes* file) {
  struct stat status;
  if (fstat(fd, &status) != 0) return FILE_BYTES_CANNOT_OPEN;
  if (S_ISDIR(status.st_mode)) {
    errno = EISDIR;
    return FILE_BYTES_CANNOT_OPEN;
  }
  if (!S_ISREG(status.st_mode)) return readDescriptor(fd, FIRST_UNSIZED_READ, true, file);
  size_t size = size_t(status.st_size);
  if (mapLarge && size >= MAP_FROM_SIZE && mapFile(fd, size, file)) return FILE_BYTES_LOADED;
  return readDescriptor(fd, size, false, file);
}

}  // namespace

FileBytesResult loadFileBytes(const char* path, bool mapLarge, FileBytes* file) {
  *file = {};
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FILE_BYTES_CANNOT_OPEN;
  FileBytesResult result = loadDescriptor(fd, mapLarge, file);
  int why = errno;
  close(fd);
  errno = why;
  return result;
}

void releaseFileBytes(const FileBytes* file, const char* from, const char* to) {
  if (file->mapped && to > from) adviseWholePages(from, size_t(to - from), 0, MADV_DONTNEED);
}

void unloadFileBytes(FileBytes* file) {
  if (file->mapped) munmap(file->bytes, file->mapped);
  else free(file->bytes);
  *file = {};
}
