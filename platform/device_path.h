// Device paths to Linux paths: every backslash becomes a slash and the text
// goes to the file system as UTF-8, escaped bytes restored.
#ifndef TV_PLATFORM_DEVICE_PATH_H_
#define TV_PLATFORM_DEVICE_PATH_H_

#include <string>
#include <string_view>

namespace tv {

std::string DevicePathToHost(std::u16string_view device_path);

// The other way, for a shell that publishes its Linux folder: slashes become
// backslashes and one trailing backslash is ensured.
std::u16string HostDirectoryToDevice(std::string_view host_dir);

}  // namespace tv

#endif  // TV_PLATFORM_DEVICE_PATH_H_
