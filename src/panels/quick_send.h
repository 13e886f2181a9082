// The first page of the side panel: the AT command rows that query and
// change the attached module's name, version, address, rate and PIN. A query
// waits 50 ms for the module's answer, which the receive path hands in.
#pragma once

#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/codecs.h"
#include "common/texts.h"
#include "dialogs/controls.h"

namespace zephyn {

// What the page needs of the main window.
struct QuickSendHost {
  // Writes through the port and records the send; 1 when the port took it.
  std::function<int(const std::uint8_t*, std::int32_t)> sendBytes;
  // The main window's Hex input check box.
  std::function<bool()> hexInput;
  // A query's answer: collected from the received blocks from beginQuery
  // on; endQuery ends the wait with what came without "OK", if anything.
  std::function<void()> beginQuery;
  std::function<std::optional<std::string>()> endQuery;
};

class CQuickSend : public QWidget {
  Q_OBJECT

 public:
  CQuickSend(Language language, QuickSendHost host, QWidget* parent);

  Controls& controls() { return m_controls; }

  // Captions from the text table, empty boxes, the query rows read-only, and
  // every row's button connected.
  void InitQuickSend();

  // The button of row `row` (0 to 7): a query row sends its command and
  // waits for the answer; a modify row sends its command with the box's text.
  void RunRow(int row);

  // Shows a query's answer (GBK text) in the box of the row asked last.
  // Called on the port's reader thread.
  void ShowReply(const std::string& text);

  // Empties the answers of the query rows; what the user typed stays.
  void ClearResults();

 private:
  void SendQuery(const std::string& cmd);
  void SendModify(int editId, const std::string& prefix);
  void SendText(const std::string& text);

  const QuickSendHost m_host;
  // Set up once on the window thread; read by the rows' handlers.
  std::string m_lineEnd;
  std::string m_queryCmds[8];
  std::string m_setCmds[8];
  int m_isQueryRow[8] = {};
  // The box of the row asked last: the window thread writes, the reader
  // thread's ShowReply reads.
  std::atomic<int> m_replyEditId{0};
  QTimer m_answerTimer;  // window thread: ends a query's wait

  Controls m_controls;
};

}  // namespace zephyn
