// The advanced settings behind the password gate, driven through the real
// window in both languages: the password by the button and by Enter, wrong
// passwords refused, the ways to cancel, the advanced dialog applying its
// copies only through its OK button, and the settings taking effect in the
// send path and the receive pane.
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "dialogs/advance_dlg.h"
#include "dialogs/gbk_string.h"
#include "dialogs/pwd_dlg.h"
#include "serial/com_port.h"
#include "sim/virtual_module.h"
#include "terminal/test_prompts.h"
#include "terminal/test_window.h"
#include "terminal/zephyn_dlg.h"

using namespace zephyn;

Q_DECLARE_METATYPE(zephyn::Language)

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

template <typename T>
QWidget* Child(T* dialog, int id) {
  return dialog->template findChild<QWidget*>(QString::number(id));
}

void Click(QWidget* button) {
  QTest::mouseClick(qobject_cast<QAbstractButton*>(button), Qt::LeftButton);
}

void TypeInto(QWidget* edit, const QString& text) {
  edit->setFocus();
  qobject_cast<QLineEdit*>(edit)->clear();
  QTest::keyClicks(edit, text);
}

}  // namespace

class AdvancedSettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_scope = std::make_unique<QObject>();
    m_prompts.boxes.clear();
    m_module = std::make_unique<VirtualModule>(115200);
    QVERIFY(m_module->ok());
  }

  void cleanup() {
    m_scope.reset();
    m_dlg.reset();
    m_module.reset();
    if (g_comPort.IsOpen()) g_comPort.Close();
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
      QCOMPARE(d->controls().text(1134),
               zh ? QStringLiteral("密码:") : QStringLiteral("Password:"));
      QCOMPARE(qobject_cast<QLineEdit*>(Child(d, 1133))->echoMode(), QLineEdit::Password);
      QCOMPARE(Child(d, 1133)->accessibleName(),
               zh ? QStringLiteral("密码") : QStringLiteral("Password"));
      WhenShown<CAdvanceDlg>(m_scope.get(), [&](CAdvanceDlg* a) {
        settingsShown = true;
        QCOMPARE(a->windowTitle(),
                 zh ? QStringLiteral("高级设置") : QStringLiteral("Advanced settings"));
        Click(Child(a, 1130));
      });
      TypeInto(Child(d, 1133), kPassword);
      if (byEnter) {
        QTest::keyClick(Child(d, 1133), Qt::Key_Return);
      } else {
        Click(Child(d, 1131));
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
      TypeInto(Child(d, 1133), typed);
      if (byEnter) {
        QTest::keyClick(Child(d, 1133), Qt::Key_Return);
      } else {
        Click(Child(d, 1131));
      }
      // The dialog stays, with the text as typed, for another try.
      stayed = d->isVisible() && d->controls().text(1133) == typed;
      Click(Child(d, 1132));
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
      TypeInto(Child(d, 1133), kPassword);  // even the right one, not confirmed
      if (how == 0) Click(Child(d, 1132));
      if (how == 1) QTest::keyClick(Child(d, 1133), Qt::Key_Escape);
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
      shownInterval = a->controls().text(1128);
      shownMulti = a->controls().checked(1129);
      shownUtf8 = a->controls().checked(1135);
      TypeInto(Child(a, 1128), QStringLiteral("abc"));  // any text is taken
      Click(Child(a, 1129));
      Click(Child(a, 1135));
      if (how == 0) Click(Child(a, 1127));
      if (how == 1) QTest::keyClick(Child(a, 1128), Qt::Key_Return);
      if (how == 2) {
        Child(a, 1135)->setFocus();
        QTest::keyClick(Child(a, 1135), Qt::Key_Return);
      }
      if (how == 3) Click(Child(a, 1130));
      if (how == 4) QTest::keyClick(Child(a, 1129), Qt::Key_Escape);
      QVERIFY(!a->isVisible());  // every way closes it
    };
    auto gate = [&](std::function<void(CAdvanceDlg*)> then) {
      WhenShown<CPwdDlg>(m_scope.get(), [&, then](CPwdDlg* d) {
        ++passwordsAsked;
        WhenShown<CAdvanceDlg>(m_scope.get(), then);
        TypeInto(Child(d, 1133), kPassword);
        Click(Child(d, 1131));
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
      shownInterval = a->controls().text(1128);
      shownMulti = a->controls().checked(1129);
      Click(Child(a, 1130));
    });
    ClickAdvanced();
    QCOMPARE(passwordsAsked, 2);
    QCOMPARE(shownInterval, QString::fromStdString(now.instructionDelay));
    QCOMPARE(shownMulti, applied);
  }

  void appliedSettingsChangeSendingAndThePane() {
    StartWindow(Language::EnUS);
    Controls& c = m_dlg->controls();
    OpenPort(*m_dlg);

    // Multi-instruction mode with an interval that is no number (0 ms), and
    // the UTF-8 view.
    WhenShown<CPwdDlg>(m_scope.get(), [&](CPwdDlg* d) {
      WhenShown<CAdvanceDlg>(m_scope.get(), [&](CAdvanceDlg* a) {
        TypeInto(Child(a, 1128), QStringLiteral("x"));
        Click(Child(a, 1129));
        Click(Child(a, 1135));
        Click(Child(a, 1127));
      });
      TypeInto(Child(d, 1133), kPassword);
      QTest::keyClick(Child(d, 1133), Qt::Key_Enter);
    });
    ClickAdvanced();

    // Each instruction goes out on its own, the second released by the
    // module's "OK" to the first.
    c.setText(10000, QStringLiteral("AT+NAME\nAT+VER"));
    Click(Child(m_dlg.get(), 10001));
    const std::string both = "AT+NAME\r\nAT+VER\r\n";
    QTRY_COMPARE(Received(*m_module), both);
    QTRY_VERIFY(c.text(1049).endsWith(QStringLiteral("+VER=V2.1\r\nOK\r\n")));

    // Received bytes are read as UTF-8.
    Click(Child(m_dlg.get(), 1010));
    QVERIFY(m_module->send({0xE4, 0xB8, 0xAD}));  // "中" in UTF-8
    QTRY_COMPARE(c.text(1049), QStringLiteral("中"));
  }

 private:
  void StartWindow(Language language) {
    SetLanguage(language);
    m_language = language;
    m_dlg = zephyn::StartWindow(language, TestOptions({m_module->path()}, m_data.path()));
  }

  // The Chinese window's advanced-settings button, or the English window's
  // "Developer option" in its place. Returns once the dialogs have closed.
  void ClickAdvanced() {
    const int id = m_language == Language::ZhCN ? 1125 : 10016;
    Click(Child(m_dlg.get(), id));
  }

  RecordingPrompts m_prompts;
  std::unique_ptr<QObject> m_scope;  // the test's dialog watches
  QTemporaryDir m_data;
  Language m_language = Language::EnUS;
  std::unique_ptr<VirtualModule> m_module;
  std::unique_ptr<CZephynDlg> m_dlg;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(AdvancedSettingsTest)
#include "advanced_settings_test.moc"
