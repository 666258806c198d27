// An input that cannot be read twice (a pipe, a FIFO, a terminal), copied
// to an unnamed temporary file so that a tool that must read it twice can:
// memory stays flat whatever its size, and the copy has no name, so nothing
// is left behind however the tool ends and nobody else can open it.
#ifndef TV_PLATFORM_INPUT_SPOOL_H_
#define TV_PLATFORM_INPUT_SPOOL_H_

namespace tv {

// Copies what is left to read of `fd` to an unnamed temporary file in
// $TMPDIR, else /tmp, and returns that file's descriptor at offset 0; -1
// when the temporary file cannot be made (nothing read, *consumed false)
// or written, or `fd` fails (*consumed true: the input is spent).
int SpoolToTemporary(int fd, bool* consumed);

}  // namespace tv

#endif  // TV_PLATFORM_INPUT_SPOOL_H_
