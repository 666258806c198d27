#include "platform/shared_directory.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace tv {

namespace {
constexpr size_t kShareBytes = kShareUnits * 2;
}  // namespace

bool ReadSharedDirectory(char16_t units[kShareUnits]) {
  std::fill(units, units + kShareUnits, u'\0');
  int fd = shm_open(kShareName, O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return false;
  }
  // Never read past the share's 520 bytes, nor past a smaller object.
  size_t size = std::min(kShareBytes, static_cast<size_t>(std::max<off_t>(st.st_size, 0)));
  bool ok = true;
  if (size > 0) {
    void* view = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
      ok = false;
    } else {
      const unsigned char* bytes = static_cast<const unsigned char*>(view);
      for (size_t i = 0; i + 1 < size; i += 2) {
        units[i / 2] = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
      }
      munmap(view, size);
    }
  }
  close(fd);
  return ok;
}

bool PublishSharedDirectory(std::u16string_view directory) {
  // Cut to fit, the text would name another folder, where the tools would
  // then read and write.
  if (directory.size() >= kShareUnits) {
    errno = ENAMETOOLONG;
    return false;
  }
  int fd = shm_open(kShareName, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  unsigned char bytes[kShareBytes] = {};
  for (size_t i = 0; i < directory.size(); ++i) {
    bytes[2 * i] = static_cast<unsigned char>(directory[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<unsigned char>(directory[i] >> 8);
  }
  bool ok = ftruncate(fd, kShareBytes) == 0 && pwrite(fd, bytes, kShareBytes, 0) ==
                                                   static_cast<ssize_t>(kShareBytes);
  close(fd);
  return ok;
}

bool RemoveSharedDirectory() { return shm_unlink(kShareName) == 0; }

}  // namespace tv
