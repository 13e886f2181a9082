#include "serial/baud_search.h"

namespace zephyn {

BaudSearchResult RunBaudSearch(int entries, bool startOpen, std::atomic<std::int32_t>& index,
                               const BaudSearchSteps& steps, BaudSearchWaits waits) {
  using End = BaudSearchResult::End;
  auto finish = [&](End end, int position) {
    const BaudSearchResult result{end, position, index.load()};
    index = 0;
    return result;
  };

  index = 1;
  steps.select(1);
  steps.forgetAnswer();
  for (;;) {
    const int i = index.load();
    if (steps.answered()) {
      if (i > 2) return finish(End::Listed, i - 2);
      // At index 2 the answer is to the probe sent before the first reopen:
      // it belongs to the rate the port had when the search began, never to
      // the automatic entry at position 0. With the port closed then, no
      // probe went out, and the text answers nothing: the search goes on.
      if (startOpen) return finish(End::StartRate, -1);
      steps.forgetAnswer();
    }
    const bool sent = steps.sendProbe();
    if (i > entries) return finish(End::Exhausted, -1);
    if (sent && !steps.wait(waits.answer, true)) return finish(End::Stopped, -1);
    const int position = i < entries ? i : -1;
    steps.select(position);
    steps.reopen(position);
    index = i + 1;
    if (!steps.wait(waits.settle, false)) return finish(End::Stopped, -1);
  }
}

}  // namespace zephyn
