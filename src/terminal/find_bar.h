// The receive pane's find bar: a strip over the bottom of the pane (a child
// of it, so it moves and resizes with the pane and leaves the window's own
// layout alone) with the query, a Hex box, Previous and Next, the match count
// and a close button. It searches the pane's text as shown at each search.
// Enter finds the next match, Shift+Enter the previous one, Escape closes the
// bar and gives the focus back to the pane. Window thread only.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/texts.h"
#include "terminal/pane_find.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace zephyn {

class FindBar : public QWidget {
  Q_OBJECT

 public:
  // `utf8` and `hexView` tell how the pane shows bytes at the time of a search.
  FindBar(Language language, QPlainTextEdit* pane, std::function<bool()> utf8,
          std::function<bool()> hexView);

  // Shows the bar and puts the focus in the query.
  void Open();
  void Close();
  // Selects the next (or previous) match after (before) the pane's cursor,
  // wrapping around; the count label says which of how many.
  void FindNext();
  void FindPrevious();
  // The count label's text.
  QString countText() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Place();
  // Searches the pane afresh; false for a query that is not hex bytes.
  bool Search();
  void Select(int index);
  // A text of the table in the bar's language.
  QString Tr(std::uint16_t id) const;

  const Language m_language;
  QPlainTextEdit* const m_pane;
  const std::function<bool()> m_utf8;
  const std::function<bool()> m_hexView;
  QLineEdit* m_query;
  QCheckBox* m_hex;
  QPushButton* m_previous;
  QPushButton* m_next;
  QLabel* m_count;
  QToolButton* m_close;
  std::vector<PaneMatch> m_matches;
};

}  // namespace zephyn
