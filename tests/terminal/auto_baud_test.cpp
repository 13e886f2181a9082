// Automatic baud detection through the real window, with the virtual module
// on a pseudo-terminal (it answers at its own rate only): the rate found and
// opened at, no answer at all, an answer at the rate the port already had,
// a second "Auto" while one runs, and closing the window during a detection.
#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "dialogs/gbk_string.h"
#include "serial/com_port.h"
#include "sim/virtual_module.h"
#include "terminal/test_prompts.h"
#include "terminal/test_window.h"
#include "terminal/zephyn_dlg.h"

using namespace zephyn;

namespace {

// Ten steps of probe, answer wait, reopen and settle, with room to spare.
constexpr int kDetectionMs = 15000;
const QString kNoTraffic = QStringLiteral("0/0 CRC:00000000");

}  // namespace

class AutoBaudTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    SetLanguage(Language::EnUS);
    m_prompts.boxes.clear();
  }

  void cleanup() {
    m_dlg.reset();
    m_module.reset();
    if (g_comPort.IsOpen()) g_comPort.Close();
  }

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
          const bool shownOpen = c.text(1053) == Text(1);
          if (shownOpen && c.curSel(1007) != position) shownOpenEarly = true;
          if (!shownOpen && !c.enabled(10001) && g_comPort.IsOpen()) openBehindClosedLook = true;
          return m_dlg->connectionIdle();
        },
        kDetectionMs));
    QVERIFY(openBehindClosedLook);
    QVERIFY(!shownOpenEarly);

    // The lists are drawn after the worker is idle: wait for what they show.
    QTRY_COMPARE(c.text(1007), QString::number(rate));
    QTRY_COMPARE(c.curSel(1007), position);
    QTRY_COMPARE(Rates()->currentText(), QString::number(rate));
    QTRY_COMPARE(c.text(1053), Text(1));
    QVERIFY(g_comPort.IsOpen());
    QCOMPARE(m_module->terminalRate(), rate);
    QVERIFY(c.enabled(10001));
    QVERIFY(c.visible(1067));
    // One probe per rate up to the module's; the answers are not counted.
    QTRY_COMPARE(Sends(c.text(1000)), position);
    QCOMPARE(c.text(1001), kNoTraffic);
    QVERIFY(m_prompts.boxes.isEmpty());
  }

  void noAnswerLeavesTheRateEmptyAndThePortClosed() {
    // The module answers at a rate the list does not hold; the port is open
    // when the detection starts.
    StartWindow(1200);
    Controls& c = m_dlg->controls();
    Click(1053);
    QTRY_COMPARE(c.text(1053), Text(1));
    Choose(Rates(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_dlg->connectionIdle(), kDetectionMs);

    QCOMPARE(c.text(1007), QString());
    QCOMPARE(c.curSel(1007), -1);
    QCOMPARE(Rates()->currentText(), QString());
    QCOMPARE(c.text(1053), Text(0));
    QVERIFY(!g_comPort.IsOpen());
    QVERIFY(!c.enabled(10001));
    QVERIFY(!c.visible(1067));
    QTRY_COMPARE(Sends(c.text(1000)), 9);  // the rate it had, then the eight

    // An open without a rate does nothing; choosing one opens.
    Click(1053);
    QTRY_VERIFY(m_dlg->connectionIdle());
    QCOMPARE(c.text(1053), Text(0));
    QVERIFY(!g_comPort.IsOpen());
    Choose(Rates(), 2);
    QTRY_COMPARE(c.text(1053), Text(1));
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
      Click(1053);
    }
    QTRY_COMPARE(c.text(1053), Text(1));
    QCOMPARE(m_module->terminalRate(), rate);

    // The first probe goes out at that rate, and its answer is judged after
    // the first reopen: the detection ends on that rate, not on "Auto".
    Choose(Rates(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_dlg->connectionIdle(), kDetectionMs);
    // The lists are drawn after the worker is idle: wait for what they show.
    QTRY_COMPARE(c.text(1007), QString::number(rate));
    QTRY_COMPARE(c.curSel(1007), position);
    QTRY_COMPARE(Rates()->currentText(), QString::number(rate));
    QTRY_COMPARE(c.text(1053), Text(1));
    QVERIFY(g_comPort.IsOpen());
    QCOMPARE(m_module->terminalRate(), rate);
    QTRY_COMPARE(Sends(c.text(1000)), 1);
  }

  void secondAutoWhileOneRunsIsIgnored() {
    StartWindow(921600);
    Controls& c = m_dlg->controls();
    Choose(Rates(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(c.curSel(1007) >= 3, kDetectionMs);
    Choose(Rates(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_dlg->connectionIdle(), kDetectionMs);
    // One detection, one probe per rate: a second one would have sent more.
    QCOMPARE(c.text(1007), QStringLiteral("921600"));
    QCOMPARE(c.text(1053), Text(1));
    QTRY_COMPARE(Sends(c.text(1000)), 8);

    // Once it has ended, "Auto" starts a new one, which finds the rate the
    // port now has.
    Choose(Rates(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_dlg->connectionIdle(), kDetectionMs);
    QCOMPARE(c.text(1007), QStringLiteral("921600"));
    QTRY_COMPARE(Sends(c.text(1000)), 9);
  }

  void closingDuringADetectionStopsIt() {
    // Nothing answers: left alone the detection would run all ten steps, at
    // the real waits.
    StartWindow(1200, BaudSearchWaits{});
    Controls& c = m_dlg->controls();
    Choose(Rates(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(c.curSel(1007) >= 2, kDetectionMs);
    QElapsedTimer timer;
    timer.start();
    m_dlg->close();
    const qint64 closing = timer.elapsed();
    QCOMPARE(m_dlg->closingRuns(), 1);
    QVERIFY(!g_comPort.IsOpen());
    // The rest of the detection would take well over a second.
    QVERIFY2(closing < 1000, qPrintable(QString::number(closing)));
  }

 private:
  void StartWindow(std::uint32_t moduleRate, BaudSearchWaits waits = kTestBaudSearchWaits) {
    m_module = std::make_unique<VirtualModule>(moduleRate);
    QVERIFY(m_module->ok());
    StartOptions options = TestOptions({m_module->path()}, m_data.path());
    options.baudSearchWaits = waits;
    m_dlg = zephyn::StartWindow(Language::EnUS, std::move(options));
  }

  QComboBox* Rates() { return m_dlg->findChild<QComboBox*>(QStringLiteral("1007")); }

  void Click(int id) { zephyn::Click(*m_dlg, id); }

  RecordingPrompts m_prompts;
  QTemporaryDir m_data;
  std::unique_ptr<VirtualModule> m_module;
  std::unique_ptr<CZephynDlg> m_dlg;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(AutoBaudTest)
#include "auto_baud_test.moc"
