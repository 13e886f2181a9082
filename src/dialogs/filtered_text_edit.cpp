#include "dialogs/filtered_text_edit.h"

#include <QInputMethodEvent>
#include <QMimeData>
#include <utility>

namespace zephyn {

FilteredTextEdit::FilteredTextEdit(QWidget* parent) : QPlainTextEdit(parent) {}

void FilteredTextEdit::setInsertFilter(Filter filter) {
  m_filter = std::move(filter);
}

void FilteredTextEdit::insertFromMimeData(const QMimeData* source) {
  if (!m_filter || source == nullptr) {
    QPlainTextEdit::insertFromMimeData(source);
    return;
  }
  // Only the plain text is offered, filtered: rich text or URLs would carry
  // the same characters past the filter.
  QMimeData filtered;
  if (source->hasText()) filtered.setText(m_filter(source->text()));
  QPlainTextEdit::insertFromMimeData(&filtered);
}

void FilteredTextEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (!m_filter || event->commitString().isEmpty()) {
    QPlainTextEdit::inputMethodEvent(event);
    return;
  }
  // The text being composed is shown as it is; what is committed is filtered.
  QInputMethodEvent filtered(event->preeditString(), event->attributes());
  filtered.setCommitString(m_filter(event->commitString()), event->replacementStart(),
                           event->replacementLength());
  QPlainTextEdit::inputMethodEvent(&filtered);
}

}  // namespace zephyn
