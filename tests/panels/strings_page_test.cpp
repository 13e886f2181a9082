// The stored-strings page through the real window and the virtual module on
// a pseudo-terminal: a row's button sends its bytes, the hex box rewrites
// the row, the cycle sends the rows in turn and locks what must not change
// under it, a refused interval is said, the connection control stops the
// cycle without leaving the page locked, and the last rows scroll into view.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpontaneKeyEvent>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <memory>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/tab_control.h"
#include "dialogs/timer_refused.h"
#include "panels/more_str_send.h"
#include "resources/control_ids.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;
using namespace StringsPageIds;

namespace {

constexpr int kPageNewLine = StringsPageIds::kNewLine;

// The main window's controls that a running cycle keeps off.
const int kWindowLocked[] = {kSendFile, kPortList, kBaudRate,   kFlowControl, kOpenClose,
                             kSend,     kTiming,   kChooseFile, kReplyMode};

}  // namespace

// A second module is listed after the first, for a port to change to.
class StringsPageTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    QVERIFY(NewModule());
    m_other = std::make_unique<VirtualModule>(115200);
    QVERIFY(m_other->ok());
    Start(Options({m_module->path(), m_other->path()}));
    OpenPort();
    auto* tab = Widget<TabControl>(*m_dlg, kTabs);
    QTRY_VERIFY(tab->isVisible());
    QTest::mouseClick(tab->tabBar(), Qt::LeftButton, {}, tab->tabBar()->tabRect(1).center());
    QVERIFY(page().isVisible());
  }

  void cleanup() {
    TearDownWindow();
    m_other.reset();
  }

  void rowButtonSendsItsRow_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<bool>("newLine");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text + new line") << 5 << "AB" << false << true << QByteArray("AB\r\n");
    QTest::newRow("text blanks") << 7 << "  " << false << false << QByteArray("  ");
    QTest::newRow("hex, odd digits") << 2 << "41 4" << true << false << QByteArray("A\x04");
    QTest::newRow("hex, odd digits + new line")
        << 3 << "41 4" << true << true << QByteArray("A\x04\r\n");
    QTest::newRow("hex blanks + new line") << 64 << "   " << true << true << QByteArray("\r\n");
  }
  void rowButtonSendsItsRow() {
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(bool, hex);
    QFETCH(bool, newLine);
    QFETCH(QByteArray, bytes);
    // The neighbours hold other text: only the clicked row goes out.
    p().setText(kFirstText + row - 2, QStringLiteral("before"));
    p().setText(kFirstText + row, QStringLiteral("after"));
    p().setText(kFirstText + row - 1, text);
    p().setChecked(kFirstHex + row - 1, hex);
    p().setChecked(kPageNewLine, newLine);
    Click(kFirstSend + row - 1);
    QTRY_COMPARE(Received(*m_module), bytes.toStdString());
  }

  void hexBoxRewritesTheRow() {
    const int row = 30;
    p().setText(kFirstText + row - 1, QStringLiteral("AB"));
    Click(kFirstHex + row - 1);
    QCOMPARE(p().text(kFirstText + row - 1), QStringLiteral("41 42 "));
    Click(kFirstHex + row - 1);
    QCOMPARE(p().text(kFirstText + row - 1), QStringLiteral("AB"));
    p().setText(kFirstText + row - 1, QStringLiteral("00 41"));
    p().setChecked(kFirstHex + row - 1, true);
    Click(kFirstHex + row - 1);
    QCOMPARE(p().text(kFirstText + row - 1), QStringLiteral("A"));
  }

  void cycleSendsTheRowsInTurnAndLocksTheControls() {
    p().setText(kFirstText + 0, QStringLiteral("1;"));
    p().setText(kFirstText + 4, QStringLiteral("5;"));
    p().setText(kFirstText + 8, QStringLiteral("9;"));
    c().setChecked(kReplyMode, true);
    QCOMPARE(p().text(kCycleInterval), QStringLiteral("100"));
    Click(kCycle);
    QVERIFY(page().CycleRunning());
    QVERIFY(p().checked(kCycle));

    for (int id : kWindowLocked) QVERIFY2(!c().enabled(id), qPrintable(QString::number(id)));
    QVERIFY(!c().checked(kReplyMode));
    QVERIFY(!p().enabled(kCycleInterval));
    QVERIFY(!p().enabled(kPageNewLine));
    for (int n = 1; n <= kRows; ++n) {
      QVERIFY(!Widget(page(), kFirstSend + n - 1)->isEnabled());
      // The rows stay editable; what they hold now is not what is sent.
      QVERIFY(Widget(page(), kFirstText + n - 1)->isEnabled());
      QVERIFY(Widget(page(), kFirstHex + n - 1)->isEnabled());
    }
    p().setText(kFirstText + 4, QStringLiteral("edited"));

    QTRY_VERIFY(Received(*m_module).size() >= 10);
    const std::string got = Received(*m_module);
    const std::string order = "1;5;9;1;5;9;1;5;9;1;5;9;1;5;9;1;5;9;";
    QCOMPARE(got, order.substr(0, got.size()));

    Click(kCycle);
    QVERIFY(!page().CycleRunning());
    for (int id : kWindowLocked)
      if (id != kSendFile) QVERIFY2(c().enabled(id), qPrintable(QString::number(id)));
    QVERIFY(!c().enabled(kSendFile));  // no file was chosen
    QVERIFY(p().enabled(kCycleInterval));
    QVERIFY(p().enabled(kPageNewLine));
    for (int n = 1; n <= kRows; ++n) QVERIFY(Widget(page(), kFirstSend + n - 1)->isEnabled());
  }

  void cycleWithEveryRowEmptyUnchecksAtOnce() {
    Click(kCycle);
    QVERIFY(!p().checked(kCycle));
    QVERIFY(!page().CycleRunning());
    QVERIFY(m_prompts.boxes.isEmpty());
    QVERIFY(p().enabled(kCycleInterval));
    QVERIFY(c().enabled(kOpenClose));
    QVERIFY(Widget(page(), kFirstSend)->isEnabled());
  }

  void refusedIntervalIsSaidAndChangesNothing_data() {
    QTest::addColumn<QString>("interval");
    QTest::newRow("zero") << "0";
    QTest::newRow("negative") << "-5";
    QTest::newRow("word") << "abc";
    QTest::newRow("too long") << "1000001";
  }
  void refusedIntervalIsSaidAndChangesNothing() {
    QFETCH(QString, interval);
    p().setText(kFirstText + 2, QStringLiteral("x"));
    p().setText(kCycleInterval, interval);
    Click(kCycle);
    QCOMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(m_prompts.boxes[0].text, TimerRefusedText(Language::EnUS));
    QVERIFY(m_prompts.boxes[0].text.contains(QStringLiteral("from 1 to 1000000")));
    QVERIFY(!p().checked(kCycle));
    QVERIFY(!page().CycleRunning());
    QVERIFY(p().enabled(kCycleInterval));
    QVERIFY(p().enabled(kPageNewLine));
    for (int id : kWindowLocked)
      if (id != kSendFile) QVERIFY(c().enabled(id));
    QVERIFY(Widget(page(), kFirstSend + 119)->isEnabled());
    QCOMPARE(c().text(kTxCounters), kNoTraffic);
  }

  // The connection control stops a running cycle; the page is usable again
  // and the main window's controls follow the port's new state.
  void connectionControlStopsTheCycle_data() {
    QTest::addColumn<bool>("reopen");
    QTest::newRow("another port opened") << true;
    QTest::newRow("port closed") << false;
  }
  void connectionControlStopsTheCycle() {
    QFETCH(bool, reopen);
    p().setText(kFirstText + 0, QStringLiteral("1;"));
    p().setText(kCycleInterval, QStringLiteral("10"));
    Click(kCycle);
    QTRY_VERIFY(!Received(*m_module).empty());
    if (reopen) {
      c().setCurSel(kPortList, 1);
      emit Widget<QComboBox>(*m_dlg, kPortList)->activated(1);
    } else {
      m_dlg->ClosePort();
    }
    QTRY_VERIFY(m_dlg->connectionIdle());
    QTRY_VERIFY(!page().CycleRunning());
    QTRY_VERIFY(!Widget<QAbstractButton>(page(), kCycle)->isChecked());
    QTRY_VERIFY(Widget(page(), kCycleInterval)->isEnabled());
    QVERIFY(Widget(page(), kPageNewLine)->isEnabled());
    for (int n = 1; n <= kRows; ++n) QVERIFY(Widget(page(), kFirstSend + n - 1)->isEnabled());
    QVERIFY(c().enabled(kOpenClose));
    QVERIFY(c().enabled(kPortList));
    QVERIFY(c().enabled(kBaudRate));
    QCOMPARE(c().enabled(kSend), reopen);
    QCOMPARE(c().text(kOpenClose), Text(reopen ? TextId::kCloseCaption : TextId::kOpenCaption));
    if (!reopen) return;

    // The new port takes the page's sends.
    QTRY_VERIFY(page().isVisible());
    p().setText(kFirstText + 0, QStringLiteral("hello"));
    Click(kFirstSend);
    QTRY_COMPARE(Received(*m_other), std::string("hello"));
  }

  // Row 120 comes fully into view by each way of scrolling, and a click
  // where it shows reaches its button.
  void lastRowScrollsIntoViewAndTakesAClick_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("scroll bar") << "bar";
    QTest::newRow("wheel") << "wheel";
    QTest::newRow("page down") << "keys";
    QTest::newRow("tab into the row") << "focus";
  }
  void lastRowScrollsIntoViewAndTakesAClick() {
    QFETCH(QString, way);
    QScrollBar* bar = page().scrollBar();
    QWidget* content = page().findChild<QWidget*>(QStringLiteral("134content"));
    // The range is what of the rows does not fit in the page.
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), content->height() - page().height());
    QVERIFY(bar->maximum() > 0);

    auto* first = Widget<QLineEdit>(page(), kFirstText);
    // Each way is repeated until the page no longer moves: it must stop at
    // the end, not short of it.
    auto untilStill = [&](const std::function<void()>& step) {
      for (int i = 0, before = -1; i < 1000 && bar->value() != before; ++i) {
        before = bar->value();
        step();
      }
    };
    if (way == "bar") {
      untilStill([&] {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Vertical;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = option.sliderValue = bar->value();
        option.pageStep = bar->pageStep();
        option.singleStep = bar->singleStep();
        const QRect below = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                         QStyle::SC_ScrollBarAddPage, bar);
        if (!below.isEmpty()) QTest::mouseClick(bar, Qt::LeftButton, {}, below.center());
      });
    } else if (way == "wheel") {
      untilStill([&] {
        const QPointF at(first->rect().center());
        QWheelEvent wheel(at, first->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        // As the system delivers it: a row that does not take the wheel
        // leaves it to the widgets around it.
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        qApp->notify(first, &wheel);
      });
    } else if (way == "keys") {
      // From near the end, a page down goes to the end.
      bar->setValue(bar->maximum() - 10);
      QTest::keyClick(first, Qt::Key_PageDown);
      QCOMPARE(bar->value(), bar->maximum());
      // From near the top, a page up goes to the top.
      bar->setValue(10);
      QTest::keyClick(first, Qt::Key_PageUp);
      QCOMPARE(bar->value(), 0);
      untilStill([&] { QTest::keyClick(first, Qt::Key_PageDown); });
    } else {
      m_dlg->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
      Widget(page(), kFirstText + 119)->setFocus(Qt::TabFocusReason);
    }

    auto* button = Widget<QAbstractButton>(page(), kFirstSend + 119);
    const QRect at(button->mapTo(&page(), QPoint(0, 0)), button->size());
    QVERIFY2(at.top() >= 0 && at.bottom() < page().height(),
             qPrintable(QStringLiteral("button from %1 to %2 in a page of %3")
                            .arg(at.top())
                            .arg(at.bottom())
                            .arg(page().height())));
    // Nothing covers it: a click at its place lands on it.
    QCOMPARE(page().childAt(at.center()), static_cast<QWidget*>(button));
    p().setText(kFirstText + 119, QStringLiteral("last"));
    QTest::mouseClick(page().childAt(at.center()), Qt::LeftButton);
    QTRY_COMPARE(Received(*m_module), std::string("last"));
  }

 private:
  CMoreStrSend& page() { return *m_dlg->moreStrSend(); }
  Controls& p() { return page().controls(); }
  // A click on the page's control `id`.
  void Click(int id) { WindowFixture::Click(page(), id); }

  std::unique_ptr<VirtualModule> m_other;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(StringsPageTest)
#include "strings_page_test.moc"
