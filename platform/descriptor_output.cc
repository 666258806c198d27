#include "platform/descriptor_output.h"

#include <charconv>
#include <string>

#include "platform/device_path.h"

namespace tv {

namespace {

// N of "prefix" followed by N's digits alone.
std::optional<int> NumberAfter(std::string_view path, std::string_view prefix) {
  if (!path.starts_with(prefix)) return std::nullopt;
  std::string_view digits = path.substr(prefix.size());
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  int fd = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), fd);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return fd;
}

class DescriptorFile : public OutputFile {
 public:
  explicit DescriptorFile(std::shared_ptr<ByteSink> sink) : sink_(std::move(sink)) {}
  size_t Write(const void* buf, size_t n) override { return sink_->Write(buf, n); }
  bool Commit() override { return sink_->Flush(); }

 private:
  std::shared_ptr<ByteSink> sink_;
};

class DescriptorTarget : public OutputTarget {
 public:
  explicit DescriptorTarget(std::shared_ptr<ByteSink> sink) : sink_(std::move(sink)) {}
  FileAttributes Attributes() const override { return {}; }
  bool ClearReadOnly() override { return false; }
  std::unique_ptr<OutputFile> Create() override {
    if (!sink_) return nullptr;
    return std::make_unique<DescriptorFile>(sink_);
  }

 private:
  std::shared_ptr<ByteSink> sink_;
};

}  // namespace

std::optional<int> InheritedDescriptorOf(std::u16string_view device_path) {
  if (device_path == kStandardStreamName) return 1;
  std::string host = DevicePathToHost(device_path);
  if (host == "/dev/stdout") return 1;
  if (host == "/dev/stderr") return 2;
  if (std::optional<int> fd = NumberAfter(host, "/dev/fd/")) return fd;
  return NumberAfter(host, "/proc/self/fd/");
}

std::unique_ptr<OutputTarget> DescriptorOutputTarget(std::shared_ptr<ByteSink> sink) {
  return std::make_unique<DescriptorTarget>(std::move(sink));
}

}  // namespace tv
