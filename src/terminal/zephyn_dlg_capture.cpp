// Saving what was received: the capture file and the bytes still in memory
// become one "RX data.bin" in a folder the user picks.
#include <cstring>

#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::OnSave() {
  const QString folder = Prompts().browseForFolder(this, Text(40));
  if (folder.isEmpty()) return;  // cancelled: nothing saved, nothing said
  bool saved = false;
  std::string failedPath;
  int failedErrno = 0;
  {
    // No spill or Clear may change the capture while it is copied.
    std::lock_guard lock(m_bufLock);
    saved = m_saveFile.SaveCaptureTo(m_rxLog.get(), std::size_t(m_rxLogLen), folder.toStdString());
    if (!saved) {
      failedPath = m_saveFile.LastErrorPath();
      failedErrno = m_saveFile.LastErrno();
    }
  }
  if (saved) {
    Prompts().messageBox(this, folder, Text(26), QMessageBox::Ok, QMessageBox::Information);
  } else {
    ShowFileError(failedPath, failedErrno);
  }
}

void CZephynDlg::ShowFileError(const std::string& path, int error) {
  const QString file = QString::fromStdString(path);
  const QString reason = QString::fromLocal8Bit(std::strerror(error));
  const QString text = m_language == Language::ZhCN
                           ? QStringLiteral("无法写入文件 %1：%2").arg(file, reason)
                           : QStringLiteral("Cannot write the file %1: %2").arg(file, reason);
  Prompts().messageBox(this, text, windowTitle(), QMessageBox::Ok, QMessageBox::Critical);
}

}  // namespace zephyn
