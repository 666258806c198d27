#include "platform/input_spool.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/posix_env.h"
#include "platform/unique_fd.h"

namespace tv {

namespace {

constexpr size_t kChunk = 256 * 1024;

int OpenUnnamed(const char* folder) { return open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600); }

}  // namespace

int SpoolToTemporary(int fd, bool* consumed) {
  *consumed = false;
  const char* tmpdir = std::getenv("TMPDIR");
  Fd spool(tmpdir != nullptr && tmpdir[0] != '\0' ? OpenUnnamed(tmpdir) : -1);
  if (!spool) spool.Reset(OpenUnnamed("/tmp"));
  if (!spool) return -1;
  std::unique_ptr<char[]> buffer(new char[kChunk]);
  *consumed = true;
  for (;;) {
    ssize_t n = read(fd, buffer.get(), kChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    if (WriteFully(spool.get(), buffer.get(), static_cast<size_t>(n)) != static_cast<size_t>(n)) {
      return -1;
    }
  }
  if (lseek(spool.get(), 0, SEEK_SET) != 0) return -1;
  return spool.Release();
}

}  // namespace tv
