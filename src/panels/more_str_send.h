// The second page of the side panel: 120 stored strings, each sent by its
// own button, or all in an endless timed cycle.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <mutex>

#include "common/stored_strings.h"
#include "common/texts.h"
#include "dialogs/controls.h"

class QScrollBar;

namespace zephyn {

// What the page needs of the main window.
struct MoreStrSendHost {
  // Writes through the port and records the send; 1 when the port took it.
  // Any thread: the cycle sends from its timer's thread.
  std::function<int(const std::uint8_t*, std::int32_t)> sendBytes;
  // The main window's controls, which a running cycle keeps off.
  Controls* window = nullptr;
  // Whether a file has been chosen, so Send file may come back. Any thread.
  std::function<bool()> fileChosen;
};

class CMoreStrSend : public QWidget {
  Q_OBJECT

 public:
  CMoreStrSend(Language language, MoreStrSendHost host, QWidget* parent);

  Controls& controls() { return m_controls; }
  QScrollBar* scrollBar() const { return m_scrollBar; }

  // The interval list (10 to 90, then 100 to 1000 ms; 100 selected), the
  // page's scroll range, and every row's hex box and button connected.
  void InitPanel();

  // Row n (1 to 120): the user changed its hex check box, which has its new
  // state; its button was clicked.
  void ToggleRowHex(int n);
  void SendRow(int n);

  // The user changed the cycle check box: checked starts the cycle over the rows
  // as they are now, unchecked stops it.
  void ToggleCycle(bool checked);

  // Whether the endless cycle runs; stopping it and returning the page and
  // the main window's controls to what they were before it. Any thread.
  bool CycleRunning() const { return m_cycle.Running(); }
  void StopCycle();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void RestoreControlsLocked();  // m_cycleLock held
  void EnableRowButtons(bool enable);
  // The scroll range: what of the rows does not fit in the page.
  void UpdateScrollRange();
  void ScrollIntoView(QWidget* widget);

  const MoreStrSendHost m_host;
  const Language m_language;
  // Starting and stopping the cycle, and the control states that go with
  // them, one at a time: the window thread starts and stops it, the
  // connection worker stops it.
  std::mutex m_cycleLock;
  StringCycle m_cycle;

  Controls m_controls;
  QWidget* m_content;  // the rows, taller than the page, moved by the scroll bar
  QScrollBar* m_scrollBar;
  int m_wheelAngle = 0;  // eighths of a degree short of a whole notch
};

}  // namespace zephyn
