#include "shell/user_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {

int OpenUserFile(const std::string& path, UserFileUse use) {
  // Never follow a link, never wait on a FIFO another user planted.
  int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  flags |= use == UserFileUse::kWrite ? O_WRONLY | O_CREAT : O_RDONLY;
  int fd = open(path.c_str(), flags, 0600);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
      (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    close(fd);
    return -1;
  }
  // A regular file's reads and writes never wait anyway.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const passwd* entry = getpwuid(getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "/";
}

std::string HomeFile(const std::string& name) {
  std::string folder = HomeFolder();
  if (folder.back() != '/') folder.push_back('/');
  return folder + name;
}

}  // namespace tv
