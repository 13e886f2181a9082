#include "terminal/find_bar.h"

#include <QCheckBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QToolButton>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"

namespace zephyn {

FindBar::FindBar(Language language, QPlainTextEdit* pane, std::function<bool()> utf8,
                 std::function<bool()> hexView)
    : QWidget(pane),
      m_language(language),
      m_pane(pane),
      m_utf8(std::move(utf8)),
      m_hexView(std::move(hexView)) {
  setObjectName(QStringLiteral("findBar"));
  setAccessibleName(Tr(TextId::kFindBarName));
  setAutoFillBackground(true);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 2, 4, 2);
  row->setSpacing(4);
  // Every control is named for assistive tools by what it is for, and by a
  // stable object name for scripts and tests.
  auto name = [](QWidget* w, const char* objectName, const QString& accessible) {
    w->setObjectName(QString::fromLatin1(objectName));
    w->setAccessibleName(accessible);
    return w;
  };
  m_query = new QLineEdit(this);
  name(m_query, "findText", Tr(TextId::kFindWhat));
  m_query->setPlaceholderText(Tr(TextId::kFindPlaceholder));
  m_hex = new QCheckBox(Tr(TextId::kFindHex), this);
  name(m_hex, "findHex", m_hex->text());
  m_previous = new QPushButton(Tr(TextId::kFindPrevious), this);
  name(m_previous, "findPrevious", m_previous->text());
  m_next = new QPushButton(Tr(TextId::kFindNext), this);
  name(m_next, "findNext", m_next->text());
  m_count = new QLabel(this);
  name(m_count, "findCount", Tr(TextId::kFindCountName));
  m_close = new QToolButton(this);
  m_close->setText(QStringLiteral("×"));
  name(m_close, "findClose", Tr(TextId::kFindCloseName));
  for (QWidget* w : {static_cast<QWidget*>(m_previous), static_cast<QWidget*>(m_next)})
    w->setFocusPolicy(Qt::TabFocus);
  for (QPushButton* b : {m_previous, m_next}) b->setAutoDefault(false);
  row->addWidget(m_query, 1);
  row->addWidget(m_hex);
  row->addWidget(m_previous);
  row->addWidget(m_next);
  row->addWidget(m_count);
  row->addWidget(m_close);

  // The count follows the query as it is typed; the selection waits for
  // Next or Enter.
  connect(m_query, &QLineEdit::textChanged, this, [this] { Search(); });
  connect(m_query, &QLineEdit::returnPressed, this, [this] {
    if (QGuiApplication::keyboardModifiers() & Qt::ShiftModifier) {
      FindPrevious();
    } else {
      FindNext();
    }
  });
  connect(m_hex, &QCheckBox::toggled, this, [this] { Search(); });
  connect(m_previous, &QPushButton::clicked, this, [this] { FindPrevious(); });
  connect(m_next, &QPushButton::clicked, this, [this] { FindNext(); });
  connect(m_close, &QToolButton::clicked, this, [this] { Close(); });
  pane->installEventFilter(this);
  hide();
}

QString FindBar::Tr(std::uint16_t id) const {
  return Text(id, m_language);
}

void FindBar::Open() {
  Place();
  show();
  raise();
  m_query->setFocus();
  m_query->selectAll();
  Search();
}

void FindBar::Close() {
  hide();
  m_pane->setFocus();
}

void FindBar::Place() {
  // Over the bottom of the pane's text area, clear of its scroll bar.
  const QRect area = m_pane->viewport()->geometry();
  const int h = sizeHint().height();
  setGeometry(area.left(), area.bottom() + 1 - h, area.width(), h);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_pane && event->type() == QEvent::Resize && isVisible()) Place();
  return QWidget::eventFilter(watched, event);
}

void FindBar::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      Close();
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      break;  // the query's returnPressed has searched
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  // The window never sees these keys: Escape would close it, Enter press
  // its default button.
  event->accept();
}

bool FindBar::Search() {
  const auto found = FindInPane(m_pane->toPlainText(), m_query->text(), m_hex->isChecked(),
                                m_hexView(), m_utf8());
  m_matches = found.value_or(std::vector<PaneMatch>{});
  if (!found) {
    m_count->setText(Tr(TextId::kFindNotHex));
    return false;
  }
  m_count->setText(countText());
  return true;
}

QString FindBar::countText() const {
  if (m_query->text().isEmpty()) return QString();
  if (m_matches.empty()) return Tr(TextId::kFindNoMatches);
  // Which match is selected, when one is.
  const QTextCursor cursor = m_pane->textCursor();
  for (std::size_t i = 0; i < m_matches.size(); ++i) {
    if (cursor.selectionStart() == m_matches[i].start &&
        cursor.selectionEnd() == m_matches[i].start + m_matches[i].length) {
      return Tr(TextId::kFindPosition).arg(i + 1).arg(m_matches.size());
    }
  }
  return Tr(TextId::kFindCount).arg(m_matches.size());
}

void FindBar::FindNext() {
  if (!Search() || m_matches.empty()) return;
  const int from = m_pane->textCursor().selectionEnd();
  std::size_t index = 0;
  while (index < m_matches.size() && m_matches[index].start < from) ++index;
  if (index == m_matches.size()) index = 0;  // wrap to the first
  Select(int(index));
}

void FindBar::FindPrevious() {
  if (!Search() || m_matches.empty()) return;
  const int before = m_pane->textCursor().selectionStart();
  int index = int(m_matches.size()) - 1;
  while (index >= 0 && m_matches[std::size_t(index)].start >= before) --index;
  if (index < 0) index = int(m_matches.size()) - 1;  // wrap to the last
  Select(index);
}

void FindBar::Select(int index) {
  const PaneMatch& match = m_matches[std::size_t(index)];
  QTextCursor cursor = m_pane->textCursor();
  cursor.setPosition(match.start);
  cursor.setPosition(match.start + match.length, QTextCursor::KeepAnchor);
  m_pane->setTextCursor(cursor);
  m_pane->ensureCursorVisible();
  m_count->setText(countText());
}

}  // namespace zephyn
