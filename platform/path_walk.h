// Opening a path one part at a time. In a folder that group or others may
// write, a symbolic link that neither the caller nor the folder's owner
// made is never followed, at any part, whatever the system's link
// protections say: such a link may lead anywhere its maker chose. Every
// step is an openat on the descriptor the step before gave, so nothing can
// be swapped between a check and its use.
#ifndef TV_PLATFORM_PATH_WALK_H_
#define TV_PLATFORM_PATH_WALK_H_

#include <sys/stat.h>

#include <string>

#include "platform/unique_fd.h"

namespace tv {

// A folder that group or others may write, sticky or not.
bool OthersMayWrite(const struct stat& folder);

// True when an entry owned by `uid` in `folder` is the caller's or the
// folder owner's, or the folder is not one others may write.
bool TrustedEntry(const struct stat& folder, uid_t uid);

struct WalkedPath {
  // The folder holding the last part (O_PATH), and the part's name there;
  // no folder when the path names a folder as such ("/", "a/..", ".").
  Fd folder;
  struct stat folder_st = {};
  std::string name;
  // The last part (O_PATH), links followed; none when nothing is there yet.
  Fd entry;
  struct stat st = {};
  // The last part is a link of the kernel's own (under /proc), followed by
  // the kernel: a reopening of `name` must follow it too.
  bool kernel_link = false;
  // The last name is a link's (the last part was a link, followed).
  bool via_link = false;
};

// Walks `path`, following links by the rule above. True when every folder
// on the way was reached; then `entry` is set unless the last part does
// not exist. False with errno set otherwise (EACCES for a refused link).
bool WalkPath(const std::string& path, WalkedPath* walked);

// Opens the last part of a walked path again with `flags` (O_RDONLY,
// O_WRONLY...), never following a link the walk did not follow, and only
// when it is still the file the walk found; -1 otherwise.
int ReopenWalked(const WalkedPath& walked, int flags);

// Makes the folder `path` names, walked by the rule above, the current
// one, and gives its path as the kernel now tells it (no link in it). False
// with errno set otherwise (ENOTDIR when it is not a folder).
bool EnterFolder(const std::string& path, std::string* resolved);

}  // namespace tv

#endif  // TV_PLATFORM_PATH_WALK_H_
