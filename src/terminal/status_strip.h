// The status strip along the bottom of the main window: the port and what
// its connection does, the line's rate, format and flow control, the six
// modem lines as marks, the live log's file while it runs, and the size of
// this run's capture. DTR and RTS are buttons that switch their line when
// offered (click, Space once focused with Tab, or an assistive tool's
// press). Every part is named by its control ID and carries its value in its
// accessible name. What it says comes from status_strip_text.h; window
// thread only.
#pragma once

#include <QFrame>
#include <array>
#include <functional>

#include "common/texts.h"
#include "session/session_state.h"
#include "terminal/status_strip_text.h"

class QLabel;

namespace zephyn {

class StatusStrip : public QFrame {
  Q_OBJECT

 public:
  // `setLine` is asked to switch DTR or RTS to the level given.
  using SetLine = std::function<void(ModemLine, bool)>;
  StatusStrip(Language language, SetLine setLine, QWidget* parent);

  // Takes the full width along the bottom of the parent, which grows by the
  // strip's height.
  void GrowParentBelow();
  // Draws every part but the capture's size, which its label (Capture())
  // takes through the control facade at the refresh pace.
  void Draw(const StripTexts& texts);
  QLabel* Capture() const { return m_capture; }

 private:
  void DrawMark(int index, const StripMark& mark);

  const SetLine m_setLine;
  QLabel* m_port;
  QLabel* m_line;
  std::array<QWidget*, kModemLineCount> m_marks{};
  QLabel* m_log;
  QLabel* m_capture;
  StripTexts m_drawn;
  bool m_everDrawn = false;
};

}  // namespace zephyn
