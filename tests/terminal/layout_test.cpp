// The window's layout and the maker's links, driven offscreen: controls
// follow the window's size by their anchors, come back to their places after
// any round of resizes, the window keeps its minimum size; the link zones
// open the maker's pages on a plain left click strictly inside them.
#include <QMouseEvent>
#include <QTest>
#include <map>
#include <memory>

#include "dialogs/tab_control.h"
#include "panels/more_str_send.h"
#include "panels/quick_send.h"
#include "resources/maker_info.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;

namespace {

// Every rectangle of the window's controls and of the side panel's pages.
std::map<QString, QRect> Rects(CZephynDlg& dlg) {
  std::map<QString, QRect> rects;
  for (QWidget* w : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!w->isWindow()) rects[w->objectName()] = w->geometry();
  rects[dlg.quickSend()->objectName()] = dlg.quickSend()->geometry();
  rects[dlg.moreStrSend()->objectName()] = dlg.moreStrSend()->geometry();
  return rects;
}

void ResizeTo(CZephynDlg& dlg, QSize size) {
  dlg.resize(size);
  QTRY_COMPARE(dlg.size(), size.expandedTo(dlg.minimumSize()));
}

QRect Rect(CZephynDlg& dlg, int id) {
  return dlg.controls().widget(id)->geometry();
}

// A mouse press as the window gets it: the button that went down, all the
// buttons held and the keys held.
void Press(QWidget& window, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
           Qt::KeyboardModifiers keys) {
  QMouseEvent press(QEvent::MouseButtonPress, at, window.mapToGlobal(at), button, held, keys);
  QApplication::sendEvent(&window, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, window.mapToGlobal(at), button,
                      held & ~button, keys);
  QApplication::sendEvent(&window, &release);
}

}  // namespace

class LayoutTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    Start(Options({}));
    DrawAs(Connection::Open);  // the side panel as an open port shows it
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
  }
  void cleanup() {
    m_dlg->reject();
    TearDownWindow();
  }

  void growingMovesAndStretchesByAnchor() {
    struct Case {
      int id;
      int dx, dy, dw, dh;  // the change of position and size
    };
    const Case cases[] = {
        {kSend, 100, 50, 0, 0},        {kReceivePane, 0, 0, 100, 50},
        {kInput, 0, 50, 100, 0},       {kPortList, 0, 50, 0, 0},
        {kTabs, 100, 0, 0, 50},        {kTxCounters, 0, 0, 0, 0},
        {kBanner, 100, 0, 0, 0},       {kWebAddress, 100, 50, 0, 0},
        {kProgress, 0, 50, 100, 0},    {kDeveloperOption, 100, 50, 0, 0},
        {kStatusStrip, 0, 50, 100, 0},
    };
    // The status strip spans the bottom edge, below every other control.
    auto spansTheBottom = [this] {
      const QRect strip = Rect(*m_dlg, kStatusStrip);
      for (QWidget* w : m_dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isVisible() && w->objectName() != QString::number(kStatusStrip) &&
            w->geometry().bottom() >= strip.top())
          return false;
      return strip.left() == 0 && strip.width() == m_dlg->width() &&
             strip.y() + strip.height() == m_dlg->height();
    };
    QVERIFY(spansTheBottom());
    const std::map<QString, QRect> before = Rects(*m_dlg);
    ResizeTo(*m_dlg, m_dlg->size() + QSize(100, 50));
    for (const Case& c : cases) {
      const QRect was = before.at(QString::number(c.id));
      const QRect expected(was.x() + c.dx, was.y() + c.dy, was.width() + c.dw, was.height() + c.dh);
      QVERIFY2(Rect(*m_dlg, c.id) == expected, qPrintable(QString::number(c.id)));
    }
    QVERIFY(spansTheBottom());
    // Both pages fill the tab control's page area, the hidden one too.
    auto* tab = qobject_cast<TabControl*>(m_dlg->controls().widget(kTabs));
    QCOMPARE(m_dlg->quickSend()->geometry(), tab->pageRect());
    QCOMPARE(m_dlg->moreStrSend()->geometry(), tab->pageRect());
    QCOMPARE(tab->pageRect().height(), before.at(m_dlg->quickSend()->objectName()).height() + 50);
  }

  void everyControlComesBackAfterResizes() {
    const std::map<QString, QRect> start = Rects(*m_dlg);
    const QSize size = m_dlg->size();
    // Down to the minimum, where the narrowest controls would need a width
    // below zero, up again, and round in steps as a drag makes them.
    ResizeTo(*m_dlg, QSize(1, 1));
    ResizeTo(*m_dlg, size + QSize(300, 200));
    for (int step = 0; step < 40; ++step)
      ResizeTo(*m_dlg, size + QSize((step * 37) % 150 - 75, (step * 23) % 90 - 45));
    ResizeTo(*m_dlg, size);
    QVERIFY(Rects(*m_dlg) == start);

    m_dlg->showMaximized();
    QTRY_VERIFY(m_dlg->size() != size);
    QVERIFY(Rect(*m_dlg, kSend) != start.at(QString::number(kSend)));
    m_dlg->showNormal();
    QTRY_COMPARE(m_dlg->size(), size);
    QVERIFY(Rects(*m_dlg) == start);

    // A minimized window keeps its controls, and restoring moves nothing.
    m_dlg->showMinimized();
    m_dlg->showNormal();
    QTRY_COMPARE(m_dlg->size(), size);
    QVERIFY(Rects(*m_dlg) == start);
  }

  void theWindowKeepsItsMinimumOnly() {
    const QSize start = m_dlg->size();
    const QSize minimum(int(start.width() * 0.6), int(start.height() * 0.58));
    QCOMPARE(m_dlg->minimumSize(), minimum);
    ResizeTo(*m_dlg, QSize(10, 10));
    QCOMPARE(m_dlg->size(), minimum);
    // A window enlarged first can still be made as small as the minimum.
    ResizeTo(*m_dlg, start + QSize(200, 100));
    ResizeTo(*m_dlg, minimum);
    QCOMPARE(m_dlg->size(), minimum);
  }

  void linkZonesOpenTheHomePageOnAPlainLeftClickInside() {
    const QString home = QString::fromUtf8(kMakerHomePage);
    for (int id : {kWebAddress, kBanner}) {
      const QRect zone = Rect(*m_dlg, id);
      const QPoint inside = zone.center();
      // The label lets the mouse through to the window.
      QVERIFY(m_dlg->childAt(inside) == nullptr);
      struct Case {
        const char* what;
        QPoint at;
        Qt::MouseButton button;
        Qt::MouseButtons held;
        Qt::KeyboardModifiers keys;
        bool opens;
      };
      const Case cases[] = {
          {"left edge", QPoint(zone.x(), inside.y()), Qt::LeftButton, Qt::LeftButton, {}, false},
          {"right edge",
           QPoint(zone.x() + zone.width(), inside.y()),
           Qt::LeftButton,
           Qt::LeftButton,
           {},
           false},
          {"top edge", QPoint(inside.x(), zone.y()), Qt::LeftButton, Qt::LeftButton, {}, false},
          {"bottom edge",
           QPoint(inside.x(), zone.y() + zone.height()),
           Qt::LeftButton,
           Qt::LeftButton,
           {},
           false},
          {"Ctrl", inside, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier, false},
          {"Shift", inside, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier, false},
          {"right button", inside, Qt::RightButton, Qt::RightButton, {}, false},
          {"left with right held",
           inside,
           Qt::LeftButton,
           Qt::LeftButton | Qt::RightButton,
           {},
           false},
          {"just inside", zone.topLeft() + QPoint(1, 1), Qt::LeftButton, Qt::LeftButton, {}, true},
          {"plain left", inside, Qt::LeftButton, Qt::LeftButton, {}, true},
      };
      for (const Case& c : cases) {
        m_prompts.openedUrls.clear();
        Press(*m_dlg, c.at, c.button, c.held, c.keys);
        QVERIFY2(m_prompts.openedUrls == (c.opens ? QStringList{home} : QStringList{}),
                 qPrintable(QStringLiteral("%1 %2").arg(id).arg(c.what)));
      }
    }
  }

  void theHandCursorShowsStrictlyInsideAndFollowsTheLabels() {
    const QRect zone = Rect(*m_dlg, kWebAddress);
    QTest::mouseMove(m_dlg.get(), zone.center());
    QTRY_COMPARE(m_dlg->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(m_dlg.get(), zone.topLeft());
    QTRY_COMPARE(m_dlg->cursor().shape(), Qt::ArrowCursor);
    // Straight from a zone onto a control, which would show the window's
    // cursor: the hand goes.
    QTest::mouseMove(m_dlg.get(), Rect(*m_dlg, kBanner).center());
    QTRY_COMPARE(m_dlg->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(m_dlg.get(), Rect(*m_dlg, kAbout).center());
    QTRY_COMPARE(m_dlg->cursor().shape(), Qt::ArrowCursor);

    ResizeTo(*m_dlg, m_dlg->size() + QSize(100, 50));
    Press(*m_dlg, zone.center(), Qt::LeftButton, Qt::LeftButton, {});
    QVERIFY(m_prompts.openedUrls.isEmpty());
    Press(*m_dlg, zone.center() + QPoint(100, 50), Qt::LeftButton, Qt::LeftButton, {});
    QCOMPARE(m_prompts.openedUrls, QStringList{QString::fromUtf8(kMakerHomePage)});
    QTest::mouseMove(m_dlg.get(), zone.center() + QPoint(100, 50));
    QTRY_COMPARE(m_dlg->cursor().shape(), Qt::PointingHandCursor);
  }

  void aboutUsOpensTheAboutPage() {
    Click(kAbout);
    QCOMPARE(m_prompts.openedUrls, QStringList{QString::fromUtf8(kMakerAboutPage)});
    QVERIFY(m_prompts.openedUrls.front().endsWith(QStringLiteral("/main/about/1.html")));
  }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(LayoutTest)
#include "layout_test.moc"
