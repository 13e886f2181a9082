// The main window driven offscreen: its start-up state in both languages,
// the side-panel tabs, activation, and the closing order, which runs once
// whichever way the window closes.
#include <QAbstractButton>
#include <QDialog>
#include <QPlainTextEdit>
#include <QTemporaryDir>
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
#include "terminal/test_prompts.h"
#include "terminal/test_window.h"
#include "terminal/zephyn_dlg.h"

using namespace zephyn;

Q_DECLARE_METATYPE(zephyn::Language)

namespace {

// The windows' capture folder: one of this run's own, so that no capture of
// another run (a test run that was killed, say) is found at start-up.
QString DataFolder() {
  static QTemporaryDir folder;
  return folder.path();
}

std::unique_ptr<CZephynDlg> OpenWindow(Language language, StartOptions options = {}) {
  SetLanguage(language);
  options.sysfsRoot = "/nonexistent";  // the machine's own ports stay out of the tests
  if (options.dataFolder.empty()) options.dataFolder = DataFolder().toStdString();
  auto dlg = StartWindow(language, std::move(options));
  QCoreApplication::processEvents();
  return dlg;
}

QStringList Items(Controls& c, int id) {
  QStringList items;
  for (int i = 0; i < c.count(id); ++i) items << c.itemText(id, i);
  return items;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void languages_data() {
    QTest::addColumn<Language>("language");
    QTest::newRow("zh-CN") << Language::ZhCN;
    QTest::newRow("en-US") << Language::EnUS;
  }

  void startsWithNoPortAndTheClosedLook_data() { languages_data(); }
  void startsWithNoPortAndTheClosedLook() {
    QFETCH(Language, language);
    auto dlg = OpenWindow(language);
    Controls& c = dlg->controls();

    QCOMPARE(Items(c, 1007).size(), 9);
    QCOMPARE(c.curSel(1007), 5);
    QCOMPARE(c.text(1007), QStringLiteral("115200"));
    QCOMPARE(Items(c, 1011), QStringList({"10", "20", "50", "100", "200", "500", "1000", "2000"}));
    QCOMPARE(c.text(1011), QStringLiteral("200"));
    // The flow list is sorted: its entries take their collation order.
    const QStringList flow =
        language == Language::ZhCN ? QStringList{"无", "有"} : QStringList{"Have", "No"};
    QCOMPARE(Items(c, 1008), flow);
    QCOMPARE(c.curSel(1008), 0);

    // No port: only the placeholder, and the controls that need a port are off.
    QCOMPARE(Items(c, 1006), QStringList{Text(4)});
    QCOMPARE(c.curSel(1006), 0);
    for (int id : {1053, 1007, 1008, 1009})
      QVERIFY2(!c.enabled(id), qPrintable(QString::number(id)));
    // Closed port: send controls off, the side panel hidden behind its placeholder.
    for (int id : {10001, 10004, 10003}) QVERIFY(!c.enabled(id));
    QVERIFY(!c.visible(1067));
    QVERIFY(c.visible(1096));
    QVERIFY(dlg->findChild<QWidget*>(QStringLiteral("1067"))->isHidden());
    QCOMPARE(c.text(1053), Text(0));
    QCOMPARE(c.text(1000), QStringLiteral("0/0 CRC:00000000"));
    QCOMPARE(c.text(1001), QStringLiteral("0/0 CRC:00000000"));
    QVERIFY(!c.checked(1045));
    QVERIFY(dlg->threadsRunning());
    // A window of its own, which the user can minimize and maximize.
    const Qt::WindowFlags flags = dlg->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
  }

  void startsWithPortsSelectingTheFirst() {
    // Devices given by path are listed while they exist.
    StartOptions options;
    options.extraPorts = {"/dev/null", "/nonexistent/tty", "/dev/zero"};
    auto dlg = OpenWindow(Language::EnUS, options);
    Controls& c = dlg->controls();
    QCOMPARE(Items(c, 1006), QStringList({"/dev/null", "/dev/zero"}));
    QCOMPARE(c.curSel(1006), 0);
    for (int id : {1053, 1007, 1008, 1009}) QVERIFY(c.enabled(id));
    QVERIFY(!c.visible(1067));  // the port is still closed
  }

  void captionsComeFromTheTextTable_data() { languages_data(); }
  void captionsComeFromTheTextTable() {
    QFETCH(Language, language);
    auto dlg = OpenWindow(language);
    Controls& c = dlg->controls();
    QCOMPARE(c.itemText(1067, 0), Text(15));
    QCOMPARE(c.itemText(1067, 1), Text(24));
    QCOMPARE(c.itemText(1007, 0), Text(10));
    QCOMPARE(c.text(1053), Text(0));
    for (int i = 0; i < 8; ++i)
      QCOMPARE(dlg->quickSend()->controls().text(1069 + 2 * i), Text(16 + i));
    // The speed display's first pass replaces the template's text at once.
    const QString speed = QStringLiteral("0 %1/%2").arg(Text(9), Text(27));
    QTRY_COMPARE(c.text(1109), speed);
    QTRY_COMPARE(c.text(1110), speed);
    QCOMPARE(dlg->findChild<QAbstractButton*>(QStringLiteral("1053"))->text(), Text(0));
    // Spot checks that the texts are the stored ones, not look-alikes.
    if (language == Language::EnUS) {
      QCOMPARE(Text(0), QStringLiteral("○ Open"));
      QCOMPARE(speed, QStringLiteral("0 byte/s"));
    } else {
      QCOMPARE(Text(0), QStringLiteral("○ 打开串口"));
      QCOMPARE(speed, QStringLiteral("0 字节/秒"));
    }
  }

  void tabsSwitchThePages() {
    auto dlg = OpenWindow(Language::ZhCN);
    dlg->EnableSendControls(1);
    auto* tab = dlg->findChild<TabControl*>(QStringLiteral("1067"));
    QVERIFY(tab->isVisible());
    QVERIFY(dlg->quickSend()->isVisible());
    QVERIFY(!dlg->moreStrSend()->isVisible());
    QVERIFY(tab->pageRect().contains(dlg->quickSend()->geometry()));

    QTest::mouseClick(tab->tabBar(), Qt::LeftButton, {}, tab->tabBar()->tabRect(1).center());
    QCOMPARE(dlg->controls().curSel(1067), 1);
    QVERIFY(!dlg->quickSend()->isVisible());
    QVERIFY(dlg->moreStrSend()->isVisible());

    QTest::mouseClick(tab->tabBar(), Qt::LeftButton, {}, tab->tabBar()->tabRect(0).center());
    QVERIFY(dlg->quickSend()->isVisible());
    QVERIFY(!dlg->moreStrSend()->isVisible());

    dlg->EnableSendControls(0);
    QVERIFY(!tab->isVisible());
    QVERIFY(dlg->findChild<QWidget*>(QStringLiteral("1096"))->isVisible());
  }

  void activationEnablesPaneAndInput() {
    auto dlg = OpenWindow(Language::EnUS);
    Controls& c = dlg->controls();
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    QVERIFY(!c.enabled(1049));
    QVERIFY(!c.enabled(10000));
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    // Enabled even while the port is closed.
    QVERIFY(c.enabled(1049));
    QVERIFY(c.enabled(10000));
    QVERIFY(!c.enabled(10001));
    QVERIFY(dlg->findChild<QWidget*>(QStringLiteral("1049"))->isEnabled());
  }

  void returnOutsideTheInputDoesNotClose() {
    auto dlg = OpenWindow(Language::EnUS);
    QWidget* hex = dlg->findChild<QWidget*>(QStringLiteral("1047"));
    hex->setFocus();
    QTest::keyClick(hex, Qt::Key_Return);
    QTest::keyClick(dlg.get(), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->closingRuns(), 0);
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
    auto dlg = OpenWindow(Language::EnUS);
    CloseOnSignal closeOnSignal(dlg.get());
    if (way == "close") {
      QVERIFY(dlg->close());
    } else if (way == "escape") {
      QTest::keyClick(dlg.get(), Qt::Key_Escape);
    } else {
      std::raise(way == "sigterm" ? SIGTERM : SIGINT);
    }
    QTRY_VERIFY(!dlg->isVisible());
    QCOMPARE(dlg->closingRuns(), 1);
    QVERIFY(!dlg->threadsRunning());
    // A second request after the window has closed runs nothing again.
    dlg->close();
    dlg->reject();
    QCOMPARE(dlg->closingRuns(), 1);
  }

  void accessibleNamesFollowChangingTexts() {
    auto dlg = OpenWindow(Language::EnUS);
    auto name = [&](int id) {
      return dlg->findChild<QWidget*>(QString::number(id))->accessibleName();
    };
    // The speed thread may be writing the first speed meanwhile.
    QTRY_COMPARE(name(1109), QStringLiteral("TX speed: ") + dlg->controls().text(1109));
    QTRY_COMPARE(name(1000), QStringLiteral("TX counters: ") + dlg->controls().text(1000));
    struct Case {
      int id;
      QString text;
      QString prefix;  // what the label is for, before its text
    };
    const Case cases[] = {
        {1109, QStringLiteral("1234 bytes/s"), QStringLiteral("TX speed: ")},
        {1110, QStringLiteral("98 bytes/s"), QStringLiteral("RX speed: ")},
        {1000, QStringLiteral("9/1 CRC:29A3D1CD"), QStringLiteral("TX counters: ")},
        {1001, QStringLiteral("21/2 CRC:00000001"), QStringLiteral("RX counters: ")},
        {1090, QStringLiteral("42.5%"), QStringLiteral("File send percentage: ")},
        {1118, QStringLiteral("/tmp/a file"), QString()},
    };
    // Written by a worker, as the speed thread and the sender write them.
    std::thread worker([&] {
      for (const Case& c : cases) dlg->controls().setText(c.id, c.text);
    });
    worker.join();
    // The speed thread rewrites its two labels every second, so a speed may
    // already be its next one: the name follows whatever the label shows.
    auto shown = [&](int id) { return dlg->controls().text(id); };
    for (const Case& c : cases) {
      QTRY_COMPARE(name(c.id), c.prefix + shown(c.id));
      if (c.id != 1109 && c.id != 1110) QCOMPARE(shown(c.id), c.text);
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
    CZephynDlg dlg(Language::EnUS, TestOptions({}, DataFolder()));
    QTimer::singleShot(200, &dlg, [&] { dlg.close(); });
    dlg.DoModal();
    QCOMPARE(dlg.closingRuns(), 1);
    QVERIFY(!dlg.threadsRunning());
  }

 private:
  RecordingPrompts m_prompts;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(MainWindowTest)
#include "main_window_test.moc"
