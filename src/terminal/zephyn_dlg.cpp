// Construction, the side-panel tabs, the send controls' enabling and
// activation of the main window.
#include "terminal/zephyn_dlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPlainTextEdit>

#include "dialogs/gbk_string.h"
#include "dialogs/popup_combo_box.h"
#include "dialogs/tab_control.h"
#include "panels/more_str_send.h"
#include "panels/quick_send.h"
#include "serial/com_port.h"

// The pictures are compiled into this static library; a program that links
// it must register them before a window uses them.
static void InitPictures() {
  Q_INIT_RESOURCE(resources);
}

namespace zephyn {

CZephynDlg::CZephynDlg(Language language, StartOptions options, QWidget* parent)
    : QDialog(parent),
      m_rxLog(new std::uint8_t[kBufSize]),
      m_displayBuf(new std::uint8_t[kBufSize]),
      m_saveFile(options.dataFolder.empty() ? DataFolderBase() : options.dataFolder,
                 CSaveFile::MakeTimeStamp()),
      m_language(language),
      m_options(std::move(options)),
      m_controls(this) {
  InitPictures();
  m_sendBuf.reserve(kSendBufSize);
  setObjectName(QStringLiteral("102"));
  m_hIcon = QIcon(QStringLiteral(":/images/icon138.png"));
}

CZephynDlg::~CZephynDlg() {
  // A window destroyed without being closed still stops its threads and
  // workers, and its port, before the members they use go away.
  StopThreads();
  m_workers.JoinAll();
  if (m_closingRuns == 0 && g_comPort.IsOpen()) g_comPort.Close();
}

int CZephynDlg::DoModal() {
  OnInitDialog();
  return exec();
}

void CZephynDlg::ConnectHandlers() {
  auto onClick = [this](int id, auto handler) {
    if (auto* b = qobject_cast<QAbstractButton*>(m_controls.widget(id)))
      connect(b, &QAbstractButton::clicked, this, handler);
  };
  onClick(1053, [this] { OnOpenCloseClicked(); });
  onClick(10001, [this] { OnSend(); });
  onClick(10002, [this] { OnHexSendClicked(); });
  onClick(1106, [this] { OnNewLineClicked(); });
  onClick(1009, [this] { OnSave(); });
  onClick(1010, [this] { Clear(); });
  onClick(1045, [this] { m_displayDirty = 1; });
  onClick(1047, [this] { m_displayDirty = 1; });
  // 1092, 1095 and 1123 have commands that do nothing.

  connect(qobject_cast<QPlainTextEdit*>(m_controls.widget(10000)), &QPlainTextEdit::textChanged,
          this, [this] { RebuildSendBuf(); });

  // The keyboard filter sees the keys of every control of the window, and
  // the pane's width decides how many bytes a line of the hex view holds.
  qApp->installEventFilter(this);

  // The lists' handlers answer the user's choices only, not the program's.
  auto* ports = qobject_cast<PopupComboBox*>(m_controls.widget(1006));
  connect(ports, &QComboBox::activated, this, [this] { OnPortSelChange(); });
  connect(ports, &PopupComboBox::droppedDown, this, [this] { m_portWatchEnabled = 0; });
  connect(ports, &PopupComboBox::closedUp, this, [this] { m_portWatchEnabled = 1; });
  connect(qobject_cast<QComboBox*>(m_controls.widget(1007)), &QComboBox::activated, this,
          [this] { OnBaudSelChange(); });
  connect(qobject_cast<QComboBox*>(m_controls.widget(1008)), &QComboBox::activated, this,
          [this] { OnFlowSelChange(); });

  auto* tab = qobject_cast<TabControl*>(m_controls.widget(1067));
  connect(tab->tabBar(), &QTabBar::currentChanged, this, [this] { OnTabSelChange(); });

  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) { OnActivateApp(state == Qt::ApplicationActive); });
}

void CZephynDlg::InitTabs() {
  m_controls.addItem(1067, Text(15));
  m_controls.addItem(1067, Text(24));
  auto* tab = qobject_cast<TabControl*>(m_controls.widget(1067));
  m_quickSend = new CQuickSend(m_language, tab);
  m_moreStrSend = new CMoreStrSend(m_language, tab);
  const QRect page = tab->pageRect();
  m_quickSend->setGeometry(page);
  m_moreStrSend->setGeometry(page);
  m_quickSend->show();
  m_moreStrSend->hide();
  m_controls.setCurSel(1067, 0);
  m_quickSend->InitQuickSend();
  m_moreStrSend->InitPanel();
}

void CZephynDlg::OnTabSelChange() {
  switch (m_controls.curSel(1067)) {
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
  for (int id : {10000, 10001, 10004, 10003}) m_controls.setEnabled(id, on);
  m_controls.setVisible(1067, on);
  m_controls.setVisible(1096, !on);
}

void CZephynDlg::OnActivateApp(bool active) {
  if (QWidget* echo = m_controls.widget(1045)) echo->setFocus();
  m_controls.setEnabled(1049, active);
  m_controls.setEnabled(10000, active);
}

}  // namespace zephyn
