// Every caption of the main window and its pages reads whole at the
// start-up size, in both languages: for each visible control with text, the
// text's width in the control's font fits the room the control's style
// leaves for it, and the control itself lies inside the windows that hold
// it. The test runs once more as a Chinese desktop would, whose
// sans-serif face is a CJK one.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTest>

#include "dialogs/tab_control.h"
#include "panels/more_str_send.h"
#include "panels/quick_send.h"
#include "resources/dialog_template.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;

namespace {

int Advance(const QWidget& w, const QString& text) {
  int widest = 0;
  for (const QString& line : text.split(QLatin1Char('\n')))
    widest = std::max(widest, w.fontMetrics().horizontalAdvance(line));
  return widest;
}

// The room the control's style leaves for a text, or -1 for a control that
// shows no caption.
int TextRoom(QWidget& w) {
  QStyle* style = w.style();
  if (auto* check = qobject_cast<QCheckBox*>(&w)) {
    QStyleOptionButton option;
    option.initFrom(check);
    option.text = check->text();
    return style->subElementRect(QStyle::SE_CheckBoxContents, &option, check).width();
  }
  if (auto* button = qobject_cast<QPushButton*>(&w)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (button->autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
    return style->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
  }
  if (auto* combo = qobject_cast<QComboBox*>(&w)) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    return style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
        .width();
  }
  if (auto* edit = qobject_cast<QLineEdit*>(&w)) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const QMargins margins = edit->textMargins();
    // The line edit keeps 2 pixels free at each side of its text.
    return style->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() -
           margins.left() - margins.right() - 4;
  }
  if (auto* label = qobject_cast<QLabel*>(&w)) return label->contentsRect().width();
  return -1;
}

// The texts a control shows, each of which must fit.
QStringList Texts(QWidget& w) {
  if (auto* button = qobject_cast<QAbstractButton*>(&w)) {
    // As shown: "&&" is a plain "&", a single "&" marks the next letter.
    QString shown = button->text();
    shown.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&'));
    return {shown.replace(QLatin1Char('\x01'), QLatin1Char('&'))};
  }
  if (auto* combo = qobject_cast<QComboBox*>(&w)) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }
  if (auto* edit = qobject_cast<QLineEdit*>(&w)) return {edit->text()};
  if (auto* label = qobject_cast<QLabel*>(&w)) return {label->text()};
  return {};
}

}  // namespace

class CaptionsTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() { SetUpWindow(); }
  void cleanup() { TearDownWindow(); }

  void everyCaptionReadsWhole_data() {
    QTest::addColumn<Language>("language");
    QTest::newRow("zh-CN") << Language::ZhCN;
    QTest::newRow("en-US") << Language::EnUS;
  }

  void everyCaptionReadsWhole() {
    QFETCH(Language, language);
    CZephynDlg* const dlg = &Start(Options({}), language);
    DrawAs(Connection::Open);  // the side panel as an open port shows it
    QVERIFY(QTest::qWaitForWindowExposed(dlg));

    // The template's controls and the pages' rows, each with the captions it
    // takes at run time too.
    struct Caption {
      QWidget* widget;
      QString text;
    };
    QList<Caption> captions;
    auto add = [&](QWidget* root) {
      for (QWidget* w : root->findChildren<QWidget*>())
        for (const QString& text : Texts(*w)) captions.push_back({w, text});
    };
    add(dlg);
    Controls& c = dlg->controls();
    const struct {
      int id;
      std::uint16_t text;
    } runTime[] = {
        {kOpenClose, TextId::kCloseCaption},   {kSendFile, TextId::kPauseCaption},
        {kSendFile, TextId::kSendFileCaption}, {kFileLabel, TextId::kNoFileCaption},
        {kPortList, TextId::kNoPort},          {kBaudRate, TextId::kAutoBaud},
    };
    for (const auto& r : runTime) captions.push_back({c.widget(r.id), Text(r.text)});

    auto* tab = qobject_cast<TabControl*>(c.widget(kTabs));
    int checked = 0;
    for (int page = 0; page < 2; ++page) {
      tab->tabBar()->setCurrentIndex(page);
      QCoreApplication::processEvents();
      for (const Caption& caption : captions) {
        QWidget* w = caption.widget;
        if (!w->isVisibleTo(dlg) || caption.text.isEmpty()) continue;
        const int room = TextRoom(*w);
        if (room < 0) continue;
        ++checked;
        const QString what = QStringLiteral("%1 \"%2\"").arg(w->objectName(), caption.text);
        QVERIFY2(Advance(*w, caption.text) <= room,
                 qPrintable(QStringLiteral("%1 needs %2 px, has %3")
                                .arg(what)
                                .arg(Advance(*w, caption.text))
                                .arg(room)));
        if (qobject_cast<QLabel*>(w))
          QVERIFY2(w->fontMetrics().height() <= w->contentsRect().height(), qPrintable(what));
        // Nothing that holds the control cuts it off: the stored rows
        // scroll up and down, but nothing scrolls sideways, and the page's
        // scroll bar covers no row.
        const bool scrolls = dlg->moreStrSend()->isAncestorOf(w);
        QRect area = w->rect();
        for (QWidget* inner = w; inner != dlg; inner = inner->parentWidget()) {
          area.translate(inner->pos());
          QRect room = inner->parentWidget()->rect();
          if (inner->parentWidget() == dlg->moreStrSend())
            room.setRight(dlg->moreStrSend()->scrollBar()->x() - 1);
          const bool inside =
              area.left() >= room.left() && area.right() <= room.right() &&
              (scrolls || (area.top() >= room.top() && area.bottom() <= room.bottom()));
          QVERIFY2(inside, qPrintable(what + QStringLiteral(" is cut by ") +
                                      inner->parentWidget()->objectName()));
        }
      }
    }
    QVERIFY(checked > 100);

    // Each page lies within the tab control's page area, the stored rows
    // left of their scroll bar.
    QCOMPARE(dlg->quickSend()->geometry(), tab->pageRect());
    QCOMPARE(dlg->moreStrSend()->geometry(), tab->pageRect());
    QVERIFY(dlg->quickSend()->childrenRect().right() < tab->pageRect().width());
    auto* rows = dlg->moreStrSend()->findChild<QWidget*>(QStringLiteral("134content"));
    QVERIFY(rows->width() <= dlg->moreStrSend()->scrollBar()->x());

    // The two tabs' titles fit the tab control.
    QTabBar* bar = tab->tabBar();
    for (int i = 0; i < bar->count(); ++i) {
      QVERIFY(bar->tabRect(i).right() < tab->width());
      QVERIFY(bar->fontMetrics().horizontalAdvance(bar->tabText(i)) < bar->tabRect(i).width());
    }
    dlg->reject();
  }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(CaptionsTest)
#include "captions_test.moc"
