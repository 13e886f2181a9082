// The advanced settings dialog: multi-instruction mode, the interval before
// each next instruction, and the UTF-8 view. It edits a copy of the
// settings and hands them over only from its OK button; Enter, Cancel,
// Escape and the close box close it without changing anything.
#pragma once

#include <QDialog>
#include <functional>

#include "common/advanced_settings.h"
#include "common/texts.h"
#include "dialogs/controls.h"

class QKeyEvent;

namespace zephyn {

class CAdvanceDlg : public QDialog {
  Q_OBJECT

 public:
  using Apply = std::function<void(const AdvancedSettings&)>;

  // Shows `settings`; `apply` receives the edited copy when OK is pressed.
  CAdvanceDlg(Language language, const AdvancedSettings& settings, Apply apply, QWidget* parent);

  Controls& controls() { return m_controls; }

 protected:
  // Enter on a button presses that button; anywhere else it closes the
  // dialog without applying.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnOk();

  AdvancedSettings m_settings;  // the copy being edited
  Apply m_apply;
  Controls m_controls;
};

}  // namespace zephyn
