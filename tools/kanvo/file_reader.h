// Reading KANVO's whole input into memory.
#ifndef TV_TOOLS_KANVO_FILE_READER_H_
#define TV_TOOLS_KANVO_FILE_READER_H_

#include <string>
#include <string_view>

#include "platform/env.h"
#include "tools/kanvo/kanvo_types.h"

namespace kanvo {

// Reads the whole file into *data (followed by the zero byte every
// std::string keeps). However large the file, it is read whole or refused:
// never cut short. CONV_ERR_IO when it cannot be opened or read,
// CONV_ERR_NOMEM when it cannot be held; *data is then empty.
ConvStatus ReadWholeFile(tv::Env& env, std::u16string_view name, std::string* data);

// The same for a source already opened, from where it stands.
ConvStatus ReadWholeSource(tv::ByteSource& source, std::string* data);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_FILE_READER_H_
