// A multi-line edit that holds only the characters its filter keeps, however
// its text changes: what is pasted, dropped or committed by an input method
// goes through the filter before it enters, and anything else that puts
// text in (setPlainText, an assistive tool's insert or replace, undo) has
// the refused characters taken out again before anyone sees the change.
#pragma once

#include <QPlainTextEdit>
#include <functional>

namespace zephyn {

class FilteredTextEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  // Returns the characters of a text that the box keeps, in their order;
  // none lets everything in.
  using Filter = std::function<QString(const QString&)>;

  explicit FilteredTextEdit(QWidget* parent = nullptr);

  // Installs `filter` and applies it to the text the box holds now.
  void setFilter(Filter filter);

 protected:
  // Paste (keys, menu, middle button) and drop both end here.
  void insertFromMimeData(const QMimeData* source) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  // Removes from the document what the filter does not keep.
  void dropRefused();

  Filter m_filter;
  bool m_dropping = false;
};

}  // namespace zephyn
