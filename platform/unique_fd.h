// A file descriptor with one owner, closed when dropped.
#ifndef TV_PLATFORM_UNIQUE_FD_H_
#define TV_PLATFORM_UNIQUE_FD_H_

#include <unistd.h>

#include <utility>

namespace tv {

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  ~Fd() { Reset(); }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  int Release() { return std::exchange(fd_, -1); }
  // Closes the descriptor; false when closing reported an error.
  bool Close() { return close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_ = -1;
};

}  // namespace tv

#endif  // TV_PLATFORM_UNIQUE_FD_H_
