// The window operated as an assistive tool operates it: every check box runs
// its handling once whether it is toggled, pressed or clicked, and none when
// the program changes it; the hex input box keeps only hexadecimal digits and
// blanks whatever sets its text. All through the real window and the virtual
// module on a pseudo-terminal.
#include <QAccessible>
#include <QPlainTextEdit>
#include <QTest>
#include <functional>
#include <thread>

#include "panels/more_str_send.h"
#include "resources/control_ids.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;

namespace {

// What a screen reader does with a control's action.
void DoAction(QWidget* widget, const QString& action) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
  QVERIFY(a != nullptr && a->actionInterface() != nullptr);
  a->actionInterface()->doAction(action);
}

std::string Payload(const CZephynDlg& dlg) {
  const auto payload = dlg.TimedSendPayload();
  return payload ? std::string(payload->begin(), payload->end()) : std::string("(none)");
}

}  // namespace

class AccessibleControlsTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    QVERIFY(NewModule());
    Start(ModuleOptions());
    OpenPort();
    QTRY_VERIFY(c().widget(kTiming)->isEnabled());
  }

  void cleanup() { TearDownWindow(); }

  void timingSendsWhileOnAndStopsWhenOff() {
    c().setText(kInput, QStringLiteral("AB"));
    c().setText(kInterval, QStringLiteral("20"));
    QWidget* timing = c().widget(kTiming);
    DoAction(timing, QAccessibleActionInterface::toggleAction());
    WaitUntilDrawn();
    QVERIFY(c().checked(kTiming));
    QVERIFY(!c().enabled(kInterval));
    QTRY_VERIFY(Received(*m_module).size() >= 3 * 2);
    QVERIFY(Received(*m_module).starts_with("ABABAB"));

    DoAction(timing, QAccessibleActionInterface::toggleAction());
    WaitUntilDrawn();
    QVERIFY(!c().checked(kTiming));
    QVERIFY(c().enabled(kInterval));
  }

  void everyCheckBoxRunsItsHandlingOnce_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("toggle") << QAccessibleActionInterface::toggleAction();
    QTest::newRow("press") << QAccessibleActionInterface::pressAction();
  }
  void everyCheckBoxRunsItsHandlingOnce() {
    QFETCH(QString, action);
    // Something sent, then something received, drawn: the pane shows the
    // received bytes alone.
    c().setText(kInput, QStringLiteral("XY"));
    Click(kSend);
    QTRY_COMPARE(Received(*m_module), std::string("XY"));
    QVERIFY(m_module->send({'A', 'B'}));
    QTRY_COMPARE(c().text(kReceivePane), QStringLiteral("AB"));
    c().setText(kInput, QStringLiteral("AB"));
    p().setText(StringsPageIds::kFirstText, QStringLiteral("AB"));

    auto paneHex = [&] { return c().text(kReceivePane).remove(QLatin1Char('\n')); };
    struct Box {
      const char* name;
      Controls* controls;
      int id;
      std::function<bool()> on;   // what the handling shows once ticked
      std::function<bool()> off;  // and once unticked again
    };
    // Ticked in this order and unticked in the reverse one. A handling run
    // twice shows too: a row converted twice reads "34 31 20 ...".
    const Box boxes[] = {
        {"RX&TX", &c(), kEcho,
         [&] { return c().text(kReceivePane).startsWith(QStringLiteral(">>XY")); },
         [&] { return c().text(kReceivePane) == QStringLiteral("AB"); }},
        {"pane Hex", &c(), kHexView,
         [&] { return paneHex().startsWith(QStringLiteral("3E 3E 58 59 ")); },
         [&] { return c().text(kReceivePane).startsWith(QStringLiteral(">>XY")); }},
        {"input Hex", &c(), kHexInput, [&] { return c().text(kInput) == QStringLiteral("41 42 "); },
         [&] { return c().text(kInput) == QStringLiteral("AB"); }},
        {"New line", &c(), kNewLine, [&] { return Payload(*m_dlg) == "AB\r\n"; },
         [&] { return Payload(*m_dlg) == "AB"; }},
        {"row Hex", &p(), StringsPageIds::kFirstHex,
         [&] { return p().text(StringsPageIds::kFirstText) == QStringLiteral("41 42 "); },
         [&] { return p().text(StringsPageIds::kFirstText) == QStringLiteral("AB"); }},
        {"cycle", &p(), StringsPageIds::kCycle,
         [&] { return m_dlg->moreStrSend()->CycleRunning() && Received(*m_module).size() > 2; },
         [&] { return !m_dlg->moreStrSend()->CycleRunning(); }},
    };
    for (const Box& box : boxes) {
      DoAction(box.controls->widget(box.id), action);
      QTRY_VERIFY2(box.controls->checked(box.id), box.name);
      QTRY_VERIFY2(box.on(), box.name);
    }
    for (auto box = std::rbegin(boxes); box != std::rend(boxes); ++box) {
      DoAction(box->controls->widget(box->id), action);
      QTRY_VERIFY2(!box->controls->checked(box->id), box->name);
      QTRY_VERIFY2(box->off(), box->name);
    }
  }

  void theProgramsOwnChangesRunNoHandling() {
    c().setText(kInput, QStringLiteral("AB"));
    p().setText(StringsPageIds::kFirstText, QStringLiteral("AB"));
    // From the window's thread and from a worker alike.
    c().setChecked(kHexInput, true);
    c().setChecked(kTiming, true);
    std::thread([&] {
      c().setChecked(kNewLine, true);
      p().setChecked(StringsPageIds::kFirstHex, true);
      p().setChecked(StringsPageIds::kCycle, true);
    }).join();
    auto* cycle = qobject_cast<QAbstractButton*>(p().widget(StringsPageIds::kCycle));
    QTRY_VERIFY(cycle->isChecked());
    QCOMPARE(c().text(kInput), QStringLiteral("AB"));
    QCOMPARE(p().text(StringsPageIds::kFirstText), QStringLiteral("AB"));
    QVERIFY(c().enabled(kInterval));  // no timed send locked it
    QCOMPARE(Payload(*m_dlg), std::string("(none)"));
    QVERIFY(!m_dlg->moreStrSend()->CycleRunning());
  }

  void hexInputKeepsHexWhateverAnAssistiveToolWrites() {
    Click(kHexInput);  // Hex on, the box empty
    QWidget* input = c().widget(kInput);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(input);
    QVERIFY(a != nullptr && a->editableTextInterface() != nullptr);
    const QString written = QStringLiteral("0x12 zz GG 7");
    struct Way {
      const char* name;
      std::function<void()> write;  // on a box that holds "34"
      QString kept;
      std::string sent;
    };
    const Way ways[] = {
        {"insert", [&] { a->editableTextInterface()->insertText(2, written); },
         QStringLiteral("34012   7"), std::string("\x34\x01\x27")},
        {"replace", [&] { a->editableTextInterface()->replaceText(0, 2, written); },
         QStringLiteral("012   7"), std::string("\x01\x27")},
        {"value", [&] { a->setText(QAccessible::Value, written); }, QStringLiteral("012   7"),
         std::string("\x01\x27")},
    };
    std::string sent;
    for (const Way& way : ways) {
      c().setText(kInput, QStringLiteral("34"));
      way.write();
      QCOMPARE(qobject_cast<QPlainTextEdit*>(input)->toPlainText(), way.kept);
      QCOMPARE(c().text(kInput), way.kept);
      Click(kSend);
      sent += way.sent;
      QTRY_VERIFY2(Received(*m_module) == sent, way.name);
    }
  }

 private:
  Controls& p() { return m_dlg->moreStrSend()->controls(); }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(AccessibleControlsTest)
#include "accessible_controls_test.moc"
