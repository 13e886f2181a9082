// The window's keyboard filter: it sees the key presses of the window's
// controls before they do. Enter with New line on sends from the input box,
// Ctrl+Enter sends from anywhere in the window, Ctrl+A selects the input,
// Ctrl+Up and Ctrl+Down in the input box recall the inputs sent (plain Up
// and Down stay the box's cursor keys), Ctrl+F in the receive pane opens its
// find bar, and in hex mode the input box holds hexadecimal digits and
// blanks only, whatever puts them in.
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QResizeEvent>

#include "resources/control_ids.h"
#include "terminal/pane_text.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

namespace {

bool IsEnter(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Characters the input box takes in hex mode: hexadecimal digits and blank.
bool HexInputChar(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
         (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
         (c >= QLatin1Char('a') && c <= QLatin1Char('f')) || c == QLatin1Char(' ');
}

}  // namespace

QString HexInputOnly(const QString& text) {
  QString kept;
  kept.reserve(text.size());
  for (QChar c : text)
    if (HexInputChar(c)) kept += c;
  return kept;
}

void CZephynDlg::FilterHexInput() {
  // In hex mode the box keeps what typed keys may enter, whatever puts the
  // text in: a paste, a drop, an input method, the settings file or an
  // assistive tool. So no made-up byte is sent.
  m_controls.setTextFilter(kInput, [this](const QString& text) {
    return m_controls.checked(kHexInput) ? HexInputOnly(text) : text;
  });
}

bool CZephynDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    // The pane's viewport, once laid out, tells how many whole "XX " groups
    // a line of the hex view holds.
    auto* pane = qobject_cast<QPlainTextEdit*>(m_controls.widget(kReceivePane));
    if (pane != nullptr && watched == pane->viewport()) {
      const int perLine =
          HexBytesPerLine(*pane, static_cast<QResizeEvent*>(event)->size().width());
      m_refresher.SetHexBytesPerLine(perLine);
    }
  }
  if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
      FilterKey(watched, event))
    return true;
  return QDialog::eventFilter(watched, event);
}

bool CZephynDlg::FilterKey(QObject* watched, QEvent* event) {
  // A key event travels from the focused control up to its parents; it is
  // judged once, where it starts, and only inside this window.
  auto* target = qobject_cast<QWidget*>(watched);
  if (target == nullptr || target != QApplication::focusWidget() || target->window() != this)
    return false;
  auto* key = static_cast<QKeyEvent*>(event);
  QWidget* input = m_controls.widget(kInput);
  const bool onInput = target == input;

  if (event->type() == QEvent::KeyRelease) {
    if (key->key() == Qt::Key_Control) m_ctrlDown = false;
    return false;
  }

  if (target == m_controls.widget(kReceivePane) && key->key() == Qt::Key_F &&
      (key->modifiers() & Qt::ControlModifier)) {
    OpenFindBar();
    return true;
  }

  const Qt::KeyboardModifiers modifiers =
      key->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier);
  if (onInput && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) &&
      modifiers == Qt::KeyboardModifiers(Qt::ControlModifier)) {
    RecallInput(key->key() == Qt::Key_Up);
    return true;
  }

  if (onInput || target == m_controls.widget(kNewLine)) {
    if (IsEnter(key->key()) && m_controls.checked(kNewLine)) {
      OnSend();
      return true;
    }
    if (key->key() == Qt::Key_A && m_ctrlDown) {
      if (auto* edit = qobject_cast<QPlainTextEdit*>(input)) edit->selectAll();
      return true;
    }
  }
  if (IsEnter(key->key()) && m_ctrlDown) {
    OnSend();  // also while Send itself is disabled
    return true;
  }
  if (key->key() == Qt::Key_Control) m_ctrlDown = true;

  if (onInput && m_controls.checked(kHexInput) && !m_ctrlDown && !key->text().isEmpty()) {
    const QChar c = key->text().front();
    // Only keys that type a character are judged; Enter types a line break
    // and is refused like any other non-digit.
    const bool types = c == QLatin1Char('\r') || c == QLatin1Char('\b') ||
                       (c.unicode() >= 0x20 && c.unicode() != 0x7F);
    if (types && c != QLatin1Char('\b') && !HexInputChar(c)) return true;
  }
  return false;
}

}  // namespace zephyn
