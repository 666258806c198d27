#include "platform/device_path.h"

#include "platform/utf16.h"

namespace tv {

std::string DevicePathToHost(std::u16string_view device_path) {
  std::string host = Utf16ToUtf8(device_path);
  for (char& c : host) {
    if (c == '\\') c = '/';
  }
  return host;
}

std::u16string HostDirectoryToDevice(std::string_view host_dir) {
  std::u16string device = Utf8ToUtf16(host_dir);
  for (char16_t& u : device) {
    if (u == u'/') u = u'\\';
  }
  if (device.empty() || device.back() != u'\\') device.push_back(u'\\');
  return device;
}

}  // namespace tv
