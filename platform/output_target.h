// The output file of a run on Linux. The folder is opened once and the name
// looked up in it once; links are followed by the kernel alone, so its link
// protections apply. Every later step acts on what was found: read-only is
// cleared on that file's descriptor, a regular file is written to an
// unnamed temporary file and put in place only when complete (and, when it
// replaces a file, flushed first and given that file's metadata), and
// anything else is written directly only if it is still the file found.
#ifndef TV_PLATFORM_OUTPUT_TARGET_H_
#define TV_PLATFORM_OUTPUT_TARGET_H_

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/env.h"

namespace tv {

// A file, as the kernel tells files apart.
struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
};

struct OutputOptions {
  // A named temporary file (".name.XXXXXX", removed on failure) even where
  // the file system offers unnamed ones: the way taken where it does not.
  bool named_temporary = false;
  // The files read as inputs, as many as are opened by the time the file
  // is put in place (the list outlives the target): converting one onto
  // itself keeps what only its owner could give it (set-ID bits, file
  // capabilities).
  const std::vector<FileId>* inputs = nullptr;
};

// Looks up the Linux path `host`; never nullptr.
std::unique_ptr<OutputTarget> OpenOutputTarget(const std::string& host,
                                               const OutputOptions& options = {});

}  // namespace tv

#endif  // TV_PLATFORM_OUTPUT_TARGET_H_
