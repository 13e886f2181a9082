#include "dialogs/filtered_text_edit.h"

#include <QInputMethodEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <utility>
#include <vector>

namespace zephyn {

FilteredTextEdit::FilteredTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
  // Connected before anyone else can be: the others' slots see the text
  // with the refused characters already gone.
  connect(this, &QPlainTextEdit::textChanged, this, &FilteredTextEdit::dropRefused);
}

void FilteredTextEdit::setFilter(Filter filter) {
  m_filter = std::move(filter);
  dropRefused();
}

void FilteredTextEdit::dropRefused() {
  if (!m_filter || m_dropping) return;
  QTextDocument* doc = document();
  // The raw text has one character for every position of the document
  // (a paragraph break is one), so its indexes are cursor positions.
  const QString raw = doc->toRawText();
  const QString kept = m_filter(raw);
  if (kept == raw) return;

  // The kept characters are a subsequence of the text: the runs between
  // them are what goes.
  std::vector<std::pair<int, int>> runs;  // [from, to)
  qsizetype k = 0;
  for (int i = 0; i < int(raw.size()); ++i) {
    if (k < kept.size() && raw[i] == kept[k]) {
      ++k;
    } else if (!runs.empty() && runs.back().second == i) {
      runs.back().second = i + 1;
    } else {
      runs.emplace_back(i, i + 1);
    }
  }

  m_dropping = true;
  QTextCursor cursor(doc);
  // Part of the edit that brought the characters: one undo takes back both.
  cursor.joinPreviousEditBlock();
  if (k != kept.size()) {
    // A filter that rewrites rather than keeps: its text replaces the whole.
    cursor.select(QTextCursor::Document);
    cursor.insertText(kept);
  } else {
    // From the end, so that the positions of the earlier runs stay put.
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
      cursor.setPosition(run->first);
      cursor.setPosition(run->second, QTextCursor::KeepAnchor);
      cursor.removeSelectedText();
    }
  }
  cursor.endEditBlock();
  m_dropping = false;
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
