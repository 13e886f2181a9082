// The receive pane's menu and what it offers, driven through the real window
// with the virtual module: the menu in both languages and its choices kept
// across runs, the live log, reopening a port whose device returns, and the
// find bar.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <cstring>

#include "app/ui_language.h"
#include "panels/quick_send.h"
#include "support/fake_modem_calls.h"
#include "support/file_override.h"
#include "support/window_fixture.h"
#include "terminal/find_bar.h"

using namespace zephyn;

class PaneExtrasTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    QVERIFY(NewModule());
    // The port by a path of its own, as a /dev/serial/by-id link is: a module
    // plugged back in is found at the same path.
    m_link = m_data->filePath(QStringLiteral("by-id-module")).toStdString();
    PointLinkAtModule();
  }

  void cleanup() {
    TearDownWindow();
    ::unlink(m_link.c_str());
  }

  void menuOffersTheChoicesInBothLanguages_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("paneOwn");  // the pane's Copy and Select All
    QTest::newRow("English, right click")
        << Language::EnUS << false
        << QStringList{"Find...", "Timestamps", "Reopen when the device returns", "Send break",
                       "Log to file...", "Log with timestamps", "Log sent data too"}
        << QStringList{"&Copy", "Select All"};
    QTest::newRow("Chinese, menu key")
        << Language::ZhCN << true
        << QStringList{QStringLiteral("查找..."),
                       QStringLiteral("显示时间戳"),
                       QStringLiteral("设备重新接入时自动打开串口"),
                       QStringLiteral("发送中断信号"),
                       QStringLiteral("记录到文件..."),
                       QStringLiteral("记录时加时间戳"),
                       QStringLiteral("同时记录发送的数据")}
        << QStringList{QStringLiteral("复制(&C)"), QStringLiteral("全选")};
  }
  void menuOffersTheChoicesInBothLanguages() {
    QFETCH(Language, language);
    QFETCH(bool, byKey);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, paneOwn);
    Start(language);
    QMenu* menu = OpenMenu(byKey);
    QVERIFY(menu != nullptr);
    QVERIFY(!menu->accessibleName().isEmpty());
    // The toolkit's entries speak the window's language too.
    QStringList own;
    for (const char* name : {"edit-copy", "select-all"}) {
      QAction* action = menu->findChild<QAction*>(QString::fromLatin1(name));
      QVERIFY2(action != nullptr, name);
      own << action->text().section(QLatin1Char('\t'), 0, 0);
    }
    QCOMPARE(own, paneOwn);
    QStringList ours;
    for (const char* name : {"paneFind", "paneTimestamps", "paneReopen", "paneSendBreak", "paneLog",
                             "paneLogTimestamps", "paneLogSent"}) {
      QAction* action = menu->findChild<QAction*>(QString::fromLatin1(name));
      QVERIFY2(action != nullptr, name);
      ours << action->text().section(QLatin1Char('\t'), 0, 0);
    }
    QCOMPARE(ours, captions);
    // The pane's own entries stay; logging and a break wait for an open port.
    QVERIFY(menu->actions().size() > captions.size());
    QVERIFY(!menu->findChild<QAction*>(QStringLiteral("paneLog"))->isEnabled());
    QVERIFY(!menu->findChild<QAction*>(QStringLiteral("paneSendBreak"))->isEnabled());
    // A choice applies at once and closes the menu.
    Pick(menu, "paneReopen");
    QVERIFY(m_dlg->paneOptions().reopen);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
  }

  void choicesAreKeptBesideTheSettingsFile() {
    const QString settings = m_data->filePath(QStringLiteral("ZephynData.ini"));
    Start(Language::EnUS, settings);
    for (const char* name : {"paneTimestamps", "paneLogTimestamps", "paneLogSent"}) {
      Choose(name);
    }
    m_dlg->reject();
    m_dlg.reset();
    QFile pane(m_data->filePath(QStringLiteral("ZephynPane.ini")));
    QVERIFY(pane.open(QIODevice::ReadOnly));
    QCOMPARE(pane.readAll(),
             QByteArray("Timestamps=1\r\nReopen=0\r\nLogTimestamps=1\r\nLogSent=1\r\nLineEnd=CRLF\r\n"));
    // The settings file holds none of it.
    QFile main(settings);
    QVERIFY(main.open(QIODevice::ReadOnly));
    QVERIFY(!main.readAll().contains("Timestamps"));

    Start(Language::EnUS, settings);
    QCOMPARE(m_dlg->paneOptions(), (PaneOptions{true, false, true, true}));
    QMenu* menu = OpenMenu(false);
    QVERIFY(menu != nullptr);
    QVERIFY(menu->findChild<QAction*>(QStringLiteral("paneTimestamps"))->isChecked());
    QVERIFY(!menu->findChild<QAction*>(QStringLiteral("paneReopen"))->isChecked());
    QVERIFY(menu->findChild<QAction*>(QStringLiteral("paneLogSent"))->isChecked());
    // Picked again, it is off.
    Pick(menu, "paneLogSent");
    QVERIFY(!m_dlg->paneOptions().logSent);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
  }

  void liveLogTakesALongStreamByteForByte() {
    StartOpen();
    const QString path = m_data->filePath(QStringLiteral("rx.log"));
    m_prompts.chosenSaveFile = path;
    Choose("paneLog");
    QVERIFY(m_dlg->liveLogActive());
    // The chooser proposed the port's name and the time.
    QCOMPARE(m_prompts.proposedNames.size(), 1);
    static const QRegularExpression proposed(QStringLiteral(R"(^by-id-module_\d{8}_\d{6}\.log$)"));
    QVERIFY2(proposed.match(m_prompts.proposedNames[0]).hasMatch(),
             qPrintable(m_prompts.proposedNames[0]));
    constexpr std::uint64_t kTotal = 5'000'000;
    QCOMPARE(m_module->stream(kTotal, 1000, 0), kTotal);
    // In the file while the log still runs.
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(path).size(), qint64(kTotal), 30000);
    QTRY_VERIFY(m_dlg->controls().text(MainIds::kRxCounters).startsWith("5000000/"));
    QFile log(path);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray bytes = log.readAll();
    QVERIFY(bytes == CountingPattern(kTotal));
    // The menu now offers to stop.
    QMenu* menu = OpenMenu(false);
    QVERIFY(menu != nullptr);
    QCOMPARE(menu->findChild<QAction*>(QStringLiteral("paneLog"))->text(),
             QStringLiteral("Stop logging"));
    Pick(menu, "paneLog");
    QVERIFY(!m_dlg->liveLogActive());
    QVERIFY(m_prompts.boxes.isEmpty());
  }

  void sendBreakReachesTheDeviceAndItsRefusalIsTold() {
    StartOpen();
    FakeModemCalls fake;
    fake.RefuseRequest(TCSBRK, EIO);
    QMenu* menu = OpenMenu(false);
    QVERIFY(menu != nullptr);
    QVERIFY(menu->findChild<QAction*>(QStringLiteral("paneSendBreak"))->isEnabled());
    Pick(menu, "paneSendBreak");
    QTRY_COMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(fake.CallsOf(TCSBRK).size(), std::size_t(1));
    QCOMPARE(m_prompts.boxes[0].text,
             QStringLiteral("Cannot send a break: %1.").arg(QString::fromLocal8Bit(strerror(EIO))));
    QVERIFY(PortOpen());
  }

  void logTakesWhatIsSentWithTheChoiceAndEndsWithThePort() {
    StartOpen();
    PaneOptions options = m_dlg->paneOptions();
    options.logSent = true;
    m_dlg->SetPaneOptions(options);
    const QString path = m_data->filePath(QStringLiteral("a.log"));
    m_dlg->StartLiveLog(path);
    QVERIFY(m_dlg->liveLogActive());
    m_dlg->controls().setChecked(MainIds::kNewLine, true);
    m_dlg->controls().setText(MainIds::kInput, QStringLiteral("AT"));
    Click(*m_dlg, MainIds::kSend);
    QTRY_VERIFY(m_dlg->controls().text(MainIds::kRxCounters).startsWith("4/"));
    Click(*m_dlg, MainIds::kOpenClose);
    QTRY_VERIFY(!m_dlg->liveLogActive());
    QFile log(path);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray(">>AT\r\n\r\n<<OK\r\n"));
  }

  void unwritableLogIsToldOnceAndTheStreamGoesOn() {
    StartOpen();
    // A folder the user may not write to: refused at once.
    const QString folder = m_data->filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(::chmod(folder.toLocal8Bit().constData(), 0555), 0);
    if (geteuid() == 0) QVERIFY(SetFileOverride(false));
    m_dlg->StartLiveLog(folder + QStringLiteral("/rx.log"));
    // The log's own thread opens the file.
    const bool told = QTest::qWaitFor([this] { return m_prompts.boxes.size() == 1; }, 20000);
    SetFileOverride(true);
    QVERIFY(told);
    QVERIFY(!m_dlg->liveLogActive());
    QVERIFY(m_prompts.boxes[0].text.contains(folder + QStringLiteral("/rx.log")));
    QVERIFY(m_prompts.boxes[0].text.contains(QStringLiteral("Permission denied")));

    // A disk that takes only the first bytes: the first failed write stops
    // the log and is told once, however much more comes.
    const QString full = m_data->filePath(QStringLiteral("full.log"));
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    m_dlg->StartLiveLog(full);
    QCOMPARE(m_module->stream(300'000, 1000, 0), std::uint64_t(300'000));
    const bool stopped = QTest::qWaitFor([this] { return m_prompts.boxes.size() == 2; }, 20000);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(stopped);
    QVERIFY(m_prompts.boxes[1].text.contains(full));
    QVERIFY(!m_dlg->liveLogActive());
    QCOMPARE(m_module->stream(300'000, 1000, 0), std::uint64_t(300'000));
    // Nothing else was disturbed: every byte was received and counted.
    QTRY_VERIFY(m_dlg->controls().text(MainIds::kRxCounters).startsWith("600000/"));
    QVERIFY(PortOpen());
    QCOMPARE(m_prompts.boxes.size(), 2);
  }

  void portReopensWhenItsDeviceReturns() {
    StartOpen();
    m_dlg->SetPaneOptions({false, true, false});
    Unplug();
    QTRY_VERIFY_WITH_TIMEOUT(m_prompts.boxes.size() == 1, kWatchMs);
    QTRY_VERIFY(!PortOpen());
    QTRY_VERIFY(m_dlg->connectionIdle());

    // Plugged back in at the same path.
    QVERIFY(NewModule());
    PointLinkAtModule();
    QTRY_VERIFY_WITH_TIMEOUT(PortOpen(), kWatchMs);
    QTRY_COMPARE(m_dlg->controls().text(MainIds::kOpenClose), Text(TextId::kCloseCaption));
    QCOMPARE(m_dlg->controls().text(MainIds::kPortList), QString::fromStdString(m_link));
    // One box for the one drop, and the gap line.
    QCOMPARE(m_prompts.boxes.size(), 1);
    const std::vector<QString> gaps = m_dlg->paneNotes();
    QCOMPARE(gaps.size(), std::size_t(1));
    // The pane shows it on a line of its own.
    auto* pane = Widget<QPlainTextEdit>(*m_dlg, MainIds::kReceivePane);
    QTRY_VERIFY2(pane->toPlainText().split(QLatin1Char('\n')).contains(gaps[0]),
                 qPrintable(pane->toPlainText()));
  }

  void timestampsStampLinesAndDirectionChangesOnly() {
    StartOpen();
    m_dlg->SetPaneOptions({true, false, false});
    auto* pane = Widget<QPlainTextEdit>(*m_dlg, MainIds::kReceivePane);
    // A line in two blocks, then a second line.
    QVERIFY(m_module->send(Of("+NAME=Zep")));
    QTRY_VERIFY(pane->toPlainText().contains(QStringLiteral("Zep")));
    QVERIFY(m_module->send(Of("hyn\r\nOK\r\n")));
    QTRY_VERIFY(pane->toPlainText().contains(QStringLiteral("OK")));
    static const QRegularExpression stamp(QStringLiteral(R"(\d\d:\d\d:\d\d\.\d{3} )"));
    const QString stamped = QStringLiteral(R"(^%1\+NAME=Zephyn\n%1OK\n$)").arg(stamp.pattern());
    QVERIFY2(QRegularExpression(stamped).match(pane->toPlainText()).hasMatch(),
             qPrintable(pane->toPlainText()));

    // With what was sent shown too: one stamp at each change of direction.
    Click(*m_dlg, MainIds::kEcho);
    m_dlg->controls().setText(MainIds::kInput, QStringLiteral("AT"));
    Click(*m_dlg, MainIds::kSend);
    // The module answers once the request is sent (and recorded).
    QTRY_VERIFY(m_dlg->record().Tx().count > 0);
    QVERIFY(m_module->send(Of("OK\r\n")));
    const QString both = QStringLiteral(R"(^%1<<\+NAME=Zephyn\n%1OK\n\n%1>>AT(\n)?\n%1<<OK\n$)")
                             .arg(stamp.pattern());
    QTRY_VERIFY2(QRegularExpression(both).match(pane->toPlainText()).hasMatch(),
                 qPrintable(pane->toPlainText()));

    // Drawn piece by piece or rebuilt whole, the pane shows the same.
    const QString incremental = pane->toPlainText();
    Click(*m_dlg, MainIds::kHexView);
    QTRY_VERIFY(pane->toPlainText() != incremental);
    Click(*m_dlg, MainIds::kHexView);
    QTRY_COMPARE(pane->toPlainText(), incremental);

    // Display only: the saved capture is the bytes as they came.
    m_prompts.chosenFolder = m_data->path();
    Click(*m_dlg, MainIds::kSave);
    // Save runs on a worker and puts the file in place only once it is whole.
    QFile saved(m_data->filePath(QStringLiteral("RX data.bin")));
    QTRY_VERIFY(saved.exists());
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("+NAME=Zephyn\r\nOK\r\nOK\r\n"));
  }

  void findBarSearchesThePane() {
    StartOpen();
    QVERIFY(m_module->send(Of("OK\r\nAT+NAME\r\nok\r\n")));
    auto* pane = Widget<QPlainTextEdit>(*m_dlg, MainIds::kReceivePane);
    QTRY_VERIFY(pane->toPlainText().contains(QStringLiteral("ok")));
    pane->setFocus();
    // Ctrl goes up where the focus is by then: in the find bar.
    QTest::keyPress(pane, Qt::Key_F, Qt::ControlModifier);
    FindBar* bar = m_dlg->findBar();
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar->isVisible());
    // Over the bottom of the pane, inside it.
    QVERIFY(pane->rect().contains(bar->geometry()));
    QCOMPARE(bar->geometry().bottom(), pane->viewport()->geometry().bottom());
    auto* query = bar->findChild<QLineEdit*>(QStringLiteral("findText"));
    QCOMPARE(QApplication::focusWidget(), query);
    for (QWidget* w : bar->findChildren<QWidget*>())
      QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));

    QTest::keyClicks(query, QStringLiteral("ok"));
    QCOMPARE(bar->countText(), QStringLiteral("2 matches"));
    QTest::keyClick(query, Qt::Key_Return);
    QCOMPARE(bar->countText(), QStringLiteral("1 of 2"));
    QCOMPARE(pane->textCursor().selectedText(), QStringLiteral("OK"));
    QTest::keyClick(query, Qt::Key_Return);
    QCOMPARE(pane->textCursor().selectedText(), QStringLiteral("ok"));
    QTest::keyClick(query, Qt::Key_Return);  // wraps around
    QCOMPARE(bar->countText(), QStringLiteral("1 of 2"));
    QTest::keyClick(query, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(bar->countText(), QStringLiteral("2 of 2"));

    // Hex bytes.
    bar->findChild<QCheckBox*>(QStringLiteral("findHex"))->setChecked(true);
    query->clear();
    QTest::keyClicks(query, QStringLiteral("0D 0A"));
    QCOMPARE(bar->countText(), QStringLiteral("3 matches"));
    query->clear();
    QTest::keyClicks(query, QStringLiteral("41 54"));
    QCOMPARE(bar->countText(), QStringLiteral("1 matches"));
    QTest::mouseClick(bar->findChild<QAbstractButton*>(QStringLiteral("findNext")),
                      Qt::LeftButton);
    QCOMPARE(pane->textCursor().selectedText(), QStringLiteral("AT"));
    query->setText(QStringLiteral("4"));
    QCOMPARE(bar->findChild<QLabel*>(QStringLiteral("findCount"))->text(),
             QStringLiteral("Not hex bytes"));

    // Escape closes the bar, not the window.
    QTest::keyClick(query, Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QCOMPARE(m_dlg->closingRuns(), 0);
    QVERIFY(m_dlg->isVisible());
  }

 private:
  // The module goes away and its link with it, as udev removes a by-id link
  // when the adapter is pulled. A link left dangling could come to point at
  // another process's pseudo-terminal that takes the freed number.
  void Unplug() {
    m_module->unplug();
    ::unlink(m_link.c_str());
  }

  void PointLinkAtModule() {
    ::unlink(m_link.c_str());
    QCOMPARE(::symlink(m_module->path().c_str(), m_link.c_str()), 0);
  }

  void Start(Language language, const QString& settings = QString()) {
    // The toolkit's language of the run, as the program sets it before its
    // window.
    QVERIFY(LoadToolkitTranslations(language));
    StartOptions options = WatchedOptions({m_link});
    options.settingsPath = settings.toStdString();
    WindowFixture::Start(std::move(options), language);
    // The pane takes the menu and the keys while the window is active.
    m_dlg->activateWindow();
    m_dlg->controls().setEnabled(MainIds::kReceivePane, true);
  }

  void StartOpen() {
    Start(Language::EnUS);
    OpenPort();
  }

  // Opens the pane's menu by a right click or by the menu key.
  QMenu* OpenMenu(bool byKey) {
    auto* pane = Widget<QPlainTextEdit>(*m_dlg, MainIds::kReceivePane);
    // Closing a menu may leave the offscreen application inactive, which
    // disables the pane as a real deactivation does.
    m_dlg->activateWindow();
    if (!QTest::qWaitFor([pane] { return pane->isEnabled(); }, 1000))
      m_dlg->controls().setEnabled(MainIds::kReceivePane, true);
    // The window system turns the menu key into a keyboard context-menu
    // event for the focused widget; a right click into a mouse one.
    const QPoint at(10, 10);
    QContextMenuEvent event(byKey ? QContextMenuEvent::Keyboard : QContextMenuEvent::Mouse, at,
                            pane->viewport()->mapToGlobal(at));
    QApplication::sendEvent(pane->viewport(), &event);
    (void)QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 5000);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
  }

  static void Pick(QMenu* menu, const char* name) { PickMenuEntry(menu, name); }

  void Choose(const char* name) {
    QMenu* menu = OpenMenu(false);
    QVERIFY(menu != nullptr);
    Pick(menu, name);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
  }

  std::string m_link;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(PaneExtrasTest)
#include "pane_extras_test.moc"
