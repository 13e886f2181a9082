// The receive pane's menu: the pane's own Copy and Select All, then Find,
// the time stamps, reopening a lost port when its device returns, a break
// on the open port, and the live log with its choices (stamps, what is sent
// too). Its choices are kept in a small file beside the settings file, read
// at start-up and written at close.
#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <cstring>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "resources/control_ids.h"
#include "storage/settings_store.h"
#include "terminal/find_bar.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

void CZephynDlg::InitPaneExtras() {
  auto* pane = qobject_cast<QPlainTextEdit*>(m_controls.widget(kReceivePane));
  if (pane == nullptr) return;
  // Right click and the menu key both arrive here.
  pane->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(pane, &QWidget::customContextMenuRequested, this,
          [this, pane](const QPoint& pos) { ShowPaneMenu(pane->viewport()->mapToGlobal(pos)); });
  m_findBar = new FindBar(m_language, pane, [this] { return m_utf8View; },
                          [this] { return m_controls.checked(kHexView); });
}

void CZephynDlg::OpenFindBar() {
  if (m_findBar != nullptr) m_findBar->Open();
}

PaneOptions CZephynDlg::paneOptions() const {
  return m_paneOptions;
}

void CZephynDlg::SetPaneOptions(const PaneOptions& options) {
  m_paneOptions = options;
  m_session.SetReopenOnReturn(options.reopen);
  m_refresher.SetViewChoices(m_utf8View, options.timestamps);
}

void CZephynDlg::ShowPaneMenu(const QPoint& globalPos) {
  auto* pane = qobject_cast<QPlainTextEdit*>(m_controls.widget(kReceivePane));
  if (pane == nullptr) return;
  auto text = [this](std::uint16_t id) { return Text(id, m_language); };
  QMenu* menu = pane->createStandardContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->setObjectName(QStringLiteral("paneMenu"));
  menu->setAccessibleName(text(TextId::kPaneMenuName));
  // Each entry is named by its text for assistive tools, and by a stable
  // object name for scripts and tests.
  auto add = [&](const char* name, const QString& caption, bool checkable, bool checked,
                 auto handler) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(checkable);
    action->setChecked(checked);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  menu->addSeparator();
  QAction* find = add("paneFind", text(TextId::kPaneFind), false, false, [this] { OpenFindBar(); });
  find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  find->setShortcutContext(Qt::WidgetShortcut);  // shown in the menu; the pane handles the key
  auto choose = [this](auto change) {
    return [this, change](bool on) {
      PaneOptions options = m_paneOptions;
      change(options, on);
      SetPaneOptions(options);
    };
  };
  add("paneTimestamps", text(TextId::kPaneTimestamps), true, m_paneOptions.timestamps,
      choose([](PaneOptions& o, bool on) { o.timestamps = on; }));
  add("paneReopen", text(TextId::kPaneReopen), true, m_paneOptions.reopen,
      choose([](PaneOptions& o, bool on) { o.reopen = on; }));
  QAction* sendBreak = add("paneSendBreak", text(TextId::kPaneSendBreak), false, false,
                           [this] { m_session.SendBreak(); });
  sendBreak->setEnabled(m_state.connection == Connection::Open);
  menu->addSeparator();
  if (m_state.liveLog) {
    add("paneLog", text(TextId::kPaneStopLog), false, false, [this] { StopLiveLog(); });
  } else {
    QAction* log =
        add("paneLog", text(TextId::kPaneLogToFile), false, false, [this] { OnLogToFile(); });
    log->setEnabled(m_state.connection == Connection::Open);
  }
  add("paneLogTimestamps", text(TextId::kPaneLogTimestamps), true, m_paneOptions.logTimestamps,
      choose([](PaneOptions& o, bool on) { o.logTimestamps = on; }));
  add("paneLogSent", text(TextId::kPaneLogSent), true, m_paneOptions.logSent,
      choose([](PaneOptions& o, bool on) { o.logSent = on; }));
  menu->popup(globalPos);
}

void CZephynDlg::OnBreakRefused(int error) {
  const QString reason = QString::fromLocal8Bit(std::strerror(error));
  PostWarning(Text(TextId::kBreakRefused, m_language).arg(reason), QString());
}

void CZephynDlg::LoadPaneOptions() {
  if (m_options.settingsPath.empty()) return;
  const std::string& fallback = m_options.settingsFallbackPath;
  if (const auto text = ReadFileAtStart(PaneOptionsPath(m_options.settingsPath),
                                        fallback.empty() ? fallback : PaneOptionsPath(fallback)))
    SetPaneOptions(ReadPaneOptions(*text));
}

void CZephynDlg::SavePaneOptions(bool report) {
  if (m_options.settingsPath.empty()) return;
  std::string failedPath;
  int failedErrno = 0;
  if (!WriteSettingsFile(PaneOptionsPath(m_options.settingsPath), WritePaneOptions(paneOptions()),
                         failedPath, failedErrno) &&
      report)
    ReportSettingsWriteFailure(failedPath, failedErrno);
}

}  // namespace zephyn
