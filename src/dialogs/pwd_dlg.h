// The password dialog in front of the advanced settings: a masked edit, OK
// and Cancel. It ends accepted only after the right password; a wrong one is
// refused with a message, and the dialog stays with the text as typed.
#pragma once

#include <QDialog>

#include "common/texts.h"
#include "dialogs/controls.h"

class QKeyEvent;

namespace zephyn {

class CPwdDlg : public QDialog {
  Q_OBJECT

 public:
  CPwdDlg(Language language, QWidget* parent);

  Controls& controls() { return m_controls; }

 protected:
  // Enter in the edit confirms; Enter on a button presses that button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Accepts the right password, refuses any other text with a message.
  void OnConfirm();

  const Language m_language;
  Controls m_controls;
};

}  // namespace zephyn
