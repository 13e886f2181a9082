// The timed send through the real window and the virtual module on a
// pseudo-terminal: the payload repeated byte for byte, New line and Send
// while it runs, the rate check, the refused timer, and the lost port and
// the closing window stopping it.
#include <QAbstractButton>
#include <QTest>

#include "common/text_ids.h"
#include "panels/more_str_send.h"
#include "resources/control_ids.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;

namespace {

// The controls that a running timed send keeps off.
const int kLockedWhileTiming[] = {kInterval,    kOpenClose,  kPortList, kBaudRate,
                                  kFlowControl, kChooseFile, kSendFile};

}  // namespace

class TimedSendTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    QVERIFY(NewModule());
    Start(WatchedOptions({m_module->path()}));
    OpenPort();
    // The worker's updates have reached the buttons that the tests click.
    QTRY_VERIFY(Widget(*m_dlg, kTiming)->isEnabled());
  }

  void cleanup() { TearDownWindow(); }

  void repeatsThePayloadAndFollowsNewLine() {
    c().setText(kInput, QStringLiteral("AB"));
    c().setChecked(kNewLine, true);
    c().setText(kInterval, QStringLiteral("20"));
    Click(kTiming);
    // Nothing goes out at the start: the first tick comes an interval later.
    QCOMPARE(c().text(kTxCounters), kNoTraffic);
    QVERIFY(c().checked(kTiming));
    for (int id : kLockedWhileTiming) QVERIFY2(!c().enabled(id), qPrintable(QString::number(id)));
    QVERIFY(!m_dlg->moreStrSend()->controls().enabled(StringsPageIds::kCycle));

    // Edits after the start do not change the payload.
    c().setText(kInput, QStringLiteral("XY"));
    QTRY_VERIFY(Received(*m_module).size() >= 5 * 4);
    QCOMPARE(Received(*m_module).find("XY"), std::string::npos);
    QVERIFY(Received(*m_module).starts_with("AB\r\nAB\r\nAB\r\nAB\r\nAB\r\n"));

    // Send while it runs: the input once more, the ticks undisturbed.
    Click(kSend);
    QTRY_VERIFY(Received(*m_module).find("XY\r\n") != std::string::npos);
    // New line off: the next ticks send the input box's bytes as they are
    // now, without CR LF.
    Click(kNewLine);
    QTRY_VERIFY(Received(*m_module).ends_with("XYXYXY"));
    const std::string text = Received(*m_module);
    const std::string afterSend = text.substr(text.find("XY\r\n") + 4);
    QVERIFY(afterSend.starts_with("AB\r\n") || afterSend.starts_with("XY"));

    // Off: no more ticks, and the controls come back.
    Click(kTiming);
    QVERIFY(!c().checked(kTiming));
    for (int id : kLockedWhileTiming) {
      if (id == kSendFile) continue;  // no file was chosen
      QVERIFY2(c().enabled(id), qPrintable(QString::number(id)));
    }
    QVERIFY(!c().enabled(kSendFile));
    QVERIFY(m_dlg->moreStrSend()->controls().enabled(StringsPageIds::kCycle));
  }

  void refusesWhatTheLineCannotCarry() {
    // 9600 carries 960 bytes a second: 10 bytes every 10 ms need 1000. The
    // rate check reads the rate box as it is shown.
    c().setText(kBaudRate, QStringLiteral("9600"));
    c().setText(kInterval, QStringLiteral("10"));
    c().setText(kInput, QStringLiteral("0123456789"));
    Click(kTiming);
    QCOMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(m_prompts.boxes[0].text, Text(TextId::kTooFast));
    QCOMPARE(m_prompts.boxes[0].caption, Text(TextId::kOverrunCaption));
    QVERIFY(!c().checked(kTiming));
    for (int id : {kInterval, kOpenClose, kBaudRate, kChooseFile}) QVERIFY(c().enabled(id));
    QVERIFY(m_dlg->moreStrSend()->controls().enabled(StringsPageIds::kCycle));
  }

  void refusedTimerIsSaidAndLeavesTimingOff_data() {
    QTest::addColumn<QString>("interval");
    QTest::newRow("not a number") << QStringLiteral("abc");
    QTest::newRow("zero") << QStringLiteral("0");
    QTest::newRow("negative") << QStringLiteral("-5");
    QTest::newRow("above a million") << QStringLiteral("1000001");
  }

  void refusedTimerIsSaidAndLeavesTimingOff() {
    QFETCH(QString, interval);
    c().setText(kInput, QStringLiteral("AT"));
    c().setText(kInterval, interval);
    Click(kTiming);
    QCOMPARE(m_prompts.boxes.size(), 1);
    QVERIFY2(m_prompts.boxes[0].text.contains(QStringLiteral("from 1 to 1000000")),
             qPrintable(m_prompts.boxes[0].text));
    QVERIFY(!c().checked(kTiming));
    for (int id : {kInterval, kOpenClose, kPortList, kBaudRate, kFlowControl, kChooseFile})
      QVERIFY2(c().enabled(id), qPrintable(QString::number(id)));
    QVERIFY(m_dlg->moreStrSend()->controls().enabled(StringsPageIds::kCycle));
    QCOMPARE(c().text(kTxCounters), kNoTraffic);

    // The largest interval runs.
    c().setText(kInterval, QStringLiteral("1000000"));
    Click(kTiming);
    QCOMPARE(m_prompts.boxes.size(), 1);
    QVERIFY(c().checked(kTiming));
    QVERIFY(!c().enabled(kInterval));
  }

  void lostPortStopsIt() {
    c().setText(kInput, QStringLiteral("AT"));
    c().setText(kInterval, QStringLiteral("10"));
    Click(kTiming);
    QTRY_VERIFY(Sends(c().text(kTxCounters)) >= 3);
    m_module->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(m_prompts.boxes.size() == 1, kWatchMs);
    QCOMPARE(m_prompts.boxes[0].caption, Text(TextId::kPortLostCaption));
    QVERIFY(!c().checked(kTiming));
    QVERIFY(c().enabled(kInterval));
    QTRY_VERIFY(m_dlg->connectionIdle());
    // The label follows the record at the refresh thread's pace.
    QTRY_COMPARE(qint64(Sends(c().text(kTxCounters))), qint64(m_dlg->record().Tx().count));
  }

  void closingKillsItBeforeAnythingIsReleased() {
    c().setText(kInput, QStringLiteral("AT"));
    c().setText(kInterval, QStringLiteral("1"));
    Click(kTiming);
    QTRY_VERIFY(Sends(c().text(kTxCounters)) >= 3);
    QVERIFY(m_dlg->close());
    QCOMPARE(m_dlg->closingRuns(), 1);
    m_dlg.reset();  // a tick after this would touch a destroyed window
    // What was written before the close may still be on its way to the module.
    QTRY_COMPARE(m_module->unread(), std::size_t{0});
    const std::size_t stopped = Received(*m_module).size();
    QTest::qWait(50);
    QCOMPARE(Received(*m_module).size(), stopped);
  }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(TimedSendTest)
#include "timed_send_test.moc"
