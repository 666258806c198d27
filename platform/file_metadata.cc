#include "platform/file_metadata.h"

#include <errno.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace tv {

namespace {

constexpr char kAccessAcl[] = "system.posix_acl_access";
constexpr char kCapabilities[] = "security.capability";

// The names of the extended attributes of the file open as fd. False when
// they cannot be listed (a file system without attributes has none).
bool AttributeNames(int fd, std::vector<std::string>* names) {
  std::string list;
  for (int tries = 0;; ++tries) {
    ssize_t size = flistxattr(fd, nullptr, 0);
    if (size < 0) return errno == ENOTSUP;
    if (size == 0) return true;
    list.resize(static_cast<size_t>(size));
    size = flistxattr(fd, list.data(), list.size());
    if (size >= 0) {
      list.resize(static_cast<size_t>(size));
      break;
    }
    if (errno != ERANGE || tries == 3) return false;  // ERANGE: it grew in between
  }
  for (size_t at = 0; at < list.size();) {
    size_t end = list.find('\0', at);
    if (end == std::string::npos) end = list.size();
    if (end > at) names->emplace_back(list, at, end - at);
    at = end + 1;
  }
  return true;
}

// Copies one attribute; false when it could not be read or set.
bool CopyAttribute(int from, const std::string& name, int fd) {
  std::string value;
  for (int tries = 0; tries < 4; ++tries) {
    ssize_t size = fgetxattr(from, name.c_str(), nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<size_t>(size));
    size = fgetxattr(from, name.c_str(), value.data(), value.size());
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

bool KeepMetadata(int old_fd, const struct stat& old, int fd, bool same_file) {
  // A new file may have taken the folder's default ACL; the old one's, or
  // none, is what counts.
  if (fremovexattr(fd, kAccessAcl) != 0 && errno != ENODATA && errno != EOPNOTSUPP) return false;
  struct stat mine;
  if (fstat(fd, &mine) != 0) return false;
  bool owner_kept = mine.st_uid == old.st_uid;
  bool group_kept = mine.st_gid == old.st_gid;
  // Changing the owner is the caller's right only as root; the group, to a
  // group of the caller's. Done first: a change of owner clears set-ID bits
  // and capabilities.
  if (!owner_kept || !group_kept) {
    if (fchown(fd, old.st_uid, old.st_gid) == 0) {
      owner_kept = group_kept = true;
    } else if (!group_kept && fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0) {
      group_kept = true;
    }
  }
  // The ACL goes on while the file is still the caller's alone (0600), so
  // the group never holds the mask's bits without the ACL's entries.
  std::vector<std::string> names;
  bool acl_lost = old_fd < 0 || !AttributeNames(old_fd, &names);
  for (const std::string& name : names) {
    if (name == kCapabilities && !same_file) continue;
    if (!CopyAttribute(old_fd, name, fd) && name == kAccessAcl) acl_lost = true;
  }
  mode_t mode = ReplacementMode(old.st_mode, owner_kept, group_kept);
  if (!same_file) mode &= ~(S_ISUID | S_ISGID);
  // The group bits show an ACL's mask, wider than the owning group's own
  // entry: without the ACL, they are cut to what others had (which also
  // caps every ACL entry of the group class).
  if (acl_lost) mode = NarrowGroup(mode);
  return fchmod(fd, mode) == 0;
}

}  // namespace tv
