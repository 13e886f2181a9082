// The first page of the side panel: the AT command rows that query and
// change the attached module's name, version, address, rate and PIN.
#pragma once

#include <QWidget>
#include <atomic>
#include <string>

#include "common/texts.h"
#include "dialogs/controls.h"

namespace zephyn {

class CQuickSend : public QWidget {
  Q_OBJECT

 public:
  CQuickSend(Language language, QWidget* parent);

  Controls& controls() { return m_controls; }

  // Captions from the text table, empty boxes, the query rows read-only.
  void InitQuickSend();

  // Shows a query's answer (GBK text) in the box of the row asked last.
  // Called on the port's reader thread.
  void ShowReply(const std::string& text);

  // Empties the answers of the query rows; what the user typed stays.
  void ClearResults();

 private:
  // Set up once on the window thread; read by the rows' handlers.
  std::string m_lineEnd;
  std::string m_queryCmds[8];
  std::string m_setCmds[8];
  int m_isQueryRow[8] = {};
  // The box of the row asked last: the window thread writes, the reader
  // thread's ShowReply reads.
  std::atomic<int> m_replyEditId{0};

  Controls m_controls;
};

}  // namespace zephyn
