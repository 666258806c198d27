// The files of the user's home folder that the interactive tvsh reads and
// writes (~/.editrc, ~/.tvsh_history). With HOME kept across a change of
// user (sudo -E), that folder may be another user's: a file there is used
// only when the effective user owns it and neither group nor others may
// write it, as checked on the opened file itself.
#ifndef TV_SHELL_USER_FILE_H_
#define TV_SHELL_USER_FILE_H_

#include <string>

namespace tv {

enum class UserFileUse { kRead, kWrite };

// The file opened for `use` (kWrite creates it 0600 when missing), or -1
// when it is missing (kRead), not a regular file, a link, or fails the
// rule above. The caller closes it.
int OpenUserFile(const std::string& path, UserFileUse use);

// HOME, or the user's entry in the password file when it is unset.
std::string HomeFolder();

// The file `name` in HomeFolder().
std::string HomeFile(const std::string& name);

}  // namespace tv

#endif  // TV_SHELL_USER_FILE_H_
