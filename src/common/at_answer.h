// The module's answer to a query of the AT page. From the moment the query
// is sent until its wait ends (50 ms later), the blocks the port delivers are
// collected; the answer is taken as soon as the collected text holds "OK",
// so an answer that a slow line or an adapter delivers in pieces still
// counts. The page's thread begins and ends the wait; the port's reader
// thread hands in the blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace zephyn {

class AtAnswer {
 public:
  // A query went out: collect afresh (a wait still running is replaced).
  void Begin();

  // A received block. While waiting, it is added to the answer; once the
  // answer holds "OK" the wait ends and the value to show is returned
  // (AtReplyValue of the answer as text: after the first "=", before the
  // first "OK"). nullopt while the answer is incomplete or nothing waits.
  std::optional<std::string> OnBlock(const std::uint8_t* bytes, std::size_t count);

  // The wait is over. An answer that came without "OK" gives the value it
  // gives (empty: the box is emptied, as for "ERROR"); nullopt when nothing
  // came or the answer was already taken.
  std::optional<std::string> End();

  bool Waiting() const;

 private:
  mutable std::mutex m_lock;  // both fields
  bool m_waiting = false;
  std::string m_text;  // the blocks so far, as text (zero bytes dropped)
};

}  // namespace zephyn
