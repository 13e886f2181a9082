// The window templates as built: every control of a template's language is
// there, named by its ID, in its place, with the state its style gives it, and
// with a name that screen readers can announce.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "dialogs/controls.h"
#include "dialogs/dialog_builder.h"
#include "resources/control_ids.h"
#include "resources/dialog_template.h"

using namespace zephyn;
using namespace MainIds;

Q_DECLARE_METATYPE(const DialogTemplate*)
Q_DECLARE_METATYPE(zephyn::Language)

class TemplatesTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControlIsBuiltInPlace_data() {
    QTest::addColumn<const DialogTemplate*>("dialog");
    QTest::addColumn<Language>("language");
    for (Language l : {Language::ZhCN, Language::EnUS}) {
      const char* tag = l == Language::ZhCN ? "zh" : "en";
      QTest::addRow("102 %s", tag) << &Template102(l) << l;
      QTest::addRow("133 %s", tag) << &Template133() << l;
      QTest::addRow("134 %s", tag) << &Template134(l) << l;
      QTest::addRow("155 %s", tag) << &Template155(l) << l;
      QTest::addRow("157 %s", tag) << &Template157(l) << l;
    }
  }

  void everyControlIsBuiltInPlace() {
    QFETCH(const DialogTemplate*, dialog);
    QFETCH(Language, language);
    QWidget window;
    Controls controls;
    const DialogUnits units = BuildDialog(*dialog, language, &window, controls);
    QCOMPARE(window.size(), units.toSize(dialog->width, dialog->height));

    int built = 0;
    for (const ControlTemplate& c : dialog->controls) {
      if (c.id == kStaticId) continue;
      QWidget* w = window.findChild<QWidget*>(QString::number(c.id));
      if (!InLanguage(c, language)) {
        QVERIFY2(w == nullptr, qPrintable(QStringLiteral("%1 is not in this language").arg(c.id)));
        continue;
      }
      ++built;
      QVERIFY2(w != nullptr, qPrintable(QString::number(c.id)));
      QCOMPARE(controls.widget(c.id), w);
      const QRect expected = units.toRect(c.x, c.y, c.width, c.height);
      QCOMPARE(w->pos(), expected.topLeft());
      QCOMPARE(w->width(), expected.width());
      if (!qobject_cast<QComboBox*>(w)) QCOMPARE(w->height(), expected.height());
      QCOMPARE(w->isHidden(), bool(c.style & kHidden));
      QCOMPARE(w->isEnabled(), !(c.style & kDisabled));
      QVERIFY2(!w->accessibleName().trimmed().isEmpty(), qPrintable(QString::number(c.id)));
    }
    QVERIFY(built > 0);
  }

  void mainWindowLanguagesDiffer() {
    // Where the English main window differs from the Chinese one.
    struct Case {
      Language language;
      int id;
      bool present;
      bool hidden;
    };
    const Case cases[] = {
        {Language::ZhCN, kAdvanced, true, false},
        {Language::EnUS, kAdvanced, false, false},
        {Language::ZhCN, kDeveloperOption, false, false},
        {Language::EnUS, kDeveloperOption, true, false},
        {Language::ZhCN, kMultiInstruction, true, true},
        {Language::EnUS, kMultiInstruction, false, false},
        {Language::ZhCN, kCts, true, true},
        {Language::EnUS, kCts, true, false},
        {Language::ZhCN, kFlowControl, true, false},
        {Language::EnUS, kFlowControl, true, true},
        {Language::ZhCN, kFlowCaption, true, false},
        {Language::EnUS, kFlowCaption, true, true},
    };
    for (const Case& c : cases) {
      const ControlTemplate* t = FindControl(Template102(c.language), c.id);
      QVERIFY(t != nullptr);
      QCOMPARE(InLanguage(*t, c.language), c.present);
      if (c.present) QCOMPARE(bool(t->style & kHidden), c.hidden);
    }
    const DialogTemplate& zh = Template102(Language::ZhCN);
    const DialogTemplate& en = Template102(Language::EnUS);
    QCOMPARE(QString::fromStdString(zh.captionZh), QStringLiteral("Zephyn串口助手 V1.6.6"));
    QCOMPARE(QString::fromStdString(en.captionEn), QStringLiteral("Zephyn V1.6.5(Test)"));
    QCOMPARE(FindControl(en, kSend)->height, 25);
    QCOMPARE(FindControl(zh, kSend)->height, 21);
    QCOMPARE(FindControl(en, kReceivePane)->height, 163);
    QCOMPARE(FindControl(en, kHexView)->x, 294);
    QCOMPARE(FindControl(zh, kHexView)->x, 301);
  }

  void englishCaptionsOfTheSmallDialogsFit() {
    // The English texts of the password and advanced settings dialogs are
    // longer than the Chinese ones: each must show whole in its place.
    for (const DialogTemplate* dialog :
         {&Template155(Language::EnUS), &Template157(Language::EnUS)}) {
      QWidget window;
      Controls controls;
      BuildDialog(*dialog, Language::EnUS, &window, controls);
      for (QWidget* w : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        int needed = 0;
        if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w)) {
          needed = w->sizeHint().width();
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
          needed = button->fontMetrics().horizontalAdvance(button->text());
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
          needed = group->fontMetrics().horizontalAdvance(group->title());
        }
        QVERIFY2(needed <= w->width(), qPrintable(QStringLiteral("%1 %2: %3 > %4")
                                                      .arg(dialog->id)
                                                      .arg(w->accessibleName())
                                                      .arg(needed)
                                                      .arg(w->width())));
      }
    }
  }

  void multiStringPageHas120Rows() {
    using namespace StringsPageIds;
    const DialogTemplate& page = Template134(Language::EnUS);
    QCOMPARE(kRows, 120);
    for (int n = 1; n <= kRows; ++n) {
      const ControlTemplate* text = FindControl(page, kFirstText + n - 1);
      const ControlTemplate* hex = FindControl(page, kFirstHex + n - 1);
      const ControlTemplate* send = FindControl(page, kFirstSend + n - 1);
      QVERIFY(text && hex && send);
      QCOMPARE(text->y, 25 + 15 * (n - 1));
      QCOMPARE(QString::fromStdString(send->captionEn), QString::number(n));
    }
    QCOMPARE(FindControl(page, kFirstText + kRows - 1)->y, 1810);
    QVERIFY(FindControl(page, kFirstText + kRows) == nullptr);
  }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(TemplatesTest)
#include "templates_test.moc"
