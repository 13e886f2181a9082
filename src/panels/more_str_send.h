// The second page of the side panel: 120 stored strings, each sent by its
// own button, or all in an endless timed cycle.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/line_end.h"
#include "common/stored_strings.h"
#include "session/activities/cycle.h"
#include "common/texts.h"
#include "dialogs/controls.h"

class QScrollBar;

namespace zephyn {

// What the page needs of the main window.
struct MoreStrSendHost {
  // Sends a row's bytes.
  std::function<void(Bytes)> sendBytes;
  // What New line appends, as the input box's menu chose it; CR LF when
  // not given.
  std::function<LineEnd()> lineEnd;
  // The endless cycle over the rows, which the session runs: its start (the
  // rows as they are now, the line end New line appends or none, the
  // interval), its stop, whether it runs.
  std::function<Cycle::Result(const std::vector<StoredString>&, std::string_view, int)>
      startCycle;
  std::function<void()> stopCycle;
  std::function<bool()> cycleRunning;
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

  // Whether the endless cycle runs; stopping it. The controls it keeps off,
  // here and in the main window, follow the session's state.
  bool CycleRunning() const;
  void StopCycle();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // What follows each row: the chosen line end with New line on, else none.
  std::string_view RowEnd() const;
  // The scroll range: what of the rows does not fit in the page.
  void UpdateScrollRange();
  void ScrollIntoView(QWidget* widget);

  const MoreStrSendHost m_host;
  const Language m_language;
  Controls m_controls;
  QWidget* m_content;  // the rows, taller than the page, moved by the scroll bar
  QScrollBar* m_scrollBar;
  int m_wheelAngle = 0;  // eighths of a degree short of a whole notch
};

}  // namespace zephyn
