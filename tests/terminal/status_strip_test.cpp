// The status strip: what it says for every connection state in both
// languages, how its marks show the modem lines and which of them it
// offers, DTR and RTS asking for their line by click, key and an assistive
// tool's press (and not when they are not offered), and the window's strip
// over a port on the virtual module.
#include "terminal/status_strip.h"

#include <QAccessible>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "common/text_ids.h"
#include "support/window_fixture.h"
#include "terminal/status_strip_text.h"

using namespace zephyn;
using namespace MainIds;

namespace {

SessionState StateOf(Connection connection,
                     const std::function<void(SessionState&)>& more = nullptr) {
  SessionState state;
  state.connection = connection;
  state.port = "/dev/ttyUSB0";
  state.rate = "115200";
  if (more) more(state);
  return state;
}

// The open port's lines as read: DTR and CTS on, the rest off.
SessionState OpenWithLines(const std::function<void(SessionState&)>& more = nullptr) {
  return StateOf(Connection::Open, [&](SessionState& s) {
    s.lines.read = true;
    s.lines.on = {true, false, true, false, false, false};
    if (more) more(s);
  });
}

// The marks in one string, DTR first: '?' unknown, '0' off, '1' on, 'x'
// unavailable; and which are offered ('o') or not ('-').
std::pair<std::string, std::string> Marks(const StripTexts& texts) {
  std::string looks, offered;
  for (const StripMark& mark : texts.marks) {
    looks += "?01x"[int(mark.look)];
    offered += mark.offered ? 'o' : '-';
  }
  return {looks, offered};
}

template <typename T>
T* Part(QWidget& strip, int id) {
  return strip.findChild<T*>(QString::number(id));
}

// What a screen reader does with a control's press action.
void Press(QWidget* widget) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
  QVERIFY(a != nullptr && a->actionInterface() != nullptr);
  a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

}  // namespace

class StatusStripTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void cleanup() { TearDownWindow(); }

  void saysThePortAndTheLineForEveryConnectionStateInBothLanguages() {
    const struct {
      const char* name;
      SessionState state;
      const char* portZh;
      const char* portEn;
      const char* lineZh;
      const char* lineEn;
    } cases[] = {
        {"no port", SessionState{}, "串口：已关闭", "Port: closed", "—", "—"},
        {"closed", StateOf(Connection::Closed), "/dev/ttyUSB0：已关闭", "/dev/ttyUSB0: closed", "—",
         "—"},
        {"opening", StateOf(Connection::Opening), "/dev/ttyUSB0：正在打开", "/dev/ttyUSB0: opening",
         "115200 8N1，无流控", "115200 8N1, no flow control"},
        {"open, CTS flow", StateOf(Connection::Open, [](SessionState& s) { s.flow = 1; }),
         "/dev/ttyUSB0：已打开", "/dev/ttyUSB0: open", "115200 8N1，CTS 流控",
         "115200 8N1, CTS flow control"},
        {"detecting", StateOf(Connection::Detecting, [](SessionState& s) { s.rate = "9600"; }),
         "/dev/ttyUSB0：正在检测波特率", "/dev/ttyUSB0: detecting the rate", "9600 8N1，无流控",
         "9600 8N1, no flow control"},
        {"detecting, no rate yet",
         StateOf(Connection::Detecting, [](SessionState& s) { s.rate.clear(); }),
         "/dev/ttyUSB0：正在检测波特率", "/dev/ttyUSB0: detecting the rate", "—", "—"},
        {"closing", StateOf(Connection::Closing), "/dev/ttyUSB0：正在关闭", "/dev/ttyUSB0: closing",
         "—", "—"},
        {"lost", StateOf(Connection::Lost), "/dev/ttyUSB0：已断开", "/dev/ttyUSB0: lost", "—", "—"},
        {"reopening", StateOf(Connection::Lost, [](SessionState& s) { s.reopenPending = true; }),
         "/dev/ttyUSB0：已断开，接入后重新打开", "/dev/ttyUSB0: lost, reopens when it returns", "—",
         "—"},
    };
    for (const auto& c : cases) {
      const StripTexts zh = StripTextsOf(c.state, Language::ZhCN);
      const StripTexts en = StripTextsOf(c.state, Language::EnUS);
      QVERIFY2(zh.port == c.portZh && en.port == c.portEn, c.name);
      QVERIFY2(zh.line == c.lineZh && en.line == c.lineEn, c.name);
      QVERIFY2(en.lineName == std::string("Line settings: ") + c.lineEn, c.name);
      QVERIFY2(zh.lineName == std::string("线路设置：") + c.lineZh, c.name);
      QVERIFY2(zh.log.empty() && en.log.empty(), c.name);
    }

    const SessionState logging = StateOf(Connection::Open, [](SessionState& s) {
      s.liveLog = true;
      s.liveLogPath = "/home/u/a.log";
    });
    QCOMPARE(StripTextsOf(logging, Language::EnUS).log, std::string("Logging to /home/u/a.log"));
    QCOMPARE(StripTextsOf(logging, Language::ZhCN).log, std::string("正在记录到 /home/u/a.log"));

    const struct {
      std::uint64_t bytes;
      const char* zh;
      const char* en;
    } sizes[] = {
        {0, "接收记录：0 字节", "Capture: 0 bytes"},
        {1023, "接收记录：1023 字节", "Capture: 1023 bytes"},
        {1536, "接收记录：1.5 KiB", "Capture: 1.5 KiB"},
        {5 * 1024 * 1024 + 1, "接收记录：5.0 MiB", "Capture: 5.0 MiB"},
        {3ull << 30, "接收记录：3.0 GiB", "Capture: 3.0 GiB"},
    };
    for (const auto& s : sizes) {
      QCOMPARE(CaptureText(s.bytes, Language::ZhCN), std::string(s.zh));
      QCOMPARE(CaptureText(s.bytes, Language::EnUS), std::string(s.en));
    }
  }

  void marksShowTheLinesAndOfferOnlyWhatCanBeSwitched() {
    const std::string refusedWhy = std::strerror(ENOTTY);
    const struct {
      const char* name;
      SessionState state;
      const char* looks;
      const char* offered;
      const char* rtsTip;
    } cases[] = {
        {"closed", StateOf(Connection::Closed), "??????", "------", ""},
        {"open, not read yet", StateOf(Connection::Open), "??????", "------", ""},
        {"open", OpenWithLines(), "101000", "oo----", "Click or press Space to switch RTS"},
        {"open, CTS flow", OpenWithLines([](SessionState& s) { s.flow = 1; }), "101000", "o-----",
         "RTS belongs to the CTS flow control"},
        {"every line refused",
         StateOf(Connection::Open, [](SessionState& s) { s.lines.refused.fill(ENOTTY); }), "xxxxxx",
         "------", refusedWhy.c_str()},
        {"DTR refused when set", OpenWithLines([](SessionState& s) { s.lines.refused[0] = EIO; }),
         "x01000", "-o----", "Click or press Space to switch RTS"},
        // Lines are the open port's only: a lost port's last ones are not shown.
        {"lost", StateOf(Connection::Lost, [](SessionState& s) { s.lines.refused.fill(EIO); }),
         "??????", "------", ""},
    };
    for (const auto& c : cases) {
      const StripTexts texts = StripTextsOf(c.state, Language::EnUS);
      const auto [looks, offered] = Marks(texts);
      QVERIFY2(looks == c.looks, qPrintable(QStringLiteral("%1: %2").arg(c.name, looks.c_str())));
      QVERIFY2(offered == c.offered,
               qPrintable(QStringLiteral("%1: %2").arg(c.name, offered.c_str())));
      QVERIFY2(texts.marks[1].tip == c.rtsTip, c.name);
    }
    // Each mark's name says its line and what it is, in the window's language.
    const StripTexts refused = StripTextsOf(cases[4].state, Language::EnUS);
    QCOMPARE(refused.marks[5].name, std::string("RI: unavailable"));
    QCOMPARE(refused.marks[5].tip, refusedWhy);
    const StripTexts zh = StripTextsOf(OpenWithLines(), Language::ZhCN);
    QCOMPARE(zh.marks[0].name, std::string("DTR：开"));
    QCOMPARE(zh.marks[1].name, std::string("RTS：关"));
    QCOMPARE(StripTextsOf(SessionState{}, Language::ZhCN).marks[3].name, std::string("DSR：未知"));
  }

  void dtrAndRtsAskForTheOtherLevelByClickKeyAndPress() {
    std::vector<std::pair<ModemLine, bool>> asked;
    QWidget window;
    auto* strip = new StatusStrip(
        Language::EnUS, [&](ModemLine line, bool on) { asked.emplace_back(line, on); }, &window);
    window.resize(800, 40);
    strip->setGeometry(0, 0, 800, 40);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* dtr = Part<QToolButton>(*strip, kStripFirstMark + int(ModemLine::Dtr));
    auto* rts = Part<QToolButton>(*strip, kStripFirstMark + int(ModemLine::Rts));
    QVERIFY(dtr != nullptr && rts != nullptr);

    strip->Draw(StripTextsOf(OpenWithLines(), Language::EnUS));
    QCOMPARE(dtr->accessibleName(), QStringLiteral("DTR: on"));
    QTest::mouseClick(dtr, Qt::LeftButton);
    // Tab reaches RTS from DTR, and Space switches it.
    dtr->setFocus();
    QTest::keyClick(dtr, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), rts);
    QTest::keyClick(rts, Qt::Key_Space);
    Press(dtr);
    const std::vector<std::pair<ModemLine, bool>> expected = {
        {ModemLine::Dtr, false}, {ModemLine::Rts, true}, {ModemLine::Dtr, false}};
    QVERIFY(asked == expected);

    // Not offered: refused lines, and RTS under CTS flow control; nothing asks.
    asked.clear();
    strip->Draw(StripTextsOf(
        StateOf(Connection::Open, [](SessionState& s) { s.lines.refused.fill(ENOTTY); }),
        Language::EnUS));
    QVERIFY(!dtr->isEnabled() && !rts->isEnabled());
    QCOMPARE(dtr->toolTip(), QString::fromLocal8Bit(std::strerror(ENOTTY)));
    QCOMPARE(dtr->accessibleDescription(), dtr->toolTip());
    QTest::mouseClick(dtr, Qt::LeftButton);
    Press(rts);
    strip->Draw(StripTextsOf(OpenWithLines([](SessionState& s) { s.flow = 1; }), Language::EnUS));
    QVERIFY(dtr->isEnabled() && !rts->isEnabled());
    QTest::mouseClick(rts, Qt::LeftButton);
    QVERIFY(asked.empty());
  }

  void theWindowsStripFollowsThePortTheLogAndTheCapture() {
    SetUpWindow();
    QVERIFY(NewModule());
    Start(ModuleOptions());
    QWidget& strip = *m_dlg->findChild<QWidget*>(QString::number(kStatusStrip));
    auto* port = Part<QLabel>(strip, kStripPort);
    auto* line = Part<QLabel>(strip, kStripLine);
    auto* log = Part<QLabel>(strip, kStripLog);
    auto* capture = Part<QLabel>(strip, kStripCapture);
    auto* dtr = Part<QToolButton>(strip, kStripFirstMark);
    const QString path = QString::fromStdString(m_module->path());
    QTRY_COMPARE(port->text(), QStringLiteral("Port: closed"));
    QCOMPARE(line->accessibleName(), QStringLiteral("Line settings: —"));
    QVERIFY(!dtr->isEnabled());

    OpenPort();
    QTRY_COMPARE(port->text(), path + QStringLiteral(": open"));
    QCOMPARE(port->accessibleName(), port->text());
    QCOMPARE(line->text(), QStringLiteral("115200 8N1, no flow control"));
    // A pseudo-terminal has no modem lines: each mark says so, with the
    // system's reason, and none is offered.
    const QString reason = QString::fromLocal8Bit(strerror(ENOTTY));
    for (int i = 0; i < kModemLineCount; ++i) {
      auto* mark = Part<QWidget>(strip, kStripFirstMark + i);
      QVERIFY(mark != nullptr);
      QTRY_VERIFY2(mark->toolTip().contains(reason), qPrintable(mark->toolTip()));
      if (i <= int(ModemLine::Rts)) QVERIFY(!mark->isEnabled());
    }

    const QString logPath = m_data->filePath(QStringLiteral("strip.log"));
    m_dlg->StartLiveLog(logPath);
    QTRY_VERIFY(log->isVisible());
    QCOMPARE(log->text(), QStringLiteral("Logging to ") + logPath);

    // The capture's size follows what came, at the refresh pace.
    QVERIFY(m_module->send(Of("0123456789")));
    QTRY_COMPARE(capture->text(), QStringLiteral("Capture: 10 bytes"));
    QCOMPARE(capture->accessibleName(), capture->text());

    Click(kOpenClose);
    QTRY_COMPARE(port->text(), path + QStringLiteral(": closed"));
    QCOMPARE(line->text(), QStringLiteral("—"));
    QVERIFY(!log->isVisible());
  }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(StatusStripTest)
#include "status_strip_test.moc"
