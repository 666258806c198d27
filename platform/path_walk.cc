#include "platform/path_walk.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <deque>

namespace tv {

namespace {

// As many links as the kernel follows in one lookup.
constexpr int kMaxLinks = 40;

void AddParts(const std::string& path, std::deque<std::string>* parts) {
  std::deque<std::string> mine;
  for (size_t at = 0; at <= path.size();) {
    size_t end = path.find('/', at);
    if (end == std::string::npos) end = path.size();
    if (end > at) mine.emplace_back(path, at, end - at);
    at = end + 1;
  }
  parts->insert(parts->begin(), mine.begin(), mine.end());
}

bool OnProc(int fd) {
  struct statfs fs;
  return fstatfs(fd, &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC;
}

}  // namespace

bool OthersMayWrite(const struct stat& folder) {
  return (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

bool TrustedEntry(const struct stat& folder, uid_t uid) {
  return !OthersMayWrite(folder) || uid == geteuid() || uid == folder.st_uid;
}

bool WalkPath(const std::string& path, WalkedPath* walked) {
  *walked = WalkedPath();
  if (path.empty() || path.find('\0') != std::string::npos) {
    errno = ENOENT;
    return false;
  }
  Fd at(open(path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!at) return false;
  std::deque<std::string> parts;
  AddParts(path, &parts);
  int links = 0;
  bool as_folder = path.back() == '/';
  while (!parts.empty()) {
    std::string part = std::move(parts.front());
    parts.pop_front();
    bool last = parts.empty();
    if (part == "." || part == "..") {
      if (part == "..") {
        Fd up(openat(at.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!up) return false;
        at = std::move(up);
      }
      if (last) as_folder = true;
      continue;
    }
    struct stat folder_st;
    if (fstat(at.get(), &folder_st) != 0) return false;
    Fd entry(openat(at.get(), part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!entry) {
      if (!last || errno != ENOENT) return false;
    } else if (fstat(entry.get(), &st) != 0) {
      return false;
    } else if (S_ISLNK(st.st_mode)) {
      if (!TrustedEntry(folder_st, st.st_uid)) {
        errno = EACCES;
        return false;
      }
      if (++links > kMaxLinks) {
        errno = ELOOP;
        return false;
      }
      if (OnProc(at.get())) {
        // The kernel's own links (a process's descriptors, its folder)
        // name no path to walk; the kernel follows them.
        Fd followed(openat(at.get(), part.c_str(), O_PATH | O_CLOEXEC));
        if (!followed || fstat(followed.get(), &st) != 0) return false;
        walked->kernel_link = last;
        entry = std::move(followed);
      } else {
        char text[PATH_MAX];
        ssize_t n = readlinkat(at.get(), part.c_str(), text, sizeof text);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof text) {
          errno = n < 0 ? errno : ENAMETOOLONG;
          return false;
        }
        std::string target(text, static_cast<size_t>(n));
        if (target[0] == '/') {
          Fd root(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
          if (!root) return false;
          at = std::move(root);
        }
        if (last) {
          walked->via_link = true;
          if (target.back() == '/') as_folder = true;
        }
        AddParts(target, &parts);
        continue;
      }
    }
    if (!last) {
      if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
      }
      at = std::move(entry);
      continue;
    }
    if (as_folder && entry && !S_ISDIR(st.st_mode)) {
      errno = ENOTDIR;
      return false;
    }
    walked->folder = std::move(at);
    walked->folder_st = folder_st;
    walked->name = std::move(part);
    if (entry) walked->st = st;
    walked->entry = std::move(entry);
    return true;
  }
  // The path names a folder as such.
  if (fstat(at.get(), &walked->st) != 0) return false;
  walked->entry = std::move(at);
  return true;
}

int ReopenWalked(const WalkedPath& walked, int flags) {
  if (!walked.entry || !walked.folder) {
    errno = ENOENT;
    return -1;
  }
  int nofollow = walked.kernel_link ? 0 : O_NOFOLLOW;
  Fd fd(openat(walked.folder.get(), walked.name.c_str(), flags | nofollow | O_CLOEXEC));
  struct stat st;
  if (!fd || fstat(fd.get(), &st) != 0) return -1;
  if (st.st_dev != walked.st.st_dev || st.st_ino != walked.st.st_ino) {
    errno = ENOENT;
    return -1;
  }
  return fd.Release();
}

bool EnterFolder(const std::string& path, std::string* resolved) {
  WalkedPath walked;
  if (!WalkPath(path, &walked)) return false;
  if (!walked.entry) {
    errno = ENOENT;
    return false;
  }
  if (!S_ISDIR(walked.st.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  if (fchdir(walked.entry.get()) != 0) return false;
  char here[PATH_MAX];
  if (getcwd(here, sizeof here) == nullptr) return false;
  *resolved = here;
  return true;
}

}  // namespace tv
