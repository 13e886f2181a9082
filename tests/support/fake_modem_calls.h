// Test support: while a FakeModemCalls lives, every serial device's modem
// line and break calls reach it instead of the device. It plays a device
// with modem lines: a read gives its lines, a set or clear changes them,
// and a request or a line can be made to be refused with an errno. It keeps
// every call it was asked for. Any thread.
#pragma once

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <vector>

#include "serial/modem_calls_for_tests.h"

namespace zephyn {

class FakeModemCalls {
 public:
  struct Call {
    unsigned long request;
    int bits;  // the line bits it carried; 0 for a read or a break
    bool operator==(const Call&) const = default;
  };

  explicit FakeModemCalls(int lines = 0) {
    std::lock_guard lock(Lock());
    Current() = this;
    m_lines = lines;
    m_before = ReplaceModemCallForTests(&Answer);
  }
  ~FakeModemCalls() {
    ReplaceModemCallForTests(m_before);
    std::lock_guard lock(Lock());
    Current() = nullptr;
  }
  FakeModemCalls(const FakeModemCalls&) = delete;
  FakeModemCalls& operator=(const FakeModemCalls&) = delete;

  // The lines as the system's bits (TIOCM_DTR...).
  void SetLines(int lines) {
    std::lock_guard lock(Lock());
    m_lines = lines;
  }
  int Lines() const {
    std::lock_guard lock(Lock());
    return m_lines;
  }
  // Every `request` (TIOCMGET, TIOCMBIS, TIOCMBIC, TCSBRK) is refused with
  // `error`; 0 takes it again.
  void RefuseRequest(unsigned long request, int error) {
    std::lock_guard lock(Lock());
    m_refusedRequests[request] = error;
  }
  // Every set or clear of the line `bit` is refused with `error`.
  void RefuseLine(int bit, int error) {
    std::lock_guard lock(Lock());
    m_refusedLines[bit] = error;
  }
  std::vector<Call> Calls() const {
    std::lock_guard lock(Lock());
    return m_calls;
  }
  // Calls that reached a descriptor that was no open terminal.
  int StrayCalls() const {
    std::lock_guard lock(Lock());
    return m_strayCalls;
  }
  std::vector<Call> CallsOf(unsigned long request) const {
    std::vector<Call> out;
    for (const Call& call : Calls())
      if (call.request == request) out.push_back(call);
    return out;
  }

 private:
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static FakeModemCalls*& Current() {
    static FakeModemCalls* current = nullptr;
    return current;
  }

  static int Answer(int fd, unsigned long request, int* bits) {
    std::lock_guard lock(Lock());
    FakeModemCalls* fake = Current();
    if (fake == nullptr) return ENOTTY;
    if (!::isatty(fd)) ++fake->m_strayCalls;
    const bool set = request == TIOCMBIS || request == TIOCMBIC;
    fake->m_calls.push_back({request, set ? *bits : 0});
    if (const auto it = fake->m_refusedRequests.find(request);
        it != fake->m_refusedRequests.end() && it->second != 0)
      return it->second;
    if (set) {
      for (const auto& [bit, error] : fake->m_refusedLines)
        if ((*bits & bit) != 0 && error != 0) return error;
      fake->m_lines = request == TIOCMBIS ? fake->m_lines | *bits : fake->m_lines & ~*bits;
    }
    if (request == TIOCMGET) *bits = fake->m_lines;
    return 0;
  }

  ModemCall m_before = nullptr;
  int m_lines = 0;
  std::map<unsigned long, int> m_refusedRequests;
  std::map<int, int> m_refusedLines;
  std::vector<Call> m_calls;
  int m_strayCalls = 0;
};

}  // namespace zephyn
