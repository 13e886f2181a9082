// The second page of the side panel: 120 stored strings, each sent by its
// own button, or all in an endless timed cycle.
#pragma once

#include <QWidget>
#include <atomic>
#include <string>

#include "common/texts.h"
#include "dialogs/controls.h"

class QScrollBar;

namespace zephyn {

class CMoreStrSend : public QWidget {
  Q_OBJECT

 public:
  CMoreStrSend(Language language, QWidget* parent);

  Controls& controls() { return m_controls; }
  QScrollBar* scrollBar() const { return m_scrollBar; }

  // The interval list (10 to 90, then 100 to 1000 ms; 100 selected) and the
  // page's scroll range.
  void InitPanel();

  // Whether the endless cycle runs; stopping it. Any thread.
  bool CycleRunning() const { return m_cycleTimer.load() != 0; }
  void StopCycle();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The cycle: its timer is started and killed on the window thread and read
  // by the port watch and the connection worker; the snapshot of rows and the
  // position belong to the timer's ticks.
  std::atomic<unsigned> m_cycleTimer{0};
  std::string m_cycleItems[120];
  int m_cycleCount = 0;
  int m_cycleIndex = 0;

  Controls m_controls;
  QWidget* m_content;  // the rows, taller than the page, moved by the scroll bar
  QScrollBar* m_scrollBar;
};

}  // namespace zephyn
