// What tvsh does as the shell: it publishes its folder to the commands it
// runs, runs them, and ends cleanly on the signals that end a shell.
#ifndef TV_SHELL_SHELL_SESSION_H_
#define TV_SHELL_SHELL_SESSION_H_

#include <string>

namespace tv {

// Publishes a Linux folder as the shell's current directory, in its device
// form, in tvsh's environment, which every command started after it
// inherits. False, with errno set, when that fails or when the device form
// does not fit the share: cut to fit, it would name another folder.
bool PublishFolder(const std::string& host_dir);

// False, with a message on standard error naming `host_dir` after
// `context` ("tvsh: " or "tvsh: cd: "), when the tools would read the
// folder's device form as another folder: its path holds a backslash, or a
// part with white space at an end that the device trims. tvsh never
// publishes such a folder.
bool Publishable(const std::string& host_dir, const char* context);

// True when the published folder's path still leads to tvsh's working
// folder (same device and inode); else false with a message. The working
// folder is held by identity, as other shells hold it: a folder renamed or
// replaced under that name must not receive the next command's files.
bool PublishedFolderHolds(const std::string& host_dir);

// Sets tvsh's signals: the terminal's interrupt and quit are ignored (they
// reach the running command), so is SIGPIPE; SIGTERM and SIGHUP end tvsh
// with the terminal's modes restored, and a running command gets them too,
// tvsh ending only after it.
void InstallShellSignals();

// Runs argv[0], looked up on PATH, with the signals as tvsh found them, and
// waits for it. Returns its exit status, 128 + the signal that ended it, or
// 127 when it could not be started (with a message). `typed`: the command
// was typed at the prompt of a terminal, and gets TORVELAN_TYPED=1, which
// lets the tools read backslashes and trimmed names the device's way. tvsh
// removes the variable it inherited, so no other command has it.
int RunCommand(char* const argv[], bool typed = false);

// If SIGTERM or SIGHUP came while a command ran, ends tvsh by that signal.
void EndSession();

// Ends tvsh as EndSession does when such a signal is pending; else nothing.
void EndIfSignalled();

}  // namespace tv

#endif  // TV_SHELL_SHELL_SESSION_H_
