// What a file that replaces another keeps of it: owner, group, permission
// bits, ACL and extended attributes, as far as the caller may set them and
// never so that anyone gains access the old file did not give.
#ifndef TV_PLATFORM_FILE_METADATA_H_
#define TV_PLATFORM_FILE_METADATA_H_

#include <sys/stat.h>

namespace tv {

// The permission bits a replacement gets: `old_mode`'s, without set-user-ID
// and set-group-ID when the owner differs, without set-group-ID when the
// group differs, and with the group's bits cut to what others had when the
// group differs (the new group's members gain nothing).
mode_t ReplacementMode(mode_t old_mode, bool owner_kept, bool group_kept);

// Gives `fd`, a new file of the caller's, the metadata of the file that
// `old_fd` (any descriptor, O_PATH too) refers to, whose status is `old`.
// False when the permission bits could not be set; an attribute that cannot
// be copied is left out, narrowing access where it was an ACL.
bool KeepMetadata(int old_fd, const struct stat& old, int fd);

}  // namespace tv

#endif  // TV_PLATFORM_FILE_METADATA_H_
