// The settings file through the real window: what the user chose survives a
// close and a new start, which reopens the port by itself; a file that
// cannot be written is reported and the window closes all the same.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "dialogs/gbk_string.h"
#include "panels/more_str_send.h"
#include "serial/com_port.h"
#include "sim/virtual_module.h"
#include "terminal/test_prompts.h"
#include "terminal/test_window.h"
#include "terminal/zephyn_dlg.h"

using namespace zephyn;

class SettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    SetLanguage(Language::EnUS);
    m_prompts.boxes.clear();
    m_module = std::make_unique<VirtualModule>(115200);
    QVERIFY(m_module->ok());
  }

  void cleanup() {
    m_module.reset();
    if (g_comPort.IsOpen()) g_comPort.Close();
  }

  void choicesSurviveARestartAndThePortReopens() {
    const QString path = m_folder.filePath(QStringLiteral("ZephynData.ini"));
    {
      auto dlg = Start(path);
      QCOMPARE(dlg->controls().text(1053), Text(0));  // no file yet: nothing opened
      Controls& c = dlg->controls();
      Controls& page = dlg->moreStrSend()->controls();
      c.setChecked(1047, true);
      c.setChecked(1045, true);
      c.setChecked(1106, true);
      c.setText(1011, QStringLiteral("500"));
      c.setText(1007, QStringLiteral("9600"));
      c.setCurSel(1007, 1);
      c.setText(10000, QStringLiteral("AT+NAME\n//not a comment\nsendData:x"));
      page.setText(1072, QStringLiteral("300"));
      page.setText(20003, QStringLiteral("a//b 100% 中文"));
      page.setText(20120, QStringLiteral("MS1:last"));
      page.setChecked(21005, true);
      page.setChecked(1094, true);
      dlg->SetAdvancedSettings({true, "250", true});
      QVERIFY(dlg->close());
      QCOMPARE(dlg->closingRuns(), 1);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // 512 lines, and the two inner line breaks of the input box.
    QCOMPARE(file.readAll().count("\r\n"), 512 + 2);
    file.close();

    m_module->setBaudRate(9600);
    auto dlg = Start(path);
    Controls& c = dlg->controls();
    Controls& page = dlg->moreStrSend()->controls();
    QTRY_COMPARE(c.text(1053), Text(1));
    QCOMPARE(m_module->terminalRate(), 9600u);
    QCOMPARE(c.text(1006), QString::fromStdString(m_module->path()));
    QCOMPARE(c.curSel(1008), 0);  // "Have" is the English list's first entry: no flow control
    QVERIFY(c.checked(1047));
    QVERIFY(c.checked(1045));
    QVERIFY(c.checked(1106));
    QVERIFY(!c.checked(10003));  // timed send never starts by itself
    QCOMPARE(c.text(1011), QStringLiteral("500"));
    QCOMPARE(c.text(10000), QStringLiteral("AT+NAME\n//not a comment\nsendData:x"));
    QCOMPARE(page.text(1072), QStringLiteral("300"));
    QCOMPARE(page.text(20003), QStringLiteral("a//b 100% 中文"));
    QCOMPARE(page.text(20120), QStringLiteral("MS1:last"));
    QVERIFY(page.checked(21005));
    QVERIFY(!page.checked(21004));
    QVERIFY(page.checked(1094));
    const AdvancedSettings advanced = dlg->advancedSettings();
    QVERIFY(advanced.multiInstruction);
    QCOMPARE(advanced.instructionDelay, std::string("250"));
    QVERIFY(advanced.utf8);
  }

  void anUnwritableFileIsReportedAndTheWindowCloses() {
    const QString path = m_folder.filePath(QStringLiteral("missing/ZephynData.ini"));
    auto dlg = Start(path);
    QVERIFY(dlg->close());
    QCOMPARE(dlg->closingRuns(), 1);
    QVERIFY(!dlg->isVisible());
    QVERIFY(!dlg->threadsRunning());
    QCOMPARE(m_prompts.boxes.size(), 1);
    QVERIFY2(m_prompts.boxes[0].text.contains(path), qPrintable(m_prompts.boxes[0].text));
    QVERIFY(m_prompts.boxes[0].text.contains(QStringLiteral("No such file")));
  }

 private:
  std::unique_ptr<CZephynDlg> Start(const QString& settingsPath) {
    StartOptions options = TestOptions({m_module->path()}, m_folder.path());
    options.settingsPath = settingsPath.toStdString();
    return StartWindow(Language::EnUS, std::move(options));
  }

  RecordingPrompts m_prompts;
  QTemporaryDir m_folder;
  std::unique_ptr<VirtualModule> m_module;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(SettingsTest)
#include "settings_test.moc"
