#include "platform/fake_env.h"

#include <algorithm>

#include "platform/descriptor_output.h"
#include "platform/device_path.h"

namespace tv {

namespace {

class FakeOutputFile : public OutputFile {
 public:
  FakeOutputFile(FakeEnv* env, std::string path, bool direct)
      : env_(env), path_(std::move(path)), direct_(direct) {}
  size_t Write(const void* buf, size_t n) override {
    size_t room = env_->output_capacity - std::min(env_->output_capacity, bytes_.size());
    size_t count = std::min(n, room);
    bytes_.append(static_cast<const char*>(buf), count);
    if (direct_) env_->files[path_].bytes = bytes_;
    return count;
  }
  bool Commit() override {
    if (env_->fail_commit || env_->refuse_placement) return false;
    FakeEnv::File& file = env_->files[path_];
    file.bytes = bytes_;
    return true;
  }
  bool PlacementRefused() const override { return env_->refuse_placement; }

 private:
  FakeEnv* env_;
  std::string path_;
  bool direct_;
  std::string bytes_;
};

class FakeOutputTarget : public OutputTarget {
 public:
  FakeOutputTarget(FakeEnv* env, std::string path) : env_(env), path_(std::move(path)) {
    auto it = env_->files.find(path_);
    if (it == env_->files.end()) return;
    attrs_.exists = true;
    attrs_.directory = it->second.directory;
    attrs_.read_only = it->second.read_only;
    attrs_.regular = !it->second.directory && !it->second.device;
  }
  FileAttributes Attributes() const override { return attrs_; }
  bool ClearReadOnly() override {
    auto it = env_->files.find(path_);
    if (env_->fail_clear || it == env_->files.end()) return false;
    it->second.read_only = false;
    return true;
  }
  std::unique_ptr<OutputFile> Create() override {
    auto it = env_->files.find(path_);
    if (env_->fail_create || path_.empty() ||
        (it != env_->files.end() && (it->second.directory || it->second.read_only))) {
      return nullptr;
    }
    bool direct = it != env_->files.end() && it->second.device;
    return std::make_unique<FakeOutputFile>(env_, path_, direct);
  }

 private:
  FakeEnv* env_;
  std::string path_;
  FileAttributes attrs_;
};

}  // namespace

ByteSource& FakeEnv::StdIn() {
  if (!stdin_) stdin_ = std::make_unique<StringSource>(stdin_bytes);
  return *stdin_;
}

FileAttributes FakeEnv::GetFileAttributes(std::u16string_view path) {
  if (path == kStandardStreamName) return stdin_attributes;
  FileAttributes attrs;
  auto it = files.find(DevicePathToHost(path));
  if (it == files.end()) return attrs;
  attrs.exists = true;
  attrs.directory = it->second.directory;
  attrs.read_only = it->second.read_only;
  attrs.regular = !it->second.directory && !it->second.device;
  return attrs;
}

std::unique_ptr<ByteSource> FakeEnv::OpenFile(std::u16string_view path) {
  if (path == kStandardStreamName) {
    if (!stdin_attributes.exists) return nullptr;
    return std::make_unique<StringSource>(stdin_bytes);
  }
  auto it = files.find(DevicePathToHost(path));
  if (it == files.end() || it->second.directory || it->second.unreadable) return nullptr;
  auto source = std::make_unique<StringSource>(it->second.bytes);
  source->FailAfter(it->second.fail_read_after);
  return source;
}

std::unique_ptr<OutputTarget> FakeEnv::OpenOutput(std::u16string_view path) {
  if (std::optional<int> fd = InheritedDescriptorOf(path)) {
    // Standard output and error, which the sinks hold; no other is open.
    ByteSink* sink = *fd == 1 ? &stdout_sink : *fd == 2 ? &stderr_sink : nullptr;
    return DescriptorOutputTarget(sink ? std::shared_ptr<ByteSink>(sink, [](ByteSink*) {})
                                       : nullptr);
  }
  return std::make_unique<FakeOutputTarget>(this, DevicePathToHost(path));
}

bool FakeEnv::ReadShare(char16_t units[kShareUnits]) {
  std::fill(units, units + kShareUnits, u'\0');
  if (!share) return false;
  std::copy_n(share->begin(), std::min(share->size(), kShareUnits), units);
  return true;
}

bool FakeEnv::AskYesNo(std::u16string_view caption, std::u16string_view text) {
  questions.push_back(std::u16string(caption) + u": " + std::u16string(text));
  if (answers.empty()) return false;
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<std::string> FakeEnv::GetVariable(const char* name) {
  auto it = variables.find(std::string_view(name));  // no allocation
  if (it == variables.end()) return std::nullopt;
  return it->second;
}

}  // namespace tv
