#include "panels/quick_send.h"

#include <QAbstractButton>
#include <QLineEdit>

#include "common/codecs.h"
#include "common/text_ids.h"
#include "dialogs/dialog_builder.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"
#include "resources/dialog_template.h"

namespace zephyn {
namespace {

constexpr int kAnswerWaitMs = 50;

int BoxOf(int row) {
  return AtPageIds::kFirstBox + 2 * row;
}

}  // namespace

CQuickSend::CQuickSend(Language language, QuickSendHost host, QWidget* parent)
    : QWidget(parent), m_host(std::move(host)) {
  setObjectName(QStringLiteral("133"));
  setAccessibleName(Text(TextId::kAtPageTitle));
  BuildDialog(Template133(), language, this, m_controls);
  m_answerTimer.setSingleShot(true);
  m_answerTimer.setInterval(kAnswerWaitMs);
  m_answerTimer.setTimerType(Qt::PreciseTimer);
  connect(&m_answerTimer, &QTimer::timeout, this, [this] {
    // The wait is over; an answer that came without "OK" still empties the
    // box, as an error reply does.
    if (m_host.endQuery)
      if (const auto value = m_host.endQuery()) ShowReply(*value);
  });
}

void CQuickSend::InitQuickSend() {
  m_lineEnd = "\r\n";
  for (int i = 0; i < AtPageIds::kRows; ++i) {
    m_controls.setText(BoxOf(i), QString());
    m_controls.setText(AtPageIds::kFirstButton + 2 * i, Text(TextId::kFirstAtButton + i));
  }
  static const char* const kQueries[8] = {"AT+NAME", "AT+VER", "AT+ADDR", "AT+BAUD",
                                          "AT+PIN",  "",       "",        ""};
  static const char* const kSets[8] = {"", "", "", "", "", "AT+NAME=", "AT+BAUD=", "AT+PIN="};
  for (int i = 0; i < AtPageIds::kRows; ++i) {
    m_queryCmds[i] = kQueries[i];
    m_setCmds[i] = kSets[i];
    m_isQueryRow[i] = i < 5 ? 1 : 0;
    if (auto* box = qobject_cast<QLineEdit*>(m_controls.widget(BoxOf(i))))
      box->setReadOnly(m_isQueryRow[i] == 1);
    if (auto* button =
            qobject_cast<QAbstractButton*>(m_controls.widget(AtPageIds::kFirstButton + 2 * i)))
      connect(button, &QAbstractButton::clicked, this, [this, i] { RunRow(i); });
  }
}

void CQuickSend::RunRow(int row) {
  if (row < 0 || row >= AtPageIds::kRows) return;
  m_replyEditId = BoxOf(row);
  if (m_isQueryRow[row] == 1) {
    if (m_host.beginQuery) m_host.beginQuery();
    SendQuery(m_queryCmds[row]);
  } else {
    SendModify(BoxOf(row), m_setCmds[row]);
  }
}

void CQuickSend::SendQuery(const std::string& cmd) {
  // Queries always go out as text, whatever the Hex check box says.
  SendText(cmd + m_lineEnd);
  m_answerTimer.start();
}

void CQuickSend::SendModify(int editId, const std::string& prefix) {
  const std::string text = ToGbk(m_controls.text(editId));
  if (text.empty()) return;
  std::string s = prefix + (text + m_lineEnd);
  // With Hex input on, the command goes out as its hexadecimal text.
  if (m_host.hexInput && m_host.hexInput()) s = TextToHex(s);
  SendText(s);
}

void CQuickSend::SendText(const std::string& text) {
  if (!m_host.sendBytes) return;
  const Bytes bytes = TextToBytes(text);
  m_host.sendBytes(bytes.data(), std::int32_t(bytes.size()));
}

void CQuickSend::ShowReply(const std::string& text) {
  m_controls.setText(m_replyEditId, FromGbk(text));
}

void CQuickSend::ClearResults() {
  for (int i = 0; i < AtPageIds::kRows; ++i)
    if (m_isQueryRow[i] == 1) m_controls.setText(BoxOf(i), QString());
}

}  // namespace zephyn
