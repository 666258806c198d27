#include "platform/file_metadata.h"

#include <errno.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace tv {

namespace {

constexpr char kAccessAcl[] = "system.posix_acl_access";

std::string ProcPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// The names of the extended attributes of the file at path, or none.
std::vector<std::string> AttributeNames(const std::string& path) {
  std::vector<std::string> names;
  std::string list;
  for (int tries = 0; tries < 4; ++tries) {
    ssize_t size = listxattr(path.c_str(), nullptr, 0);
    if (size <= 0) return names;
    list.resize(static_cast<size_t>(size));
    size = listxattr(path.c_str(), list.data(), list.size());
    if (size >= 0) {
      list.resize(static_cast<size_t>(size));
      break;
    }
    if (errno != ERANGE) return names;  // ERANGE: it grew in between
    list.clear();
  }
  for (size_t at = 0; at < list.size();) {
    size_t end = list.find('\0', at);
    if (end == std::string::npos) end = list.size();
    if (end > at) names.emplace_back(list, at, end - at);
    at = end + 1;
  }
  return names;
}

// Copies one attribute; false when it could not be read or set.
bool CopyAttribute(const std::string& from, const std::string& name, int fd) {
  std::string value;
  for (int tries = 0; tries < 4; ++tries) {
    ssize_t size = getxattr(from.c_str(), name.c_str(), nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<size_t>(size));
    size = getxattr(from.c_str(), name.c_str(), value.data(), value.size());
    if (size >= 0) {
      value.resize(static_cast<size_t>(size));
      return fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) == 0;
    }
    if (errno != ERANGE) return false;
  }
  return false;
}

// The group's bits cut to what others have.
mode_t NarrowGroup(mode_t mode) { return mode & ~(S_IRWXG & ~((mode & S_IRWXO) << 3)); }

}  // namespace

mode_t ReplacementMode(mode_t old_mode, bool owner_kept, bool group_kept) {
  mode_t mode = old_mode & 07777;
  if (!owner_kept) mode &= ~(S_ISUID | S_ISGID);
  if (!group_kept) mode = NarrowGroup(mode & ~S_ISGID);
  return mode;
}

bool KeepMetadata(int old_fd, const struct stat& old, int fd) {
  // A new file may have taken the folder's default ACL; the old one's, or
  // none, is what counts.
  if (fremovexattr(fd, kAccessAcl) != 0 && errno != ENODATA && errno != EOPNOTSUPP) return false;
  struct stat mine;
  if (fstat(fd, &mine) != 0) return false;
  bool owner_kept = mine.st_uid == old.st_uid;
  bool group_kept = mine.st_gid == old.st_gid;
  // Changing the owner is the caller's right only as root; the group, to a
  // group of the caller's. Done first: a change of owner clears set-ID bits.
  if (!owner_kept || !group_kept) {
    if (fchown(fd, old.st_uid, old.st_gid) == 0) {
      owner_kept = group_kept = true;
    } else if (!group_kept && fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0) {
      group_kept = true;
    }
  }
  mode_t mode = ReplacementMode(old.st_mode, owner_kept, group_kept);
  if (fchmod(fd, mode) != 0) return false;
  bool acl_lost = false;
  const std::string from = ProcPath(old_fd);
  for (const std::string& name : AttributeNames(from)) {
    if (!CopyAttribute(from, name, fd) && name == kAccessAcl) acl_lost = true;
  }
  // The group bits show an ACL's mask, wider than the owning group's own
  // entry: without the ACL, or under another group, they are cut to what
  // others had (which also caps every ACL entry of the group class).
  if (acl_lost || !group_kept) {
    if (fstat(fd, &mine) != 0) return false;
    mode_t narrowed = NarrowGroup(mine.st_mode & 07777);
    if (narrowed != (mine.st_mode & 07777) && fchmod(fd, narrowed) != 0) return false;
  }
  return true;
}

}  // namespace tv
