// Automatic baud detection: choosing the rate list's automatic entry looks
// for the rate at which the attached module answers (the steps are in
// serial/baud_search.h). It runs as a task of the connection worker, so it
// never overlaps an open or a close, and it opens and closes the port
// directly: the window keeps its look until the detection ends in an
// ordinary open at the rate found, or in a close.
#include <algorithm>
#include <chrono>

#include "common/instructions.h"
#include "resources/control_ids.h"
#include "serial/baud_search.h"
#include "serial/com_port.h"
#include "serial/port_list.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;
using std::chrono::milliseconds;

namespace {

// How often a wait for the probe's answer looks at the reply.
constexpr milliseconds kAnswerPoll{10};

}  // namespace

void CZephynDlg::AutoBaudWorker() {
  // An answer to the first probe belongs to the rate the port has now.
  const bool startOpen = g_comPort.IsOpen();
  const QString startRate = m_openedRate;

  BaudSearchSteps steps;
  steps.answered = [this] {
    std::lock_guard lock(m_probeLock);
    return !m_baudProbeReply.empty();
  };
  steps.forgetAnswer = [this] {
    std::lock_guard lock(m_probeLock);
    m_baudProbeReply.clear();
  };
  steps.sendProbe = [this] {
    return SendBytes(reinterpret_cast<const std::uint8_t*>(kBaudProbe.data()),
                     std::int32_t(kBaudProbe.size())) != 0;
  };
  steps.select = [this](int position) { m_controls.setCurSel(kBaudRate, position); };
  steps.reopen = [this](int position) {
    if (g_comPort.IsOpen()) g_comPort.Close();
    const QString port = SelectedPort();
    if (port.isEmpty() || NoPortListed()) return;
    // As an ordinary open reads them, but without its state updates. The
    // rate is the entry's, not what the box shows now: a second "Auto"
    // chosen while the search runs is ignored, yet puts the box on "Auto"
    // until the next step, and read from the box the open would have no
    // rate and the probe at this one would be skipped. No entry (and the
    // automatic one) reads 0, which no device accepts.
    const std::string path = PortPath(port.toStdString());
    const auto baud =
        std::uint32_t(LeadingInt(m_controls.itemText(kBaudRate, position).toStdString()));
    g_comPort.Open(path, baud, 0, 8, 0, m_controls.curSel(kFlowControl));
  };
  steps.wait = [this, &steps](milliseconds duration, bool untilAnswer) {
    // Every wait ends at once when the window closes, so the closing order
    // waits for one step of the detection at most.
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;) {
      if (m_stopAutoBaud != 0) return false;
      if (untilAnswer && steps.answered()) return true;
      const auto left =
          std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left <= milliseconds(0)) return true;
      if (m_stopWait.SleepUnless(m_stopAutoBaud, untilAnswer ? std::min(left, kAnswerPoll) : left))
        return false;
    }
  };

  const BaudSearchResult result = RunBaudSearch(m_controls.count(kBaudRate), startOpen,
                                                m_baudProbeIndex, steps, m_options.baudSearchWaits);
  switch (result.end) {
    case BaudSearchResult::End::Listed:
      m_controls.setCurSel(kBaudRate, result.position);
      StartOpenThread();
      break;
    case BaudSearchResult::End::StartRate: {
      // The rate may be one typed into the box rather than a listed one.
      int position = -1;
      for (int i = 1; i < m_controls.count(kBaudRate); ++i)
        if (m_controls.itemText(kBaudRate, i) == startRate) position = i;
      m_controls.setCurSel(kBaudRate, position);
      if (position < 0) m_controls.setText(kBaudRate, startRate);
      StartOpenThread();
      break;
    }
    case BaudSearchResult::End::Exhausted:
      // The rate box stays empty, so a later open waits for a rate to be
      // chosen. The port is closed with the closed look even when the last
      // open had already failed: the window must not go on showing a port
      // open that is not.
      ClosePort();
      break;
    case BaudSearchResult::End::Stopped:
      break;
  }
  m_autoBaudRunning = 0;
}

}  // namespace zephyn
