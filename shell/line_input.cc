#include "shell/line_input.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <vector>

#if defined(TV_HAVE_LIBEDIT)
#include <histedit.h>

#include "shell/completion.h"
#include "shell/user_file.h"
#endif

namespace tv {

namespace {

class PlainInput : public LineInput {
 public:
  explicit PlainInput(bool show_prompt) : show_prompt_(show_prompt) {}

  bool ReadLine(const std::string& prompt, std::string* line) override {
    if (show_prompt_) {
      // The prompt goes to standard error, as shells do, keeping standard
      // output for what the commands print.
      std::fputs(prompt.c_str(), stderr);
      std::fflush(stderr);
    }
    line->clear();
    for (;;) {
      char c;
      ssize_t n = read(0, &c, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return !line->empty();  // a last line without its LF counts
      if (c == '\n') return true;
      if (c != '\0') line->push_back(c);  // no argument can carry a NUL
    }
  }

 private:
  bool show_prompt_;
};

#if defined(TV_HAVE_LIBEDIT)

class EditedInput : public LineInput {
 public:
  EditedInput() {
    editor_ = el_init("tvsh", stdin, stderr, stderr);
    history_ = history_init();
    HistEvent event;
    history(history_, &event, H_SETSIZE, 500);
    history(history_, &event, H_SETUNIQUE, 1);
    el_set(editor_, EL_CLIENTDATA, this);
    el_set(editor_, EL_PROMPT, &EditedInput::Prompt);
    el_set(editor_, EL_EDITOR, "emacs");
    el_set(editor_, EL_HIST, history, history_);
    // Ctrl-C while editing drops the line, as shells do; it reaches the
    // editor as a key rather than as the interrupt, which tvsh ignores.
    el_set(editor_, EL_SETTY, "-d", "-isig", nullptr);
    el_set(editor_, EL_BIND, "^C", "em-kill-line", nullptr);
    // The wide form keeps the texts as given; the narrow one copies them
    // and never frees the copies.
    el_wset(editor_, EL_ADDFN, L"tvsh-complete", L"complete a file name",
            &EditedInput::CompleteKey);
    el_set(editor_, EL_BIND, "^I", "tvsh-complete", nullptr);
    // The user's own files only: read through the descriptor that was
    // checked, so that nothing can take the name's place in between.
    int editrc = OpenUserFile(HomeFile(".editrc"), UserFileUse::kRead);
    if (editrc >= 0) {
      el_source(editor_, ("/proc/self/fd/" + std::to_string(editrc)).c_str());
      close(editrc);
    }
    history_path_ = HomeFile(".tvsh_history");
    int saved = OpenUserFile(history_path_, UserFileUse::kRead);
    if (saved >= 0) {
      history(history_, &event, H_LOAD, ("/proc/self/fd/" + std::to_string(saved)).c_str());
      close(saved);
    }
  }
  ~EditedInput() override {
    el_end(editor_);
    history_end(history_);
  }

  bool ReadLine(const std::string& prompt, std::string* line) override {
    prompt_ = prompt;
    // The editor's terminal modes before the prompt shows, not after, as
    // el_gets would have it: a key pressed as soon as the prompt appeared
    // would otherwise meet the terminal's own line editing, where Ctrl-D
    // turns into an end-of-file mark that the editor, once in its modes,
    // reads as a NUL byte, and tvsh would not end.
    el_set(editor_, EL_PREP_TERM, 1);
    int count = 0;
    const char* text = el_gets(editor_, &count);
    if (text == nullptr || count <= 0) {
      std::fputc('\n', stderr);  // Ctrl-D: the next prompt starts afresh
      return false;
    }
    line->assign(text, count);
    if (!line->empty() && line->back() == '\n') line->pop_back();
    if (line->find_first_not_of(" \t") != std::string::npos) {
      HistEvent event;
      history(history_, &event, H_ENTER, line->c_str());
      SaveHistory();
    }
    return true;
  }

 private:
  static char* Prompt(EditLine* editor) {
    void* data = nullptr;
    el_get(editor, EL_CLIENTDATA, &data);
    return const_cast<char*>(static_cast<EditedInput*>(data)->prompt_.c_str());
  }

  // After every line, so that a session that ends by a signal or a closed
  // terminal keeps what was typed.
  void SaveHistory() {
    int fd = OpenUserFile(history_path_, UserFileUse::kWrite);
    if (fd < 0) return;
    FILE* file = ftruncate(fd, 0) == 0 ? fdopen(fd, "w") : nullptr;
    if (file == nullptr) {
      close(fd);
      return;
    }
    HistEvent event;
    history(history_, &event, H_SAVE_FP, file);
    std::fclose(file);
  }

  static unsigned char CompleteKey(EditLine* editor, int) {
    const LineInfo* info = el_line(editor);
    CompletionWord word =
        WordBeforeCursor(std::string_view(info->buffer, info->cursor - info->buffer));
    Completion completion = Complete(word, FolderEntries(CompletionFolder(word)));
    if (!completion.word.empty()) {
      // The editor counts characters, not bytes.
      std::string_view typed(info->cursor - word.length, word.length);
      int characters = 0;
      for (char c : typed) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
      el_deletestr(editor, characters);
      el_insertstr(editor, completion.word.c_str());
      return CC_REFRESH;
    }
    if (completion.listing.empty()) return CC_REFRESH_BEEP;
    std::string shown = "\n";
    for (const std::string& name : completion.listing) {
      for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        shown.push_back(u < 0x20 || u == 0x7F ? '?' : c);  // no name moves the cursor
      }
      shown += "  ";
    }
    shown += "\n";
    std::fputs(shown.c_str(), stderr);
    return CC_REDISPLAY;
  }

  // The names in a folder, and which of them are folders (through links).
  static std::vector<FolderEntry> FolderEntries(const std::string& path) {
    std::vector<FolderEntry> entries;
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) return entries;
    while (const dirent* entry = readdir(dir)) {
      FolderEntry& added = entries.emplace_back();
      added.name = entry->d_name;
      added.folder = entry->d_type == DT_DIR;
      if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
        struct stat st;
        added.folder = fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
      }
    }
    closedir(dir);
    return entries;
  }

  EditLine* editor_;
  History* history_;
  std::string prompt_;
  std::string history_path_;
};

// The editor needs a UTF-8 character type to edit Japanese; the console
// the tools are made for is UTF-8 whatever the locale says.
void UseUtf8CharacterType() {
  std::setlocale(LC_CTYPE, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

#endif

}  // namespace

std::unique_ptr<LineInput> MakeLineInput() {
  bool terminal = isatty(0) && isatty(2);
#if defined(TV_HAVE_LIBEDIT)
  if (terminal) {
    UseUtf8CharacterType();
    return std::make_unique<EditedInput>();
  }
#endif
  return std::make_unique<PlainInput>(terminal);
}

}  // namespace tv
