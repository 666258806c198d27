// Named temporary files removed when SIGINT, SIGTERM or SIGHUP ends the
// tool: an unnamed one goes with the process anyway, a named one would stay
// behind (a full copy of the new text next to the file it was to replace).
#ifndef TV_PLATFORM_TEMPORARY_CLEANUP_H_
#define TV_PLATFORM_TEMPORARY_CLEANUP_H_

namespace tv {

// Watches `name` in the folder `folder` (a descriptor that stays open
// until ForgetTemporary). Returns the watch, or -1 when too many are
// watched at once (the file is then not removed on a signal).
int WatchTemporary(int folder, const char* name);
void ForgetTemporary(int watch);

}  // namespace tv

#endif  // TV_PLATFORM_TEMPORARY_CLEANUP_H_
