// The main window driven offscreen: its start-up state in both languages,
// the side-panel tabs, activation, and the closing order, which runs once
// whichever way the window closes.
#include <QAbstractButton>
#include <QDialog>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <memory>
#include <thread>

#include "app/close_on_signal.h"
#include "app/ui_language.h"
#include "app/zephyn_app.h"
#include "dialogs/gbk_string.h"
#include "dialogs/tab_control.h"
#include "panels/more_str_send.h"
#include "panels/quick_send.h"
#include "support/window_fixture.h"
#include "terminal/zephyn_dlg.h"

using namespace zephyn;
using namespace MainIds;

namespace {

QStringList Items(Controls& c, int id) {
  QStringList items;
  for (int i = 0; i < c.count(id); ++i) items << c.itemText(id, i);
  return items;
}

}  // namespace

// The windows' capture folder is the test's own, so that no capture of
// another run (a test run that was killed, say) is found at start-up.
class MainWindowTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() { SetUpWindow(); }
  void cleanup() { TearDownWindow(); }

  void languages_data() {
    QTest::addColumn<Language>("language");
    QTest::newRow("zh-CN") << Language::ZhCN;
    QTest::newRow("en-US") << Language::EnUS;
  }

  void startsWithNoPortAndTheClosedLook_data() { languages_data(); }
  void startsWithNoPortAndTheClosedLook() {
    QFETCH(Language, language);
    OpenWindow(language);
    Controls& c = m_dlg->controls();

    QCOMPARE(Items(c, kBaudRate).size(), 9);
    QCOMPARE(c.curSel(kBaudRate), 5);
    QCOMPARE(c.text(kBaudRate), QStringLiteral("115200"));
    QCOMPARE(Items(c, kInterval),
             QStringList({"10", "20", "50", "100", "200", "500", "1000", "2000"}));
    QCOMPARE(c.text(kInterval), QStringLiteral("200"));
    // The flow list is sorted: its entries take their collation order.
    const QStringList flow =
        language == Language::ZhCN ? QStringList{"无", "有"} : QStringList{"Have", "No"};
    QCOMPARE(Items(c, kFlowControl), flow);
    QCOMPARE(c.curSel(kFlowControl), 0);

    // No port: only the placeholder, and the controls that need a port are off.
    QCOMPARE(Items(c, kPortList), QStringList{Text(TextId::kNoPort)});
    QCOMPARE(c.curSel(kPortList), 0);
    for (int id : {kOpenClose, kBaudRate, kFlowControl, kSave})
      QVERIFY2(!c.enabled(id), qPrintable(QString::number(id)));
    // Closed port: send controls off, the side panel hidden behind its placeholder.
    for (int id : {kSend, kChooseFile, kTiming}) QVERIFY(!c.enabled(id));
    QVERIFY(!c.visible(kTabs));
    QVERIFY(c.visible(kTabsPlaceholder));
    QVERIFY(Widget(*m_dlg, kTabs)->isHidden());
    QCOMPARE(c.text(kOpenClose), Text(TextId::kOpenCaption));
    QCOMPARE(c.text(kTxCounters), kNoTraffic);
    QCOMPARE(c.text(kRxCounters), kNoTraffic);
    QVERIFY(!c.checked(kEcho));
    QVERIFY(m_dlg->threadsRunning());
    // A window of its own, which the user can minimize and maximize.
    const Qt::WindowFlags flags = m_dlg->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
  }

  void startsWithPortsSelectingTheFirst() {
    // Devices given by path are listed while they exist.
    StartOptions options = Options({"/dev/null", "/nonexistent/tty", "/dev/zero"});
    OpenWindow(Language::EnUS, std::move(options));
    Controls& c = m_dlg->controls();
    QCOMPARE(Items(c, kPortList), QStringList({"/dev/null", "/dev/zero"}));
    QCOMPARE(c.curSel(kPortList), 0);
    for (int id : {kOpenClose, kBaudRate, kFlowControl, kSave}) QVERIFY(c.enabled(id));
    QVERIFY(!c.visible(kTabs));  // the port is still closed
  }

  void captionsComeFromTheTextTable_data() { languages_data(); }
  void captionsComeFromTheTextTable() {
    QFETCH(Language, language);
    OpenWindow(language);
    Controls& c = m_dlg->controls();
    QCOMPARE(c.itemText(kTabs, 0), Text(TextId::kAtPageTitle));
    QCOMPARE(c.itemText(kTabs, 1), Text(TextId::kStringsPageTitle));
    QCOMPARE(c.itemText(kBaudRate, 0), Text(TextId::kAutoBaud));
    QCOMPARE(c.text(kOpenClose), Text(TextId::kOpenCaption));
    for (int i = 0; i < 8; ++i)
      QCOMPARE(m_dlg->quickSend()->controls().text(AtPageIds::kFirstButton + 2 * i),
               Text(TextId::kFirstAtButton + i));
    // The speed display's first pass replaces the template's text at once.
    const QString speed =
        QStringLiteral("0 %1/%2").arg(Text(TextId::kByteUnit), Text(TextId::kSecondUnit));
    QTRY_COMPARE(c.text(kTxSpeed), speed);
    QTRY_COMPARE(c.text(kRxSpeed), speed);
    QCOMPARE(Widget<QAbstractButton>(*m_dlg, kOpenClose)->text(), Text(TextId::kOpenCaption));
    // Spot checks that the texts are the stored ones, not look-alikes.
    if (language == Language::EnUS) {
      QCOMPARE(Text(TextId::kOpenCaption), QStringLiteral("○ Open"));
      QCOMPARE(speed, QStringLiteral("0 byte/s"));
    } else {
      QCOMPARE(Text(TextId::kOpenCaption), QStringLiteral("○ 打开串口"));
      QCOMPARE(speed, QStringLiteral("0 字节/秒"));
    }
  }

  void tabsSwitchThePages() {
    OpenWindow(Language::ZhCN);
    DrawAs(Connection::Open);
    auto* tab = Widget<TabControl>(*m_dlg, kTabs);
    QVERIFY(tab->isVisible());
    QVERIFY(m_dlg->quickSend()->isVisible());
    QVERIFY(!m_dlg->moreStrSend()->isVisible());
    QVERIFY(tab->pageRect().contains(m_dlg->quickSend()->geometry()));

    QTest::mouseClick(tab->tabBar(), Qt::LeftButton, {}, tab->tabBar()->tabRect(1).center());
    QCOMPARE(m_dlg->controls().curSel(kTabs), 1);
    QVERIFY(!m_dlg->quickSend()->isVisible());
    QVERIFY(m_dlg->moreStrSend()->isVisible());

    QTest::mouseClick(tab->tabBar(), Qt::LeftButton, {}, tab->tabBar()->tabRect(0).center());
    QVERIFY(m_dlg->quickSend()->isVisible());
    QVERIFY(!m_dlg->moreStrSend()->isVisible());

    DrawAs(Connection::Closed);
    QVERIFY(!tab->isVisible());
    QVERIFY(Widget(*m_dlg, kTabsPlaceholder)->isVisible());
  }

  void activationEnablesPaneAndInput() {
    OpenWindow(Language::EnUS);
    Controls& c = m_dlg->controls();
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    QVERIFY(!c.enabled(kReceivePane));
    QVERIFY(!c.enabled(kInput));
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    // Enabled even while the port is closed.
    QVERIFY(c.enabled(kReceivePane));
    QVERIFY(c.enabled(kInput));
    QVERIFY(!c.enabled(kSend));
    QVERIFY(Widget(*m_dlg, kReceivePane)->isEnabled());
  }

  void returnOutsideTheInputDoesNotClose() {
    OpenWindow(Language::EnUS);
    QWidget* hex = Widget(*m_dlg, kHexView);
    hex->setFocus();
    QTest::keyClick(hex, Qt::Key_Return);
    QTest::keyClick(m_dlg.get(), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(m_dlg->isVisible());
    QCOMPARE(m_dlg->closingRuns(), 0);
  }

  void closingRunsOnceWhicheverWayTheWindowCloses_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("close box / Alt+F4") << QStringLiteral("close");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("SIGTERM") << QStringLiteral("sigterm");
    QTest::newRow("SIGINT") << QStringLiteral("sigint");
  }
  void closingRunsOnceWhicheverWayTheWindowCloses() {
    QFETCH(QString, way);
    OpenWindow(Language::EnUS);
    CloseOnSignal closeOnSignal(m_dlg.get());
    if (way == "close") {
      QVERIFY(m_dlg->close());
    } else if (way == "escape") {
      QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
    } else {
      std::raise(way == "sigterm" ? SIGTERM : SIGINT);
    }
    QTRY_VERIFY(!m_dlg->isVisible());
    QCOMPARE(m_dlg->closingRuns(), 1);
    QVERIFY(!m_dlg->threadsRunning());
    // A second request after the window has closed runs nothing again.
    m_dlg->close();
    m_dlg->reject();
    QCOMPARE(m_dlg->closingRuns(), 1);
  }

  void accessibleNamesFollowChangingTexts() {
    OpenWindow(Language::EnUS);
    auto name = [&](int id) { return Widget(*m_dlg, id)->accessibleName(); };
    // The speed thread may be writing the first speed meanwhile.
    QTRY_COMPARE(name(kTxSpeed), QStringLiteral("TX speed: ") + m_dlg->controls().text(kTxSpeed));
    QTRY_COMPARE(name(kTxCounters),
                 QStringLiteral("TX counters: ") + m_dlg->controls().text(kTxCounters));
    struct Case {
      int id;
      QString text;
      QString prefix;  // what the label is for, before its text
    };
    const Case cases[] = {
        {kTxSpeed, QStringLiteral("1234 bytes/s"), QStringLiteral("TX speed: ")},
        {kRxSpeed, QStringLiteral("98 bytes/s"), QStringLiteral("RX speed: ")},
        {kTxCounters, QStringLiteral("9/1 CRC:29A3D1CD"), QStringLiteral("TX counters: ")},
        {kRxCounters, QStringLiteral("21/2 CRC:00000001"), QStringLiteral("RX counters: ")},
        {kPercent, QStringLiteral("42.5%"), QStringLiteral("File send percentage: ")},
        {kFileLabel, QStringLiteral("/tmp/a file"), QString()},
    };
    // Written by a worker, as the speed thread and the sender write them.
    std::thread worker([&] {
      for (const Case& c : cases) m_dlg->controls().setText(c.id, c.text);
    });
    worker.join();
    // The speed thread rewrites its two labels every second, so a speed may
    // already be its next one: the name follows whatever the label shows.
    auto shown = [&](int id) { return m_dlg->controls().text(id); };
    for (const Case& c : cases) {
      QTRY_COMPARE(name(c.id), c.prefix + shown(c.id));
      if (c.id != kTxSpeed && c.id != kRxSpeed) QCOMPARE(shown(c.id), c.text);
    }
  }

  void missingPortPathIsReported() {
    SetLanguage(Language::EnUS);
    const QStringList lines =
        CZephynApp::MissingPortMessages({"/dev/null", "/dev/zephyn-no-such-port"});
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines[0], QStringLiteral("--port /dev/zephyn-no-such-port: no such device; it is "
                                      "listed once it exists."));
  }

  void languageFollowsTheFirstInterfaceLanguage() {
    const struct {
      QStringList ui;
      Language expected;
    } cases[] = {
        {{"zh-CN", "en-US"}, Language::ZhCN},
        {{"zh-Hans-CN"}, Language::ZhCN},
        {{"zh"}, Language::ZhCN},
        {{"zh-SG"}, Language::ZhCN},
        {{"zh-TW"}, Language::EnUS},
        {{"zh-Hant-HK"}, Language::EnUS},
        {{"en-US", "zh-CN"}, Language::EnUS},
        {{"de-DE"}, Language::EnUS},
        {{}, Language::EnUS},
    };
    for (const auto& c : cases) QCOMPARE(LanguageFor(c.ui), c.expected);
  }

  void modalRunEndsWhenTheWindowCloses() {
    SetLanguage(Language::EnUS);
    CZephynDlg dlg(Language::EnUS, Options({}));
    QTimer::singleShot(200, &dlg, [&] { dlg.close(); });
    dlg.DoModal();
    QCOMPARE(dlg.closingRuns(), 1);
    QVERIFY(!dlg.threadsRunning());
  }

 private:
  void OpenWindow(Language language, StartOptions options) {
    Start(std::move(options), language);
    QCoreApplication::processEvents();
  }
  void OpenWindow(Language language) { OpenWindow(language, Options({})); }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(MainWindowTest)
#include "main_window_test.moc"
