// Saving what was received: the capture file and the bytes still in memory
// become one "RX data.bin" in a folder the user picks.
#include <cstring>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::OnSave() {
  const QString folder = Prompts().browseForFolder(this, Text(TextId::kSaveFolderTitle));
  if (folder.isEmpty()) return;  // cancelled: nothing saved, nothing said
  SpillFailure failure;
  if (m_record.SaveTo(folder.toStdString(), failure)) {
    Prompts().messageBox(this, folder, Text(TextId::kSaveFinished), QMessageBox::Ok,
                         QMessageBox::Information);
  } else {
    ShowFileError(failure.path, failure.error);
  }
}

void CZephynDlg::ShowFileError(const std::string& path, int error) {
  const QString file = QString::fromStdString(path);
  const QString reason = QString::fromLocal8Bit(std::strerror(error));
  const QString text = m_language == Language::ZhCN
                           ? QStringLiteral("无法写入文件 %1：%2").arg(file, reason)
                           : QStringLiteral("Cannot write the file %1: %2").arg(file, reason);
  Prompts().messageBox(this, text, AppTitle(), QMessageBox::Ok, QMessageBox::Critical);
}

}  // namespace zephyn
