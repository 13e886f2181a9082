// The settings file through the real window: what the user chose survives a
// close and a new start, which reopens the saved port by itself and no other;
// a file that cannot be written, or that the user made read-only, is reported
// and the window closes all the same.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <memory>

#include "dialogs/gbk_string.h"
#include "panels/more_str_send.h"
#include "serial/com_port.h"
#include "storage/pane_options.h"
#include "storage/settings_file.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;
using StringsPageIds::kCycleInterval;
using StringsPageIds::kFirstHex;
using StringsPageIds::kFirstText;

namespace {

namespace Idx = SettingIndex;

// A settings file naming `port`, at `rate`, with the flow-control word
// `flow` (GBK); everything else empty.
void WriteSettingsFile(const QString& path, const QString& port, const QString& rate,
                       const std::string& flow = "No") {
  std::vector<std::string> values(Idx::kCount);
  values[Idx::kPort] = ToGbk(port);
  values[Idx::kBaud] = ToGbk(rate);
  values[Idx::kFlow] = flow;
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  const std::string bytes = WriteSettings(values);
  QCOMPARE(file.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
}

QString SavedPort(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("<no file>");
  const QByteArray bytes = file.readAll();
  const auto port = SettingsReader(std::string_view(bytes.constData(), std::size_t(bytes.size())))
                        .Value(Idx::kPort);
  return port ? FromGbk(*port) : QStringLiteral("<no port>");
}

// Waits until the connection worker is done and everything it left for the
// window's thread has run, a box included.
void Settle(CZephynDlg& dlg) {
  QTRY_VERIFY(dlg.connectionIdle());
  bool reached = false;
  dlg.controls().post([&reached] { reached = true; });
  QTRY_VERIFY(reached);
}

// What the receive pane shows.
QString PaneText(CZephynDlg& dlg) {
  return dlg.findChild<QPlainTextEdit*>(QString::number(kReceivePane))->toPlainText();
}

}  // namespace

class SettingsTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    QVERIFY(NewModule());
  }

  void cleanup() {
    TearDownWindow();
    m_b.reset();
  }

  void choicesSurviveARestartAndThePortReopens() {
    const QString path = m_data->filePath(QStringLiteral("ZephynData.ini"));
    {
      auto dlg = Start(path);
      QCOMPARE(dlg->controls().text(kOpenClose),
               Text(TextId::kOpenCaption));  // no file yet: nothing opened
      Controls& c = dlg->controls();
      Controls& page = dlg->moreStrSend()->controls();
      c.setChecked(kHexView, true);
      c.setChecked(kEcho, true);
      c.setChecked(kNewLine, true);
      c.setText(kInterval, QStringLiteral("500"));
      c.setText(kBaudRate, QStringLiteral("9600"));
      c.setCurSel(kBaudRate, 1);
      c.setText(kInput, QStringLiteral("AT+NAME\n//not a comment\nsendData:x"));
      page.setText(kCycleInterval, QStringLiteral("300"));
      page.setText(kFirstText + 2, QStringLiteral("a//b 100% 中文"));
      page.setText(kFirstText + 119, QStringLiteral("MS1:last"));
      page.setChecked(kFirstHex + 4, true);
      page.setChecked(StringsPageIds::kNewLine, true);
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
    QTRY_COMPARE(c.text(kOpenClose), Text(TextId::kCloseCaption));
    QCOMPARE(m_module->terminalRate(), 9600u);
    QCOMPARE(c.text(kPortList), QString::fromStdString(m_module->path()));
    QCOMPARE(c.curSel(kFlowControl),
             0);  // "Have" is the English list's first entry: no flow control
    QVERIFY(c.checked(kHexView));
    QVERIFY(c.checked(kEcho));
    QVERIFY(c.checked(kNewLine));
    QVERIFY(!c.checked(kTiming));  // timed send never starts by itself
    QCOMPARE(c.text(kInterval), QStringLiteral("500"));
    QCOMPARE(c.text(kInput), QStringLiteral("AT+NAME\n//not a comment\nsendData:x"));
    QCOMPARE(page.text(kCycleInterval), QStringLiteral("300"));
    QCOMPARE(page.text(kFirstText + 2), QStringLiteral("a//b 100% 中文"));
    QCOMPARE(page.text(kFirstText + 119), QStringLiteral("MS1:last"));
    QVERIFY(page.checked(kFirstHex + 4));
    QVERIFY(!page.checked(kFirstHex + 3));
    QVERIFY(page.checked(StringsPageIds::kNewLine));
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
    const QString path = m_data->filePath(QStringLiteral("ZephynData.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const std::string bytes = WriteSettings(values);
    QCOMPARE(file.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
    file.close();

    auto dlg = Start(path);
    Controls& c = dlg->controls();
    QTRY_COMPARE(c.text(kOpenClose), Text(TextId::kCloseCaption));
    QVERIFY(c.checked(kHexInput));
    QCOMPARE(c.text(kInput), QStringLiteral("012  7"));
    QCOMPARE(Widget<QPlainTextEdit>(*dlg, kInput)->toPlainText(), QStringLiteral("012  7"));
    QVERIFY(dlg->moreStrSend()->controls().checked(kFirstHex));
    QCOMPARE(dlg->moreStrSend()->controls().text(kFirstText), QStringLiteral("AB"));
    QTRY_VERIFY(Widget(*dlg, kSend)->isEnabled());
    Click(*dlg, kSend);
    QTRY_COMPARE(Received(*m_module), std::string("\x01\x27"));
  }

  void onlyTheSavedPortOpensAndOnlyWhileListed() {
    // The run ends on A; the next run lists B first and shows A open.
    const QString a = ModuleA();
    QVERIFY(TwoModulesSaving(a));
    {
      auto dlg = Start(m_settings, {m_b->path(), m_module->path()});
      QTRY_COMPARE(dlg->controls().text(kOpenClose), Text(TextId::kCloseCaption));
      QCOMPARE(dlg->controls().text(kPortList), a);
      QVERIFY(dlg->close());
    }
    QCOMPARE(SavedPort(m_settings), a);

    // A run that lists only B while A is still there opens nothing. The pane
    // says why, and the file goes on naming A.
    auto dlg = Start(m_settings, {m_b->path()});
    Controls& c = dlg->controls();
    Settle(*dlg);
    QCOMPARE(c.text(kOpenClose), Text(TextId::kOpenCaption));
    QCOMPARE(c.text(kPortList), QString::fromStdString(m_b->path()));
    QVERIFY(m_prompts.boxes.isEmpty());
    const QString line = QStringLiteral("[the saved port %1 is not present]").arg(a);
    QTRY_VERIFY2(PaneText(*dlg).split(QLatin1Char('\n')).contains(line),
                 qPrintable(PaneText(*dlg)));
    QVERIFY(dlg->close());
    QCOMPARE(SavedPort(m_settings), a);
  }

  void aPortLostWhenTheRunEndsIsStillTheSavedOne() {
    QVERIFY(TwoModulesSaving(ModuleA()));
    auto dlg = Start(m_settings, {m_b->path(), m_module->path()});
    QTRY_COMPARE(dlg->controls().text(kOpenClose), Text(TextId::kCloseCaption));
    m_module->unplug();
    // The box comes from the watch pass that found the device gone.
    QTRY_VERIFY_WITH_TIMEOUT(m_prompts.boxes.size() == 1, kWatchMs);
    QTRY_VERIFY(dlg->connectionIdle());
    QVERIFY(dlg->close());
    QCOMPARE(SavedPort(m_settings), ModuleA());
  }

  void anAbsentSavedPortOpensWhenItAppearsWithReopenOn() {
    // The port by a path of its own that does not exist yet, as a
    // /dev/serial/by-id link of a module not plugged in.
    const std::string link = m_data->filePath(QStringLiteral("by-id-module")).toStdString();
    QVERIFY(TwoModulesSaving(QString::fromStdString(link)));
    QFile pane(QString::fromStdString(PaneOptionsPath(m_settings.toStdString())));
    QVERIFY(pane.open(QIODevice::WriteOnly));
    pane.write(QByteArray::fromStdString(WritePaneOptions({false, true, false})));
    pane.close();

    auto dlg = Start(m_settings, {m_b->path(), link});
    const QString missing =
        QStringLiteral("[the saved port %1 is not present; it opens when it appears]")
            .arg(QString::fromStdString(link));
    QTRY_VERIFY(PaneText(*dlg).contains(missing));
    QTRY_VERIFY(dlg->connectionIdle());
    QCOMPARE(dlg->controls().text(kOpenClose), Text(TextId::kOpenCaption));

    QCOMPARE(::symlink(m_module->path().c_str(), link.c_str()), 0);
    QTRY_COMPARE_WITH_TIMEOUT(dlg->controls().text(kOpenClose), Text(TextId::kCloseCaption),
                              kWatchMs);
    QCOMPARE(dlg->controls().text(kPortList), QString::fromStdString(link));
    QTRY_VERIFY(PaneText(*dlg).contains(QStringLiteral(" appeared, opened ")));
    QVERIFY(m_prompts.boxes.isEmpty());
    dlg.reset();
    ::unlink(link.c_str());
  }

  void startUpOpenThatFailsShowsNoBox() {
    // An empty rate (a baud detection that found none) opens nothing and
    // says nothing; a device another program holds is named in the pane
    // with the reason. Neither puts up a box nobody asked for.
    const QString path = m_data->filePath(QStringLiteral("ZephynData.ini"));
    const QString a = QString::fromStdString(m_module->path());
    CComPort holder;
    struct Case {
      QString rate;
      bool busy;
      std::vector<QString> notes;
    };
    const Case cases[] = {
        {QString(), false, {}},
        {QStringLiteral("115200"),
         true,
         {QStringLiteral("[%1]").arg(Text(TextId::kOpenBusy).arg(a))}},
    };
    for (const Case& k : cases) {
      WriteSettingsFile(path, a, k.rate);
      if (k.busy) QVERIFY(holder.Open(m_module->path(), 115200, 0, 8, 0, 0));
      auto dlg = Start(path, {m_module->path()});
      Settle(*dlg);
      QVERIFY2(m_prompts.boxes.isEmpty(), qPrintable(m_prompts.boxes.value(0).text));
      QCOMPARE(dlg->controls().text(kOpenClose), Text(TextId::kOpenCaption));
      QCOMPARE(dlg->paneNotes(), k.notes);
      for (const QString& note : k.notes) QTRY_VERIFY(PaneText(*dlg).contains(note));
      holder.Close();
    }
  }

  void flowControlWordReadsTheSameInBothLanguages_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("entry");  // 0: no flow control, 1: CTS
    for (Language language : {Language::ZhCN, Language::EnUS}) {
      const char* reader = language == Language::ZhCN ? "Chinese run" : "English run";
      QTest::addRow("%s, 无", reader) << language << QStringLiteral("无") << 0;
      QTest::addRow("%s, 有", reader) << language << QStringLiteral("有") << 1;
      QTest::addRow("%s, Have", reader) << language << QStringLiteral("Have") << 0;
      QTest::addRow("%s, No", reader) << language << QStringLiteral("No") << 1;
    }
  }

  void flowControlWordReadsTheSameInBothLanguages() {
    QFETCH(Language, language);
    QFETCH(QString, word);
    QFETCH(int, entry);
    const QString path = m_data->filePath(QStringLiteral("ZephynData.ini"));
    WriteSettingsFile(path, QString(), QStringLiteral("115200"), ToGbk(word));
    auto dlg = Start(path, {m_module->path()}, language);
    QCOMPARE(dlg->controls().curSel(kFlowControl), entry);
  }

  void anUnwritableFileIsReportedAndTheWindowCloses() {
    const QString path = m_data->filePath(QStringLiteral("missing/ZephynData.ini"));
    auto dlg = Start(path);
    QVERIFY(dlg->close());
    QCOMPARE(dlg->closingRuns(), 1);
    QVERIFY(!dlg->isVisible());
    QVERIFY(!dlg->threadsRunning());
    QCOMPARE(m_prompts.boxes.size(), 1);
    QVERIFY2(m_prompts.boxes[0].text.contains(path), qPrintable(m_prompts.boxes[0].text));
    QVERIFY(m_prompts.boxes[0].text.contains(QStringLiteral("No such file")));
  }

  void aReadOnlyFileIsLeftAloneAndTheCloseSaysWhy() {
    const QString path = m_data->filePath(QStringLiteral("ro/ZephynData.ini"));
    QVERIFY(QDir().mkpath(m_data->filePath(QStringLiteral("ro"))));
    {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("kept as it is\r\n");
    }
    QVERIFY(QFile::setPermissions(
        path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    auto dlg = Start(path);
    QVERIFY(dlg->close());
    QCOMPARE(dlg->closingRuns(), 1);
    QCOMPARE(m_prompts.boxes.size(), 1);
    const QString text = m_prompts.boxes[0].text;
    QVERIFY2(text.contains(path), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("read-only")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("not kept")), qPrintable(text));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("kept as it is\r\n"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0444));
  }

 private:
  QString ModuleA() const { return QString::fromStdString(m_module->path()); }

  // The runs that choose between two modules: A (the fixture's) and a second
  // one, B, both at 115200, with the settings file (m_settings) naming
  // `saved` at that rate.
  [[nodiscard]] bool TwoModulesSaving(const QString& saved) {
    m_b = std::make_unique<VirtualModule>(115200);
    m_settings = m_data->filePath(QStringLiteral("ZephynData.ini"));
    WriteSettingsFile(m_settings, saved, QStringLiteral("115200"));
    return m_b->ok() && !QTest::currentTestFailed();
  }

  std::unique_ptr<CZephynDlg> Start(const QString& settingsPath) {
    return Start(settingsPath, {m_module->path()});
  }

  // The window on `ports` only, watched every kWatchPeriod. The test holds
  // it, and may start the next run after it.
  std::unique_ptr<CZephynDlg> Start(const QString& settingsPath, std::vector<std::string> ports,
                                    Language language = Language::EnUS) {
    StartOptions options = WatchedOptions(std::move(ports));
    options.settingsPath = settingsPath.toStdString();
    SetLanguage(language);
    return StartWindow(language, std::move(options));
  }

  std::unique_ptr<VirtualModule> m_b;
  QString m_settings;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(SettingsTest)
#include "settings_test.moc"
