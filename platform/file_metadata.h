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

// Gives `fd`, a new file of the caller's, the metadata of the file whose
// status is `old`, its attributes read through `old_fd` (opened for
// reading; -1 when it could not be). False when the permission bits could
// not be set. An attribute that cannot be copied is left out, and when the
// ACL is lost or the attributes cannot be read at all, the group's bits are
// narrowed. Set-ID bits and file capabilities are kept only for
// `same_file`: the file replaced is the one that was converted.
bool KeepMetadata(int old_fd, const struct stat& old, int fd, bool same_file);

}  // namespace tv

#endif  // TV_PLATFORM_FILE_METADATA_H_
