#include "dialogs/pwd_dlg.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPushButton>

#include "common/text_ids.h"
#include "dialogs/dialog_builder.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "resources/control_ids.h"
#include "resources/dialog_template.h"

namespace zephyn {

using namespace PasswordIds;

namespace {

// Compared exactly: case, blanks and all.
const QString kPasswordText = QStringLiteral("46527419");

}  // namespace

CPwdDlg::CPwdDlg(Language language, QWidget* parent)
    : QDialog(parent), m_language(language), m_controls(this) {
  setObjectName(QStringLiteral("157"));
  // A fixed frame with a caption and a close box, nothing else.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  BuildDialog(Template157(language), language, this, m_controls);
  setFixedSize(size());
  for (int id : {kConfirm, kCancel}) {
    // No button takes Enter for the dialog as a whole (see keyPressEvent).
    auto* button = qobject_cast<QPushButton*>(m_controls.widget(id));
    button->setAutoDefault(false);
  }
  connect(qobject_cast<QAbstractButton*>(m_controls.widget(kConfirm)), &QAbstractButton::clicked,
          this, [this] { OnConfirm(); });
  connect(qobject_cast<QAbstractButton*>(m_controls.widget(kCancel)), &QAbstractButton::clicked,
          this, [this] { reject(); });
}

void CPwdDlg::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != 0) {
    QDialog::keyPressEvent(event);  // Escape cancels
    return;
  }
  QWidget* focus = focusWidget();
  if (focus == m_controls.widget(kPasswordEdit)) {
    OnConfirm();
  } else if (auto* button = qobject_cast<QPushButton*>(focus)) {
    button->click();
  }
}

void CPwdDlg::OnConfirm() {
  if (m_controls.text(kPasswordEdit) == kPasswordText) {
    accept();
    return;
  }
  Prompts().messageBox(this, Text(TextId::kWrongPassword, m_language), AppTitle(), QMessageBox::Ok,
                       QMessageBox::Warning);
}

}  // namespace zephyn
