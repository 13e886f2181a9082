#include "dialogs/advance_dlg.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPushButton>
#include <utility>

#include "dialogs/dialog_builder.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"
#include "resources/dialog_template.h"

namespace zephyn {

using namespace AdvanceIds;

CAdvanceDlg::CAdvanceDlg(Language language, const AdvancedSettings& settings, Apply apply,
                         QWidget* parent)
    : QDialog(parent), m_settings(settings), m_apply(std::move(apply)), m_controls(this) {
  setObjectName(QStringLiteral("155"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  BuildDialog(Template155(language), language, this, m_controls);
  setFixedSize(size());
  for (int id : {kApply, kCancel}) {
    // OK is not the default button: Enter aimed at the dialog closes it
    // without applying (see keyPressEvent).
    qobject_cast<QPushButton*>(m_controls.widget(id))->setAutoDefault(false);
  }
  connect(qobject_cast<QAbstractButton*>(m_controls.widget(kApply)), &QAbstractButton::clicked,
          this, [this] { OnOk(); });
  connect(qobject_cast<QAbstractButton*>(m_controls.widget(kCancel)), &QAbstractButton::clicked,
          this, [this] { reject(); });

  // The interval is kept as typed, in the program's code page.
  m_controls.setText(kInterval, FromGbk(m_settings.instructionDelay));
  m_controls.setChecked(kMultiInstruction, m_settings.multiInstruction);
  m_controls.setChecked(kUtf8, m_settings.utf8);
}

void CAdvanceDlg::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != 0) {
    QDialog::keyPressEvent(event);  // Escape cancels
    return;
  }
  if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
    button->click();
  } else {
    accept();
  }
}

void CAdvanceDlg::OnOk() {
  // Any interval text is taken; where it is used its leading digits count.
  m_settings.instructionDelay = ToGbk(m_controls.text(kInterval));
  m_settings.multiInstruction = m_controls.checked(kMultiInstruction);
  m_settings.utf8 = m_controls.checked(kUtf8);
  if (m_apply) m_apply(m_settings);
  accept();
}

}  // namespace zephyn
