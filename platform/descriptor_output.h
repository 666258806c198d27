// Output names that stand for a descriptor the tool inherited: "-" and
// /dev/stdout (standard output), /dev/stderr, /dev/fd/N and /proc/self/fd/N.
// Opening such a name would give a new file description (and replacing it,
// a new file): a shell's `>> log.txt` would lose its log. So the bytes go
// through the descriptor itself, with the flags its opener chose; it is
// never replaced, and there is nothing to ask about.
#ifndef TV_PLATFORM_DESCRIPTOR_OUTPUT_H_
#define TV_PLATFORM_DESCRIPTOR_OUTPUT_H_

#include <memory>
#include <optional>
#include <string_view>

#include "platform/env.h"

namespace tv {

// The descriptor a device path stands for, or nullopt for any other name.
std::optional<int> InheritedDescriptorOf(std::u16string_view device_path);

// A target that writes straight to `sink`: Attributes() reports nothing
// there (no question, no folder), and Create fails when sink is null (the
// descriptor was not inherited, or is not open for writing).
std::unique_ptr<OutputTarget> DescriptorOutputTarget(std::shared_ptr<ByteSink> sink);

}  // namespace tv

#endif  // TV_PLATFORM_DESCRIPTOR_OUTPUT_H_
