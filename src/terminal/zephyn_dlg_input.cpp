// The input box's extras: its menu, which adds to the box's own edit
// entries the choice of what New line appends, and the recall of the inputs
// that were sent (Ctrl+Up, Ctrl+Down; the keyboard filter hands them here).
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPlainTextEdit>

#include "common/line_end.h"
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

void CZephynDlg::InitInputMenu() {
  auto* input = qobject_cast<QPlainTextEdit*>(m_controls.widget(kInput));
  if (input == nullptr) return;
  // Right click and the menu key both arrive here.
  input->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(input, &QWidget::customContextMenuRequested, this,
          [this, input](const QPoint& pos) { ShowInputMenu(input->viewport()->mapToGlobal(pos)); });
}

void CZephynDlg::ShowInputMenu(const QPoint& globalPos) {
  auto* input = qobject_cast<QPlainTextEdit*>(m_controls.widget(kInput));
  if (input == nullptr) return;
  QMenu* menu = input->createStandardContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->setObjectName(QStringLiteral("inputMenu"));
  menu->setAccessibleName(Text(TextId::kInputMenuName, m_language));
  menu->addSeparator();
  // One of three, each named by its text for assistive tools and by a
  // stable object name for scripts and tests.
  auto* group = new QActionGroup(menu);
  group->setExclusive(true);
  const struct {
    const char* name;
    std::uint16_t text;
    LineEnd end;
  } choices[] = {
      {"inputLineEndCrLf", TextId::kLineEndCrLf, LineEnd::kCrLf},
      {"inputLineEndCr", TextId::kLineEndCr, LineEnd::kCr},
      {"inputLineEndLf", TextId::kLineEndLf, LineEnd::kLf},
  };
  for (const auto& choice : choices) {
    QAction* action = menu->addAction(Text(choice.text, m_language));
    action->setObjectName(QString::fromLatin1(choice.name));
    action->setCheckable(true);
    action->setChecked(m_paneOptions.lineEnd == choice.end);
    group->addAction(action);
    const LineEnd end = choice.end;
    connect(action, &QAction::triggered, this, [this, end] { SetLineEnd(end); });
  }
  menu->popup(globalPos);
}

void CZephynDlg::SetLineEnd(LineEnd end) {
  m_paneOptions.lineEnd = end;
  // A running timed send takes it from its next tick on, as it takes New
  // line; a running cycle keeps the rows it took.
  m_session.SetTimedPayload(TimedPayloadOfInput());
}

void CZephynDlg::RecallInput(bool older) {
  const InputEntry current{ToGbk(m_controls.text(kInput)), m_controls.checked(kHexInput)};
  const std::optional<InputEntry> entry =
      older ? m_paneOptions.inputs.Older(current) : m_paneOptions.inputs.Newer();
  if (!entry) return;
  // Hex first, so that the box takes the text as that mode does; then the
  // bytes rebuilt even when the text is the same and only the mode changed.
  m_controls.setChecked(kHexInput, entry->hex);
  m_controls.setText(kInput, FromGbk(entry->text));
  RebuildSendBuf();
  if (auto* input = qobject_cast<QPlainTextEdit*>(m_controls.widget(kInput)))
    input->moveCursor(QTextCursor::End);
}

}  // namespace zephyn
