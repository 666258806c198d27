#include "platform/temporary_cleanup.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace tv {

namespace {

struct Watch {
  std::atomic<bool> used{false};
  std::atomic<bool> armed{false};
  int folder = -1;
  char name[NAME_MAX + 1] = {};
};

Watch g_watches[8];
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveAndDie(int sig) {
  for (Watch& w : g_watches) {
    if (w.armed.load()) unlinkat(w.folder, w.name, 0);
  }
  signal(sig, SIG_DFL);
  raise(sig);
}

// Catches the signals that end the tool by default; one the tool's caller
// ignores stays ignored, and one the tool handles itself is left alone.
void InstallOnce() {
  static std::atomic<bool> installed{false};
  if (installed.exchange(true)) return;
  for (int sig : kSignals) {
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction act = {};
    act.sa_handler = RemoveAndDie;
    sigfillset(&act.sa_mask);
    sigaction(sig, &act, nullptr);
  }
}

}  // namespace

int WatchTemporary(int folder, const char* name) {
  if (std::strlen(name) > NAME_MAX) return -1;
  InstallOnce();
  for (int i = 0; i < static_cast<int>(sizeof g_watches / sizeof g_watches[0]); ++i) {
    Watch& w = g_watches[i];
    if (w.used.exchange(true)) continue;
    w.folder = folder;
    std::strcpy(w.name, name);
    w.armed.store(true);
    return i;
  }
  return -1;
}

void ForgetTemporary(int watch) {
  if (watch < 0) return;
  g_watches[watch].armed.store(false);
  g_watches[watch].used.store(false);
}

}  // namespace tv
