// The settings file through the real window: what the user chose survives a
// close and a new start, which reopens the port by itself; a file that
// cannot be written is reported and the window closes all the same.
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "dialogs/gbk_string.h"
#include "panels/more_str_send.h"
#include "serial/com_port.h"
#include "sim/virtual_module.h"
#include "storage/settings_file.h"
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

  void hexInputFromTheFileKeepsOnlyHexAndNothingRuns() {
    // A file edited by hand: hex mode with an input no key could have typed,
    // and a row marked hex whose text is not. Loading shows the choices and
    // runs none of the boxes' handling: the row is not converted.
    std::vector<std::string> values(SettingIndex::kCount);
    values[SettingIndex::kPort] = m_module->path();
    values[SettingIndex::kBaud] = "115200";
    values[SettingIndex::kHexSend] = "1";
    values[SettingIndex::kFirstRowHex] = "1";
    values[SettingIndex::kFirstRowText] = "AB";
    values[SettingIndex::kInput] = "0x12 zz GG\r\n7";
    const QString path = m_folder.filePath(QStringLiteral("ZephynData.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const std::string bytes = WriteSettings(values);
    QCOMPARE(file.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
    file.close();

    auto dlg = Start(path);
    Controls& c = dlg->controls();
    QTRY_COMPARE(c.text(1053), Text(1));
    QVERIFY(c.checked(10002));
    QCOMPARE(c.text(10000), QStringLiteral("012  7"));
    QCOMPARE(dlg->findChild<QPlainTextEdit*>(QStringLiteral("10000"))->toPlainText(),
             QStringLiteral("012  7"));
    QVERIFY(dlg->moreStrSend()->controls().checked(21001));
    QCOMPARE(dlg->moreStrSend()->controls().text(20001), QStringLiteral("AB"));
    QTRY_VERIFY(dlg->findChild<QWidget*>(QStringLiteral("10001"))->isEnabled());
    Click(*dlg, 10001);
    QTRY_COMPARE(Received(*m_module), std::string("\x01\x27"));
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

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
