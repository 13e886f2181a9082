// The input box's history and line end through the real window and the
// virtual module on a pseudo-terminal: Ctrl+Up and Ctrl+Down recall what was
// sent, a recalled hex input sends the same bytes, both survive a restart,
// and the line end chosen in the box's menu reaches the module byte for byte
// from the box, the stored-strings page and the timed send, while the AT
// page and the multi-instruction mode keep CR LF.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>

#include "app/ui_language.h"
#include "dialogs/tab_control.h"
#include "panels/more_str_send.h"
#include "panels/quick_send.h"
#include "resources/control_ids.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;

class InputTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    QVERIFY(NewModule());
  }

  void cleanup() { TearDownWindow(); }

  void ctrlUpAndDownRecallTheInputsSent() {
    StartOpen();
    for (const char* text : {"one", "two", "three"}) SendInput(QString::fromLatin1(text));
    QTRY_COMPARE(Received(*m_module), std::string("onetwothree"));
    FocusInput();
    // The box still holds the input just sent: the first step goes past it.
    Key(Qt::Key_Up, Qt::ControlModifier);
    Key(Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(c().text(kInput), QStringLiteral("one"));
    Key(Qt::Key_Up, Qt::ControlModifier);  // the oldest stays
    QCOMPARE(c().text(kInput), QStringLiteral("one"));
    Key(Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(c().text(kInput), QStringLiteral("two"));
    // Plain Up and Down are the box's own cursor keys.
    c().setText(kInput, QStringLiteral("a\nb"));
    Input()->moveCursor(QTextCursor::End);
    Key(Qt::Key_Up, Qt::NoModifier);
    QCOMPARE(c().text(kInput), QStringLiteral("a\nb"));
    QCOMPARE(Input()->textCursor().blockNumber(), 0);
  }

  void recalledHexInputSendsTheSameBytes() {
    StartOpen();
    c().setChecked(kHexInput, true);
    SendInput(QStringLiteral("00 0D 0A 3D FF"));
    c().setChecked(kHexInput, false);
    SendInput(QStringLiteral("text"));
    const std::string hexBytes("\x00\r\n=\xFF", 5);
    QTRY_COMPARE(Received(*m_module), hexBytes + "text");
    FocusInput();
    Key(Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(c().text(kInput), QStringLiteral("00 0D 0A 3D FF"));
    QVERIFY(c().checked(kHexInput));
    Click(kSend);
    QTRY_COMPARE(Received(*m_module), hexBytes + "text" + hexBytes);
    // The send made it the newest: one step back is the text one, Hex off
    // again.
    FocusInput();
    Key(Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(c().text(kInput), QStringLiteral("text"));
    QVERIFY(!c().checked(kHexInput));
  }

  void historyAndLineEndSurviveARestart() {
    const QString settings = m_data->filePath(QStringLiteral("ZephynData.ini"));
    StartOpen(settings);
    ChooseLineEnd("inputLineEndLf");
    c().setChecked(kNewLine, true);
    SendInput(QStringLiteral("first"));
    SendInput(QStringLiteral("second"));
    QTRY_COMPARE(Received(*m_module), std::string("first\nsecond\n"));
    m_dlg->reject();
    m_dlg.reset();

    StartOpen(settings);
    QCOMPARE(m_dlg->paneOptions().lineEnd, LineEnd::kLf);
    FocusInput();
    Key(Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(c().text(kInput), QStringLiteral("first"));
    Click(kSend);
    QTRY_COMPARE(Received(*m_module), std::string("first\nsecond\nfirst\n"));
    QMenu* menu = OpenInputMenu();
    QVERIFY(menu != nullptr);
    QVERIFY(menu->findChild<QAction*>(QStringLiteral("inputLineEndLf"))->isChecked());
    QVERIFY(!menu->findChild<QAction*>(QStringLiteral("inputLineEndCrLf"))->isChecked());
    menu->close();
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
  }

  void lineEndReachesTheModuleByteExact_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QByteArray>("end");
    QTest::newRow("CR LF") << "inputLineEndCrLf" << QByteArray("\r\n");
    QTest::newRow("CR") << "inputLineEndCr" << QByteArray("\r");
    QTest::newRow("LF") << "inputLineEndLf" << QByteArray("\n");
  }
  void lineEndReachesTheModuleByteExact() {
    QFETCH(QString, action);
    QFETCH(QByteArray, end);
    const std::string lineEnd = end.toStdString();
    StartOpen();
    ChooseLineEnd(action.toLatin1().constData());
    std::string expected;

    // The input box, New line on.
    c().setChecked(kNewLine, true);
    SendInput(QStringLiteral("box"));
    expected += "box" + lineEnd;
    QTRY_COMPARE(Received(*m_module), expected);

    // The stored-strings page's row, its own New line on.
    ShowTab(1);
    Controls& strings = m_dlg->moreStrSend()->controls();
    strings.setText(StringsPageIds::kFirstText, QStringLiteral("row"));
    strings.setChecked(StringsPageIds::kNewLine, true);
    WindowFixture::Click(*m_dlg->moreStrSend(), StringsPageIds::kFirstSend);
    expected += "row" + lineEnd;
    QTRY_COMPARE(Received(*m_module), expected);

    // The AT page's query keeps CR LF.
    ShowTab(0);
    WindowFixture::Click(*m_dlg->quickSend(), AtPageIds::kFirstButton);
    expected += "AT+NAME\r\n";
    QTRY_COMPARE(Received(*m_module), expected);

    // An instruction of the multi-instruction mode too, New line's included.
    m_dlg->SetAdvancedSettings({true, "0", false});
    SendInput(QStringLiteral("AT+VER"));
    expected += "AT+VER\r\n\r\n";
    QTRY_COMPARE(Received(*m_module), expected);
    m_dlg->SetAdvancedSettings({false, "0", false});

    // The timed send repeats the box's bytes with the chosen end.
    c().setText(kInput, QStringLiteral("tick"));
    c().setText(kInterval, QStringLiteral("20"));
    Click(kTiming);
    QVERIFY(c().checked(kTiming));
    const std::string ticks = "tick" + lineEnd + "tick" + lineEnd;
    QTRY_VERIFY(Received(*m_module).size() > expected.size() + ticks.size() &&
                Received(*m_module).ends_with(ticks));
    QCOMPARE(Received(*m_module).substr(0, expected.size()), expected);
    Click(kTiming);
  }

  void multiInstructionSendKeepsTheWholeInput() {
    // Sending the first instruction leaves the box's bytes whole: the Hex
    // box then converts all of the input, not the instruction that went.
    StartOpen();
    m_dlg->SetAdvancedSettings({true, "0", false});
    SendInput(QStringLiteral("AT+NAME\nAT+VER"));
    QTRY_COMPARE(Received(*m_module), std::string("AT+NAME\r\nAT+VER\r\n"));
    Click(kHexInput);
    QCOMPARE(c().text(kInput), QStringLiteral("41 54 2B 4E 41 4D 45 0D 0A 41 54 2B 56 45 52 "));
  }

  void menuOffersTheLineEndsInBothLanguages_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("English") << Language::EnUS
                             << QStringList{"New line: CR LF (\\r\\n)", "New line: CR (\\r)",
                                            "New line: LF (\\n)"};
    QTest::newRow("Chinese") << Language::ZhCN
                             << QStringList{QStringLiteral("换行符：CR LF (\\r\\n)"),
                                            QStringLiteral("换行符：CR (\\r)"),
                                            QStringLiteral("换行符：LF (\\n)")};
  }
  void menuOffersTheLineEndsInBothLanguages() {
    QFETCH(Language, language);
    QFETCH(QStringList, captions);
    TearDownWindow();
    SetUpWindow(language);
    QVERIFY(NewModule());
    QVERIFY(LoadToolkitTranslations(language));
    WindowFixture::Start(ModuleOptions(), language);
    QMenu* menu = OpenInputMenu();
    QVERIFY(menu != nullptr);
    QVERIFY(!menu->accessibleName().isEmpty());
    // The box's own edit entries stay.
    for (const char* name : {"edit-cut", "edit-copy", "edit-paste"})
      QVERIFY2(menu->findChild<QAction*>(QString::fromLatin1(name)) != nullptr, name);
    QStringList ours;
    for (const char* name : {"inputLineEndCrLf", "inputLineEndCr", "inputLineEndLf"}) {
      QAction* action = menu->findChild<QAction*>(QString::fromLatin1(name));
      QVERIFY2(action != nullptr, name);
      QVERIFY(action->isCheckable());
      ours << action->text();
    }
    QCOMPARE(ours, captions);
    // CR LF by default, one choice at a time.
    QVERIFY(menu->findChild<QAction*>(QStringLiteral("inputLineEndCrLf"))->isChecked());
    Pick(menu, "inputLineEndCr");
    QCOMPARE(m_dlg->paneOptions().lineEnd, LineEnd::kCr);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    menu = OpenInputMenu();
    QVERIFY(menu != nullptr);
    QVERIFY(menu->findChild<QAction*>(QStringLiteral("inputLineEndCr"))->isChecked());
    QVERIFY(!menu->findChild<QAction*>(QStringLiteral("inputLineEndCrLf"))->isChecked());
    menu->close();
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
  }

 private:
  // A window with the module's port open: a settings file that names the
  // port opens it at start-up by itself, otherwise Open is pressed.
  void StartOpen(const QString& settings = QString()) {
    StartOptions options = ModuleOptions();
    options.settingsPath = settings.toStdString();
    const bool saved = !settings.isEmpty() && QFileInfo::exists(settings);
    WindowFixture::Start(std::move(options));
    if (!saved) OpenPort();
    QTRY_VERIFY(PortOpen());
    QTRY_VERIFY(c().enabled(kSend));
  }

  void SendInput(const QString& text) {
    c().setText(kInput, text);
    Click(kSend);
  }

  QPlainTextEdit* Input() { return Widget<QPlainTextEdit>(*m_dlg, kInput); }

  // The window's keys act on the focused box of the active window: a window
  // just started may not be shown yet when it is asked to activate.
  void FocusInput() {
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    m_dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
    Input()->setFocus();
    QTRY_VERIFY(Input()->hasFocus());
  }

  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(Widget(*m_dlg, kInput), key, modifiers);
  }

  void ShowTab(int index) {
    auto* tab = Widget<TabControl>(*m_dlg, kTabs);
    QTRY_VERIFY(tab->isVisible());
    QTest::mouseClick(tab->tabBar(), Qt::LeftButton, {}, tab->tabBar()->tabRect(index).center());
  }

  // Opens the input box's menu as a right click does.
  QMenu* OpenInputMenu() {
    QPlainTextEdit* input = Input();
    // Closing a menu may leave the offscreen application inactive, which
    // disables the input box as a real deactivation does.
    m_dlg->activateWindow();
    if (!QTest::qWaitFor([input] { return input->isEnabled(); }, 1000))
      c().setEnabled(kInput, true);
    const QPoint at(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, input->viewport()->mapToGlobal(at));
    QApplication::sendEvent(input->viewport(), &event);
    (void)QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 5000);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
  }

  static void Pick(QMenu* menu, const char* name) { PickMenuEntry(menu, name); }

  void ChooseLineEnd(const char* name) {
    QMenu* menu = OpenInputMenu();
    QVERIFY(menu != nullptr);
    Pick(menu, name);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
  }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(InputTest)
#include "input_test.moc"
