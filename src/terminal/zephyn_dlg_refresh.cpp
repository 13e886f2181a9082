// What the window's refresher reads: the pane's view, the speed counters,
// the file in hand and its progress; and whether the window is minimized.
#include <QEvent>
#include <mutex>

#include "resources/control_ids.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

PaneRefresher::Inputs CZephynDlg::RefresherInputs() {
  PaneRefresher::Inputs inputs;
  inputs.view = [this] {
    PaneView view;
    view.echo = m_controls.checked(kEcho);
    view.hex = m_controls.checked(kHexView);
    view.utf8 = m_advanceUtf8Check != 0;
    view.stamps = m_paneTimestamps != 0;
    view.reopenLines = int(paneNotes().size());
    return view;
  };
  inputs.takeSpeeds = [this] {
    return PaneRefresher::Speeds{m_txSpeedBytes.exchange(0), m_rxSpeedBytes.exchange(0)};
  };
  inputs.fileProgress = [this] {
    PaneRefresher::FileProgress progress;
    const std::uint64_t length = m_fileTransfer.Length();
    const std::int64_t sent = m_fileTransfer.BytesSent();
    if (length > 0 && sent > 0) {
      // Thousandths in whole numbers: a finished file is 1000 whatever its
      // length (a tenth of a percent as a double can land just below).
      progress.thousandths = int(std::uint64_t(sent) * 1000 / length);
      progress.percent = double(sent) * 100.0 / double(length);
    }
    progress.speedSample = m_fileTransfer.TakeSpeedSample();
    return progress;
  };
  inputs.filePath = [this] {
    std::lock_guard lock(m_filePathLock);
    return m_filePath;
  };
  return inputs;
}

void CZephynDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) m_refresher.SetMinimized(isMinimized());
  QDialog::changeEvent(event);
}

}  // namespace zephyn
