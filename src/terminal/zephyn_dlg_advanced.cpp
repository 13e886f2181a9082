// The advanced-settings button (the English window's "Developer option"
// too): the password gate, then the advanced settings dialog, which hands
// its settings back only from its OK button.
#include "dialogs/advance_dlg.h"
#include "dialogs/pwd_dlg.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::OnAdvancedSettings() {
  // Both dialogs are made anew at every press: nothing remembers a password
  // that was once right.
  {
    CPwdDlg password(m_language, this);
    if (password.exec() != QDialog::Accepted) return;
  }
  CAdvanceDlg settings(
      m_language, advancedSettings(), [this](const AdvancedSettings& s) { SetAdvancedSettings(s); },
      this);
  settings.exec();
}

}  // namespace zephyn
