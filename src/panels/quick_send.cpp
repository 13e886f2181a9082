#include "panels/quick_send.h"

#include <QLineEdit>

#include "common/text_ids.h"
#include "dialogs/dialog_builder.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"
#include "resources/dialog_template.h"

namespace zephyn {

CQuickSend::CQuickSend(Language language, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("133"));
  setAccessibleName(Text(TextId::kAtPageTitle));
  BuildDialog(Template133(), language, this, m_controls);
}

void CQuickSend::InitQuickSend() {
  m_lineEnd = "\r\n";
  for (int i = 0; i < AtPageIds::kRows; ++i) {
    m_controls.setText(AtPageIds::kFirstBox + 2 * i, QString());
    m_controls.setText(AtPageIds::kFirstButton + 2 * i, Text(TextId::kFirstAtButton + i));
  }
  static const char* const kQueries[8] = {"AT+NAME", "AT+VER", "AT+ADDR", "AT+BAUD",
                                          "AT+PIN",  "",       "",        ""};
  static const char* const kSets[8] = {"", "", "", "", "", "AT+NAME=", "AT+BAUD=", "AT+PIN="};
  for (int i = 0; i < 8; ++i) {
    m_queryCmds[i] = kQueries[i];
    m_setCmds[i] = kSets[i];
    m_isQueryRow[i] = i < 5 ? 1 : 0;
    if (auto* box = qobject_cast<QLineEdit*>(m_controls.widget(AtPageIds::kFirstBox + 2 * i)))
      box->setReadOnly(m_isQueryRow[i] == 1);
  }
}

void CQuickSend::ShowReply(const std::string& text) {
  m_controls.setText(m_replyEditId, FromGbk(text));
}

void CQuickSend::ClearResults() {
  for (int i = 0; i < AtPageIds::kRows; ++i)
    if (m_isQueryRow[i] == 1) m_controls.setText(AtPageIds::kFirstBox + 2 * i, QString());
}

}  // namespace zephyn
