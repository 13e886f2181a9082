// The advanced settings behind the password gate, driven through the real
// window in both languages: the password by the button and by Enter, wrong
// passwords refused, the ways to cancel, the advanced dialog applying its
// copies only through its OK button, and the settings taking effect in the
// send path and the receive pane.
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "dialogs/advance_dlg.h"
#include "dialogs/gbk_string.h"
#include "dialogs/pwd_dlg.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;
namespace Adv = AdvanceIds;
namespace Pwd = PasswordIds;

namespace {

const QString kPassword = QStringLiteral("46527419");

// Runs `act` on the modal dialog of type T as soon as it shows, from inside
// the exec() that shows it. A dialog that `act` leaves open (a failed check
// returned early) is cancelled, so a failing test never hangs. The watch
// belongs to `scope`, which a test ends with, so a watch for a dialog that
// never came cannot act in a later test.
template <typename T>
void WhenShown(QObject* scope, std::function<void(T*)> act) {
  auto* timer = new QTimer(scope);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    timer->stop();
    timer->deleteLater();
    act(dialog);
    if (dialog->isVisible()) dialog->reject();
  });
  timer->start(5);
}

void TypeInto(QWidget* edit, const QString& text) {
  edit->setFocus();
  qobject_cast<QLineEdit*>(edit)->clear();
  QTest::keyClicks(edit, text);
}

}  // namespace

class AdvancedSettingsTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    m_scope = std::make_unique<QObject>();
    QVERIFY(NewModule());
  }

  void cleanup() {
    m_scope.reset();
    TearDownWindow();
  }

  void rightPasswordOpensTheSettings_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("zh, button") << Language::ZhCN << false;
    QTest::newRow("zh, Enter") << Language::ZhCN << true;
    QTest::newRow("en, button") << Language::EnUS << false;
    QTest::newRow("en, Enter") << Language::EnUS << true;
  }
  void rightPasswordOpensTheSettings() {
    QFETCH(Language, language);
    QFETCH(bool, byEnter);
    StartWindow(language);
    const bool zh = language == Language::ZhCN;
    bool passwordShown = false;
    bool settingsShown = false;
    WhenShown<CPwdDlg>(m_scope.get(), [&](CPwdDlg* d) {
      passwordShown = true;
      QCOMPARE(d->windowTitle(), zh ? QStringLiteral("密码验证") : QStringLiteral("Password"));
      QCOMPARE(d->controls().text(Pwd::kLabel),
               zh ? QStringLiteral("密码:") : QStringLiteral("Password:"));
      QCOMPARE(qobject_cast<QLineEdit*>(Widget(*d, Pwd::kPasswordEdit))->echoMode(),
               QLineEdit::Password);
      QCOMPARE(Widget(*d, Pwd::kPasswordEdit)->accessibleName(),
               zh ? QStringLiteral("密码") : QStringLiteral("Password"));
      WhenShown<CAdvanceDlg>(m_scope.get(), [&](CAdvanceDlg* a) {
        settingsShown = true;
        QCOMPARE(a->windowTitle(),
                 zh ? QStringLiteral("高级设置") : QStringLiteral("Advanced settings"));
        Click(*a, Adv::kCancel);
      });
      TypeInto(Widget(*d, Pwd::kPasswordEdit), kPassword);
      if (byEnter) {
        QTest::keyClick(Widget(*d, Pwd::kPasswordEdit), Qt::Key_Return);
      } else {
        Click(*d, Pwd::kConfirm);
      }
    });
    ClickAdvanced();
    QVERIFY(passwordShown);
    QVERIFY(settingsShown);
    QVERIFY(m_prompts.boxes.isEmpty());
  }

  void wrongPasswordIsRefused_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("zh, other digits") << Language::ZhCN << QStringLiteral("12345678") << false;
    QTest::newRow("zh, trailing blank, Enter") << Language::ZhCN << kPassword + " " << true;
    QTest::newRow("en, leading blank") << Language::EnUS << " " + kPassword << false;
    QTest::newRow("en, empty, Enter") << Language::EnUS << QString() << true;
  }
  void wrongPasswordIsRefused() {
    QFETCH(Language, language);
    QFETCH(QString, typed);
    QFETCH(bool, byEnter);
    StartWindow(language);
    bool settingsShown = false;
    bool stayed = false;
    WhenShown<CPwdDlg>(m_scope.get(), [&](CPwdDlg* d) {
      WhenShown<CAdvanceDlg>(m_scope.get(), [&](CAdvanceDlg*) { settingsShown = true; });
      TypeInto(Widget(*d, Pwd::kPasswordEdit), typed);
      if (byEnter) {
        QTest::keyClick(Widget(*d, Pwd::kPasswordEdit), Qt::Key_Return);
      } else {
        Click(*d, Pwd::kConfirm);
      }
      // The dialog stays, with the text as typed, for another try.
      stayed = d->isVisible() && d->controls().text(Pwd::kPasswordEdit) == typed;
      Click(*d, Pwd::kCancel);
    });
    ClickAdvanced();
    QVERIFY(stayed);
    QVERIFY(!settingsShown);
    QCOMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(m_prompts.boxes[0].text, language == Language::ZhCN
                                          ? QStringLiteral("请输入正确的密码!")
                                          : QStringLiteral("Please enter the correct password!"));
    QCOMPARE(m_prompts.boxes[0].caption, QStringLiteral("Zephyn"));
  }

  void gateCanBeCancelled_data() {
    QTest::addColumn<int>("how");  // 0 Cancel, 1 Escape, 2 close box
    QTest::newRow("Cancel") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
  }
  void gateCanBeCancelled() {
    QFETCH(int, how);
    StartWindow(Language::EnUS);
    bool settingsShown = false;
    WhenShown<CPwdDlg>(m_scope.get(), [&](CPwdDlg* d) {
      WhenShown<CAdvanceDlg>(m_scope.get(), [&](CAdvanceDlg*) { settingsShown = true; });
      TypeInto(Widget(*d, Pwd::kPasswordEdit), kPassword);  // even the right one, not confirmed
      if (how == 0) Click(*d, Pwd::kCancel);
      if (how == 1) QTest::keyClick(Widget(*d, Pwd::kPasswordEdit), Qt::Key_Escape);
      if (how == 2) d->close();
    });
    ClickAdvanced();
    QVERIFY(!settingsShown);
    QVERIFY(m_prompts.boxes.isEmpty());
  }

  void settingsApplyOnlyThroughOk_data() {
    QTest::addColumn<int>("how");  // how the advanced dialog is left after the edits
    QTest::addColumn<bool>("applied");
    QTest::newRow("OK") << 0 << true;
    QTest::newRow("Enter in the interval") << 1 << false;
    QTest::newRow("Enter on a check box") << 2 << false;
    QTest::newRow("Cancel") << 3 << false;
    QTest::newRow("Escape") << 4 << false;
  }
  void settingsApplyOnlyThroughOk() {
    QFETCH(int, how);
    QFETCH(bool, applied);
    StartWindow(Language::ZhCN);
    int passwordsAsked = 0;
    QString shownInterval;
    bool shownMulti = true;
    bool shownUtf8 = true;
    auto edit = [&](CAdvanceDlg* a) {
      // The dialog shows the window's settings.
      shownInterval = a->controls().text(Adv::kInterval);
      shownMulti = a->controls().checked(Adv::kMultiInstruction);
      shownUtf8 = a->controls().checked(Adv::kUtf8);
      TypeInto(Widget(*a, Adv::kInterval), QStringLiteral("abc"));  // any text is taken
      Click(*a, Adv::kMultiInstruction);
      Click(*a, Adv::kUtf8);
      if (how == 0) Click(*a, Adv::kApply);
      if (how == 1) QTest::keyClick(Widget(*a, Adv::kInterval), Qt::Key_Return);
      if (how == 2) {
        Widget(*a, Adv::kUtf8)->setFocus();
        QTest::keyClick(Widget(*a, Adv::kUtf8), Qt::Key_Return);
      }
      if (how == 3) Click(*a, Adv::kCancel);
      if (how == 4) QTest::keyClick(Widget(*a, Adv::kMultiInstruction), Qt::Key_Escape);
      QVERIFY(!a->isVisible());  // every way closes it
    };
    auto gate = [&](std::function<void(CAdvanceDlg*)> then) {
      WhenShown<CPwdDlg>(m_scope.get(), [&, then](CPwdDlg* d) {
        ++passwordsAsked;
        WhenShown<CAdvanceDlg>(m_scope.get(), then);
        TypeInto(Widget(*d, Pwd::kPasswordEdit), kPassword);
        Click(*d, Pwd::kConfirm);
      });
    };
    gate(edit);
    ClickAdvanced();
    QCOMPARE(shownInterval, QStringLiteral("150"));
    QVERIFY(!shownMulti);
    QVERIFY(!shownUtf8);
    const AdvancedSettings now = m_dlg->advancedSettings();
    QCOMPARE(now.instructionDelay, std::string(applied ? "abc" : "150"));
    QCOMPARE(now.multiInstruction, applied);
    QCOMPARE(now.utf8, applied);

    // The next press asks for the password again, and shows what is set now.
    gate([&](CAdvanceDlg* a) {
      shownInterval = a->controls().text(Adv::kInterval);
      shownMulti = a->controls().checked(Adv::kMultiInstruction);
      Click(*a, Adv::kCancel);
    });
    ClickAdvanced();
    QCOMPARE(passwordsAsked, 2);
    QCOMPARE(shownInterval, QString::fromStdString(now.instructionDelay));
    QCOMPARE(shownMulti, applied);
  }

  void appliedSettingsChangeSendingAndThePane() {
    StartWindow(Language::EnUS);
    Controls& c = m_dlg->controls();
    OpenPort();

    // Multi-instruction mode with an interval that is no number (0 ms), and
    // the UTF-8 view.
    WhenShown<CPwdDlg>(m_scope.get(), [&](CPwdDlg* d) {
      WhenShown<CAdvanceDlg>(m_scope.get(), [&](CAdvanceDlg* a) {
        TypeInto(Widget(*a, Adv::kInterval), QStringLiteral("x"));
        Click(*a, Adv::kMultiInstruction);
        Click(*a, Adv::kUtf8);
        Click(*a, Adv::kApply);
      });
      TypeInto(Widget(*d, Pwd::kPasswordEdit), kPassword);
      QTest::keyClick(Widget(*d, Pwd::kPasswordEdit), Qt::Key_Enter);
    });
    ClickAdvanced();

    // Each instruction goes out on its own, the second released by the
    // module's "OK" to the first.
    c.setText(kInput, QStringLiteral("AT+NAME\nAT+VER"));
    Click(*m_dlg, kSend);
    const std::string both = "AT+NAME\r\nAT+VER\r\n";
    QTRY_COMPARE(Received(*m_module), both);
    QTRY_VERIFY(c.text(kReceivePane).endsWith(QStringLiteral("+VER=V2.1\r\nOK\r\n")));

    // Received bytes are read as UTF-8.
    Click(*m_dlg, kClear);
    QVERIFY(m_module->send({0xE4, 0xB8, 0xAD}));  // "中" in UTF-8
    QTRY_COMPARE(c.text(kReceivePane), QStringLiteral("中"));
  }

 private:
  void StartWindow(Language language) {
    m_language = language;
    Start(ModuleOptions(), language);
  }

  // The Chinese window's advanced-settings button, or the English window's
  // "Developer option" in its place. Returns once the dialogs have closed.
  void ClickAdvanced() {
    Click(*m_dlg, m_language == Language::ZhCN ? kAdvanced : kDeveloperOption);
  }

  std::unique_ptr<QObject> m_scope;  // the test's dialog watches
  Language m_language = Language::EnUS;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(AdvancedSettingsTest)
#include "advanced_settings_test.moc"
