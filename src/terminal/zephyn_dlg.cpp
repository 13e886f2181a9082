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

// The pictures are compiled into this static library; a program that links
// it must register them before a window uses them.
static void InitPictures() {
  Q_INIT_RESOURCE(resources);
}

namespace zephyn {

using namespace MainIds;

namespace {

SessionOptions OptionsOfSession(Language language, const StartOptions& start) {
  SessionOptions options;
  options.language = language;
  options.extraPorts = start.extraPorts;
  options.sysfsRoot = start.sysfsRoot;
  options.dataFolder = start.dataFolder;
  options.portWatchPeriod = start.portWatchPeriod;
  options.baudSearchWaits = start.baudSearchWaits;
  options.reopenLimit = start.reopenLimit;
  return options;
}

}  // namespace

CZephynDlg::CZephynDlg(Language language, StartOptions options, QWidget* parent)
    : QDialog(parent),
      m_language(language),
      m_options(std::move(options)),
      m_controls(this),
      m_session(*this, OptionsOfSession(language, m_options)) {
  InitPictures();
  setObjectName(QStringLiteral("102"));
  // A resizable window of its own in the task bar, with minimize and
  // maximize boxes, rather than a dialog's frame.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  m_hIcon = QIcon(QStringLiteral(":/images/icon138.png"));
}

CZephynDlg::~CZephynDlg() {
  // A window destroyed without being closed still stops its threads, its
  // save and its session before the members they use go away.
  m_save.Close();
  StopThreads();
  m_session.Shutdown();
  // The child controls go after the members, and may signal as they go (a
  // list closing its drop-down): none of that reaches the handlers here.
  qApp->removeEventFilter(this);
  QObject::disconnect(qApp, nullptr, this, nullptr);
  for (QObject* child : findChildren<QObject*>()) QObject::disconnect(child, nullptr, this, nullptr);
}

int CZephynDlg::DoModal() {
  OnInitDialog();
  return exec();
}

AdvancedSettings CZephynDlg::advancedSettings() const {
  const InstructionSequence& instructions = m_session.Instructions();
  return {instructions.Enabled(), instructions.Delay(), m_utf8View};
}

void CZephynDlg::SetAdvancedSettings(const AdvancedSettings& settings) {
  m_session.SetInstructions(settings.multiInstruction, settings.instructionDelay);
  m_utf8View = settings.utf8;
  // The pane follows the UTF-8 view at once.
  m_refresher.SetViewChoices(m_utf8View, m_paneOptions.timestamps);
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
  connect(ports, &PopupComboBox::droppedDown, this, [this] { m_session.PauseWatch(true); });
  connect(ports, &PopupComboBox::closedUp, this, [this] { m_session.PauseWatch(false); });
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
    SendBytes(Bytes(bytes, bytes + count));
    return 1;
  };
  host.hexInput = [this] { return m_controls.checked(kHexInput); };
  host.beginQuery = [this] { m_session.BeginAtQuery(); };
  host.endQuery = [this] { return m_session.EndAtQuery(); };
  m_quickSend = new CQuickSend(m_language, std::move(host), tab);
  MoreStrSendHost strings;
  strings.sendBytes = [this](Bytes bytes) { SendBytes(std::move(bytes)); };
  strings.lineEnd = [this] { return m_paneOptions.lineEnd; };
  strings.startCycle = [this](const std::vector<StoredString>& rows, std::string_view lineEnd,
                              int interval) { return m_session.StartCycle(rows, lineEnd, interval); };
  strings.stopCycle = [this] { m_session.StopCycle(); };
  strings.cycleRunning = [this] { return m_session.State().cycle; };
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

void CZephynDlg::OnActivateApp(bool active) {
  if (QWidget* echo = m_controls.widget(kEcho)) echo->setFocus();
  m_controls.setEnabled(kReceivePane, active);
  m_controls.setEnabled(kInput, active);
}

}  // namespace zephyn
