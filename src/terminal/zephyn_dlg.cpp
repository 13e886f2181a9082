// Construction, the advanced settings, the handlers, the side-panel tabs,
// the send controls' enabling and activation of the main window.
#include "terminal/zephyn_dlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPlainTextEdit>
#include <functional>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/popup_combo_box.h"
#include "dialogs/tab_control.h"
#include "panels/more_str_send.h"
#include "panels/quick_send.h"
#include "resources/control_ids.h"
#include "serial/com_port.h"

// The pictures are compiled into this static library; a program that links
// it must register them before a window uses them.
static void InitPictures() {
  Q_INIT_RESOURCE(resources);
}

namespace zephyn {

using namespace MainIds;

CZephynDlg::CZephynDlg(Language language, StartOptions options, QWidget* parent)
    : QDialog(parent),
      m_language(language),
      m_options(std::move(options)),
      m_controls(this),
      m_record(m_options.dataFolder.empty() ? DataFolderBase() : m_options.dataFolder,
               CSaveFile::MakeTimeStamp()) {
  InitPictures();
  setObjectName(QStringLiteral("102"));
  // A resizable window of its own in the task bar, with minimize and
  // maximize boxes, rather than a dialog's frame.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  m_hIcon = QIcon(QStringLiteral(":/images/icon138.png"));
}

CZephynDlg::~CZephynDlg() {
  // A window destroyed without being closed still stops its threads, timer,
  // sender and workers, and its port, before the members they use go away.
  m_save.Close();
  KillTimedSendTimer();
  if (m_moreStrSend != nullptr) m_moreStrSend->StopCycle();
  m_fileTransfer.End();
  StopThreads();
  m_connection.Shutdown();
  if (m_closingRuns == 0 && g_comPort.IsOpen()) g_comPort.Close();
}

int CZephynDlg::DoModal() {
  OnInitDialog();
  return exec();
}

AdvancedSettings CZephynDlg::advancedSettings() const {
  return {m_instructions.Enabled(), m_instructions.Delay(), m_advanceUtf8Check != 0};
}

void CZephynDlg::SetAdvancedSettings(const AdvancedSettings& settings) {
  m_instructions.SetEnabled(settings.multiInstruction);
  m_instructions.SetDelay(settings.instructionDelay);
  m_advanceUtf8Check = settings.utf8 ? 1 : 0;
  m_refresher.MarkDirty();  // the pane follows the UTF-8 view at once
}

void CZephynDlg::ConnectHandlers() {
  auto onClick = [this](int id, auto handler) {
    if (auto* b = qobject_cast<QAbstractButton*>(m_controls.widget(id)))
      connect(b, &QAbstractButton::clicked, this, handler);
  };
  onClick(kOpenClose, [this] { OnOpenCloseClicked(); });
  onClick(kSend, [this] { OnSend(); });
  onClick(kSave, [this] { OnSave(); });
  onClick(kClear, [this] { Clear(); });
  onClick(kChooseFile, [this] { OnChooseFile(); });
  onClick(kSendFile, [this] { OnSendFile(); });
  onClick(kStopSend, [this] { OnStopSend(); });
  // The Chinese window's advanced-settings button and the English window's
  // "Developer option" in its place open the same password gate.
  onClick(kAdvanced, [this] { OnAdvancedSettings(); });
  onClick(kDeveloperOption, [this] { OnAdvancedSettings(); });
  // kHiddenDefault has a command that does nothing.

  // The check boxes answer every change the user makes, by mouse, keyboard
  // or an assistive tool, and none that the program makes.
  auto onToggle = [this](int id, std::function<void(bool)> handler) {
    m_controls.onUserToggled(id, this, std::move(handler));
  };
  onToggle(kHexInput, [this](bool) { OnHexSendClicked(); });
  onToggle(kNewLine, [this](bool) { OnNewLineClicked(); });
  onToggle(kTiming, [this](bool on) { StartTimedSend(on ? 1 : 0); });
  onToggle(kEcho, [this](bool) { m_refresher.MarkDirty(); });
  onToggle(kHexView, [this](bool) { m_refresher.MarkDirty(); });
  // kReplyMode and kCts have commands that do nothing.

  connect(qobject_cast<QPlainTextEdit*>(m_controls.widget(kInput)), &QPlainTextEdit::textChanged,
          this, [this] { RebuildSendBuf(); });
  FilterHexInput();

  // The keyboard filter sees the keys of every control of the window, and
  // the pane's width decides how many bytes a line of the hex view holds.
  qApp->installEventFilter(this);

  // The lists' handlers answer the user's choices only, not the program's.
  auto* ports = qobject_cast<PopupComboBox*>(m_controls.widget(kPortList));
  connect(ports, &QComboBox::activated, this, [this] { OnPortSelChange(); });
  connect(ports, &PopupComboBox::droppedDown, this, [this] { m_portWatchEnabled = 0; });
  connect(ports, &PopupComboBox::closedUp, this, [this] { m_portWatchEnabled = 1; });
  connect(qobject_cast<QComboBox*>(m_controls.widget(kBaudRate)), &QComboBox::activated, this,
          [this] { OnBaudSelChange(); });
  connect(qobject_cast<QComboBox*>(m_controls.widget(kFlowControl)), &QComboBox::activated, this,
          [this] { OnFlowSelChange(); });

  auto* tab = qobject_cast<TabControl*>(m_controls.widget(kTabs));
  connect(tab->tabBar(), &QTabBar::currentChanged, this, [this] { OnTabSelChange(); });

  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) { OnActivateApp(state == Qt::ApplicationActive); });
}

void CZephynDlg::InitTabs() {
  m_controls.addItem(kTabs, Text(TextId::kAtPageTitle));
  m_controls.addItem(kTabs, Text(TextId::kStringsPageTitle));
  auto* tab = qobject_cast<TabControl*>(m_controls.widget(kTabs));
  QuickSendHost host;
  host.sendBytes = [this](const std::uint8_t* bytes, std::int32_t count) {
    return SendBytes(bytes, count);
  };
  host.hexInput = [this] { return m_controls.checked(kHexInput); };
  host.answer = &m_atAnswer;
  m_quickSend = new CQuickSend(m_language, std::move(host), tab);
  MoreStrSendHost strings;
  strings.sendBytes = [this](const std::uint8_t* bytes, std::int32_t count) {
    return SendBytes(bytes, count);
  };
  strings.window = &m_controls;
  strings.fileChosen = [this] { return m_fileTransfer.Loaded(); };
  m_moreStrSend = new CMoreStrSend(m_language, std::move(strings), tab);
  const QRect page = tab->pageRect();
  m_quickSend->setGeometry(page);
  m_moreStrSend->setGeometry(page);
  m_quickSend->show();
  m_moreStrSend->hide();
  m_controls.setCurSel(kTabs, 0);
  m_quickSend->InitQuickSend();
  m_moreStrSend->InitPanel();
}

void CZephynDlg::OnTabSelChange() {
  switch (m_controls.curSel(kTabs)) {
    case 0:
      m_quickSend->show();
      m_moreStrSend->hide();
      break;
    case 1:
      m_quickSend->hide();
      m_moreStrSend->show();
      break;
    case 2:
      m_quickSend->hide();
      m_moreStrSend->hide();
      break;
    default:
      break;
  }
}

void CZephynDlg::EnableSendControls(int flag) {
  const bool on = flag != 0;
  for (int id : {kInput, kSend, kChooseFile, kTiming}) m_controls.setEnabled(id, on);
  m_controls.setVisible(kTabs, on);
  m_controls.setVisible(kTabsPlaceholder, !on);
}

void CZephynDlg::OnActivateApp(bool active) {
  if (QWidget* echo = m_controls.widget(kEcho)) echo->setFocus();
  m_controls.setEnabled(kReceivePane, active);
  m_controls.setEnabled(kInput, active);
}

}  // namespace zephyn
