// A multi-line edit whose inserted text can pass a filter: what is pasted,
// dropped or committed by an input method goes through it before it enters,
// as typed keys go through a window's key filter.
#pragma once

#include <QPlainTextEdit>
#include <functional>

namespace zephyn {

class FilteredTextEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  using Filter = std::function<QString(const QString&)>;

  explicit FilteredTextEdit(QWidget* parent = nullptr);

  // `filter` returns what of a text may enter; none lets everything in.
  void setInsertFilter(Filter filter);

 protected:
  // Paste (keys, menu, middle button) and drop both end here.
  void insertFromMimeData(const QMimeData* source) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  Filter m_filter;
};

}  // namespace zephyn
