// Automatic baud detection through the real window, with the virtual module
// on a pseudo-terminal (it answers at its own rate only): the rate found and
// opened at, no answer at all, an answer at the rate the port already had,
// a second "Auto" while one runs, and closing the window during a detection.
#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTest>

#include "dialogs/gbk_string.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;

namespace {

// Ten steps of probe, answer wait, reopen and settle, with room to spare.
constexpr int kDetectionMs = 15000;

}  // namespace

class AutoBaudTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() { SetUpWindow(); }
  void cleanup() { TearDownWindow(); }

  void findsTheModuleRate_data() {
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<int>("position");
    QTest::newRow("9600, the first rate") << 9600u << 1;
    QTest::newRow("57600, a middle rate") << 57600u << 4;
    QTest::newRow("921600, judged at the last step") << 921600u << 8;
  }
  void findsTheModuleRate() {
    QFETCH(quint32, rate);
    QFETCH(int, position);
    StartWindow(rate);
    Controls& c = m_dlg->controls();

    // The port is closed when the detection starts. The detection opens it
    // at rate after rate, but the window keeps the closed look until the
    // rate is found and opened at.
    Choose(Rates(), 0);
    bool openBehindClosedLook = false;
    bool shownOpenEarly = false;
    QVERIFY(QTest::qWaitFor(
        [&] {
          const bool shownOpen = c.text(kOpenClose) == Text(TextId::kCloseCaption);
          if (shownOpen && c.curSel(kBaudRate) != position) shownOpenEarly = true;
          if (!shownOpen && !c.enabled(kSend) && PortOpen()) openBehindClosedLook = true;
          return m_dlg->connectionIdle();
        },
        kDetectionMs));
    QVERIFY(openBehindClosedLook);
    QVERIFY(!shownOpenEarly);

    // The lists are drawn after the worker is idle: wait for what they show.
    QTRY_COMPARE(c.text(kBaudRate), QString::number(rate));
    QTRY_COMPARE(c.curSel(kBaudRate), position);
    QTRY_COMPARE(Rates()->currentText(), QString::number(rate));
    QTRY_COMPARE(c.text(kOpenClose), Text(TextId::kCloseCaption));
    QVERIFY(PortOpen());
    QCOMPARE(m_module->terminalRate(), rate);
    QVERIFY(c.enabled(kSend));
    QVERIFY(c.visible(kTabs));
    // One probe per rate up to the module's; the answers are not counted.
    QTRY_COMPARE(Sends(c.text(kTxCounters)), position);
    QCOMPARE(c.text(kRxCounters), kNoTraffic);
    QVERIFY(m_prompts.boxes.isEmpty());
  }

  void noAnswerLeavesTheRateEmptyAndThePortClosed() {
    // The module answers at a rate the list does not hold; the port is open
    // when the detection starts.
    StartWindow(1200);
    Controls& c = m_dlg->controls();
    Click(kOpenClose);
    QTRY_COMPARE(c.text(kOpenClose), Text(TextId::kCloseCaption));
    Choose(Rates(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_dlg->connectionIdle(), kDetectionMs);

    QCOMPARE(c.text(kBaudRate), QString());
    QCOMPARE(c.curSel(kBaudRate), -1);
    QCOMPARE(Rates()->currentText(), QString());
    QCOMPARE(c.text(kOpenClose), Text(TextId::kOpenCaption));
    QVERIFY(!PortOpen());
    QVERIFY(!c.enabled(kSend));
    QVERIFY(!c.visible(kTabs));
    QTRY_COMPARE(Sends(c.text(kTxCounters)), 9);  // the rate it had, then the eight

    // An open without a rate does nothing; choosing one opens.
    Click(kOpenClose);
    QTRY_VERIFY(m_dlg->connectionIdle());
    QCOMPARE(c.text(kOpenClose), Text(TextId::kOpenCaption));
    QVERIFY(!PortOpen());
    Choose(Rates(), 2);
    QTRY_COMPARE(c.text(kOpenClose), Text(TextId::kCloseCaption));
    QCOMPARE(m_module->terminalRate(), 19200u);
  }

  void answerAtTheRateThePortHadKeepsIt_data() {
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<int>("position");  // -1: typed into the box
    QTest::newRow("57600 from the list") << 57600u << 4;
    QTest::newRow("250000 typed") << 250000u << -1;
  }
  void answerAtTheRateThePortHadKeepsIt() {
    QFETCH(quint32, rate);
    QFETCH(int, position);
    StartWindow(rate);
    Controls& c = m_dlg->controls();
    if (position > 0) {
      Choose(Rates(), position);
    } else {
      Rates()->setEditText(QString::number(rate));
      Click(kOpenClose);
    }
    QTRY_COMPARE(c.text(kOpenClose), Text(TextId::kCloseCaption));
    QCOMPARE(m_module->terminalRate(), rate);

    // The first probe goes out at that rate, and its answer is judged after
    // the first reopen: the detection ends on that rate, not on "Auto".
    Choose(Rates(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_dlg->connectionIdle(), kDetectionMs);
    // The lists are drawn after the worker is idle: wait for what they show.
    QTRY_COMPARE(c.text(kBaudRate), QString::number(rate));
    QTRY_COMPARE(c.curSel(kBaudRate), position);
    QTRY_COMPARE(Rates()->currentText(), QString::number(rate));
    QTRY_COMPARE(c.text(kOpenClose), Text(TextId::kCloseCaption));
    QVERIFY(PortOpen());
    QCOMPARE(m_module->terminalRate(), rate);
    QTRY_COMPARE(Sends(c.text(kTxCounters)), 1);
  }

  void secondAutoWhileOneRunsIsIgnored() {
    StartWindow(921600);
    Controls& c = m_dlg->controls();
    Choose(Rates(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(c.curSel(kBaudRate) >= 3, kDetectionMs);
    Choose(Rates(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_dlg->connectionIdle(), kDetectionMs);
    // One detection, one probe per rate: a second one would have sent more.
    QCOMPARE(c.text(kBaudRate), QStringLiteral("921600"));
    QCOMPARE(c.text(kOpenClose), Text(TextId::kCloseCaption));
    QTRY_COMPARE(Sends(c.text(kTxCounters)), 8);
  }

  void closingDuringADetectionStopsIt() {
    // Nothing answers: left alone the detection would run all ten steps, at
    // the real waits.
    StartWindow(1200, BaudSearchWaits{});
    Controls& c = m_dlg->controls();
    Choose(Rates(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(c.curSel(kBaudRate) >= 2, kDetectionMs);
    QElapsedTimer timer;
    timer.start();
    m_dlg->close();
    const qint64 closing = timer.elapsed();
    QCOMPARE(m_dlg->closingRuns(), 1);
    QVERIFY(!PortOpen());
    // The rest of the detection would take well over a second.
    QVERIFY2(closing < 1000, qPrintable(QString::number(closing)));
  }

 private:
  void StartWindow(std::uint32_t moduleRate, BaudSearchWaits waits = kTestBaudSearchWaits) {
    QVERIFY(NewModule(moduleRate));
    StartOptions options = ModuleOptions();
    options.baudSearchWaits = waits;
    Start(std::move(options));
  }

  QComboBox* Rates() { return Widget<QComboBox>(*m_dlg, kBaudRate); }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(AutoBaudTest)
#include "auto_baud_test.moc"
