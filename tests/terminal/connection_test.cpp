// Opening and closing the port from the window, with the virtual module on a
// pseudo-terminal: the button, the lists, the port watch following devices
// that come and go, and the message that says why an open failed.
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <memory>

#include "dialogs/gbk_string.h"
#include "dialogs/popup_combo_box.h"
#include "serial/com_port.h"
#include "sim/virtual_module.h"
#include "support/file_override.h"
#include "terminal/test_prompts.h"
#include "terminal/test_window.h"
#include "terminal/zephyn_dlg.h"

using namespace zephyn;

namespace {

// The port watch wakes every 100 ms in these tests (every 3 s in the
// program); conditions that need a pass get a generous deadline.
constexpr std::chrono::milliseconds kWatchPeriod{100};
constexpr int kWatchMs = 8000;

}  // namespace

class ConnectionTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    SetLanguage(Language::EnUS);
    m_prompts.boxes.clear();
    m_prompts.whileOpen = nullptr;
    m_sysfs = std::make_unique<QTemporaryDir>();
    m_module = std::make_unique<VirtualModule>(115200);
    QVERIFY(m_module->ok());
  }

  void cleanup() {
    m_dlg.reset();
    m_module.reset();
    if (g_comPort.IsOpen()) g_comPort.Close();
  }

  void buttonOpensAndClosesThePort() {
    Open({m_module->path()});
    Controls& c = m_dlg->controls();
    QCOMPARE(m_module->terminalRate(), 115200u);
    QVERIFY(c.enabled(10001));
    QVERIFY(c.visible(1067));
    QVERIFY(!c.visible(1096));

    Click(1053);
    QTRY_COMPARE(c.text(1053), Text(0));
    QTRY_VERIFY(!g_comPort.IsOpen());
    QVERIFY(!c.enabled(10001));
    QVERIFY(!c.visible(1067));
    QVERIFY(c.enabled(1006));
    QVERIFY(c.enabled(1053));
  }

  void changingRateOrFlowReopens() {
    Open({m_module->path()});
    auto* rates = m_dlg->findChild<QComboBox*>(QStringLiteral("1007"));
    Choose(rates, 1);  // 9600
    QTRY_COMPARE(m_module->terminalRate(), 9600u);
    QTRY_COMPARE(m_dlg->controls().text(1053), Text(1));

    // A rate typed into the box is taken when the flow control changes.
    rates->setEditText(QStringLiteral("250000"));
    Choose(m_dlg->findChild<QComboBox*>(QStringLiteral("1008")), 1);
    QTRY_COMPARE(m_module->terminalRate(), 250000u);
    QTRY_VERIFY(g_comPort.IsOpen());
    QCOMPARE(m_dlg->controls().text(1053), Text(1));

    // A rate that is no number opens nothing: the port ends closed.
    rates->setEditText(QStringLiteral("fast"));
    Choose(m_dlg->findChild<QComboBox*>(QStringLiteral("1008")), 0);
    QTRY_COMPARE(m_dlg->controls().text(1053), Text(0));
    QVERIFY(!g_comPort.IsOpen());
  }

  void eachFailedOpenSaysWhyOnce() {
    // Devices a user may name that are no serial port, one in use, one that
    // is listed but gone, and rates that are no rate.
    QTemporaryDir junk;
    const QString file = junk.filePath(QStringLiteral("file"));
    const QString fifo = junk.filePath(QStringLiteral("fifo"));
    QFile(file).open(QIODevice::WriteOnly);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(QDir().mkpath(m_sysfs->filePath(QStringLiteral("ttyZephynGone7/device/driver"))));
    const QString module = QString::fromStdString(m_module->path());
    StartWindow({m_module->path(), "/dev/null", file.toStdString(), fifo.toStdString(),
                 junk.path().toStdString()});
    CComPort holder;  // another program that has the module
    QVERIFY(holder.Open(m_module->path(), 115200, 0, 8, 0, 0));

    struct Case {
      int port;  // position in the list
      QString rate;
      QString text;
    };
    auto said = [](std::uint16_t id, const QString& path) { return Text(id).arg(path); };
    const Case cases[] = {
        {0, QStringLiteral("115200"), said(TextId::kOpenBusy, module)},
        {1, QStringLiteral("115200"), said(TextId::kOpenNotSerial, QStringLiteral("/dev/null"))},
        {2, QStringLiteral("115200"), said(TextId::kOpenNotSerial, file)},
        {3, QStringLiteral("115200"), said(TextId::kOpenNotSerial, fifo)},
        {4, QStringLiteral("115200"), said(TextId::kOpenNotSerial, junk.path())},
        {5, QStringLiteral("115200"),
         said(TextId::kOpenNoDevice, QStringLiteral("/dev/ttyZephynGone7"))},
        {0, QStringLiteral("0"), said(TextId::kOpenRateInvalid, module).arg(QStringLiteral("0"))},
        {0, QStringLiteral("abc"),
         said(TextId::kOpenRateInvalid, module).arg(QStringLiteral("abc"))},
        {0, QString(), said(TextId::kOpenRateInvalid, module).arg(QString())},
        {0, QStringLiteral("-5"), said(TextId::kOpenRateInvalid, module).arg(QStringLiteral("-5"))},
        {0, QStringLiteral("99999999999"),
         said(TextId::kOpenRateInvalid, module).arg(QStringLiteral("99999999999"))},
    };
    auto* ports = m_dlg->findChild<QComboBox*>(QStringLiteral("1006"));
    auto* rates = m_dlg->findChild<QComboBox*>(QStringLiteral("1007"));
    QCOMPARE(ports->count(), 6);
    for (const Case& c : cases) {
      const qsizetype before = m_prompts.boxes.size();
      rates->setEditText(c.rate);
      Choose(ports, c.port);  // every choice is an attempt to open
      QTRY_COMPARE(m_prompts.boxes.size(), before + 1);
      QTRY_VERIFY(m_dlg->connectionIdle());
      QCOMPARE(m_prompts.boxes.last().text, c.text);
      QCOMPARE(m_dlg->controls().text(1053), Text(0));
      QVERIFY(!g_comPort.IsOpen());
    }
    QCOMPARE(m_prompts.boxes.size(), qsizetype(std::size(cases)));  // once per attempt
    // The rate typed right opens once the device is free again.
    holder.Close();
    rates->setEditText(QStringLiteral("115200"));
    Click(1053);
    QTRY_COMPARE(m_dlg->controls().text(1053), Text(1));
    QCOMPARE(m_prompts.boxes.size(), qsizetype(std::size(cases)));
  }

  void unpluggedPortClosesAndIsReported() {
    Open({m_module->path()});
    const QString name = QString::fromStdString(m_module->path());
    Controls& c = m_dlg->controls();
    auto* button = m_dlg->findChild<QAbstractButton*>(QStringLiteral("1053"));
    bool liveBehindTheBox = false;
    int selectionWhileOpen = 0;
    m_prompts.whileOpen = [&] {
      // The box stays open a while: the window goes on behind it (the close
      // reaches the button), and the steps after the box wait for it while
      // the watch goes on.
      liveBehindTheBox = QTest::qWaitFor(
          [&] { return button->text() == Text(0) && !g_comPort.IsOpen(); }, kWatchMs);
      const int rounds = m_dlg->portWatchRounds();
      if (QTest::qWaitFor([&] { return m_dlg->portWatchRounds() >= rounds + 3; }, kWatchMs))
        selectionWhileOpen = c.curSel(1006);
    };
    m_module->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(m_prompts.boxes.size() == 1, kWatchMs);
    QVERIFY(liveBehindTheBox);
    QCOMPARE(selectionWhileOpen, -1);  // the gone device's entry left, nothing chosen yet
    QCOMPARE(m_prompts.boxes[0].text, QStringLiteral("COM %1 Disconnect").arg(name));
    QCOMPARE(m_prompts.boxes[0].caption, QStringLiteral("Failed"));

    // After the box: nothing is left to choose, and the controls that need a
    // port are off, whatever order the close and the watch ran in.
    QTRY_COMPARE(c.text(1006), Text(4));
    QTRY_VERIFY(m_dlg->connectionIdle());
    QCOMPARE(c.text(1053), Text(0));
    QVERIFY(!g_comPort.IsOpen());
    for (int id : {1053, 1007, 1008, 1009, 10001})
      QVERIFY2(!c.enabled(id), qPrintable(QString::number(id)));
    QTRY_VERIFY(!button->isEnabled());  // the widget is drawn after the mirror
  }

  void portThatAppearsIsListedAndSelected() {
    // The system's list is a fake sysfs tree that gains a USB adapter.
    StartWindow({});
    Controls& c = m_dlg->controls();
    QCOMPARE(c.text(1006), Text(4));
    QVERIFY(!c.enabled(1053));
    const QString entry = m_sysfs->filePath(QStringLiteral("ttyUSB0"));
    QVERIFY(QDir().mkpath(entry + QStringLiteral("/device/driver")));
    QTRY_COMPARE_WITH_TIMEOUT(c.text(1006), QStringLiteral("ttyUSB0"), kWatchMs);
    QCOMPARE(c.count(1006), 1);
    QCOMPARE(c.curSel(1006), 0);
    for (int id : {1053, 1007, 1008, 1009}) QVERIFY(c.enabled(id));
    QVERIFY(m_prompts.boxes.isEmpty());
  }

  void droppedDownListWaitsUntilItClosesUp() {
    StartWindow({});
    Controls& c = m_dlg->controls();
    auto* ports = m_dlg->findChild<PopupComboBox*>(QStringLiteral("1006"));
    emit ports->droppedDown();
    QVERIFY(QDir().mkpath(m_sysfs->filePath(QStringLiteral("ttyACM0/device/driver"))));
    const int rounds = m_dlg->portWatchRounds();
    QTRY_VERIFY_WITH_TIMEOUT(m_dlg->portWatchRounds() >= rounds + 3, kWatchMs);
    QCOMPARE(c.text(1006), Text(4));
    emit ports->closedUp();
    QTRY_COMPARE_WITH_TIMEOUT(c.text(1006), QStringLiteral("ttyACM0"), kWatchMs);
  }

  void deviceWithoutPermissionIsExplainedAtEachAttempt_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("groupMayOpen");
    QTest::newRow("its group may open it") << 0660 << true;
    QTest::newRow("only its owner may") << 0600 << false;
  }
  void deviceWithoutPermissionIsExplainedAtEachAttempt() {
    if (geteuid() != 0) QSKIP("needs root to take a permission away and give it back");
    QFETCH(int, mode);
    QFETCH(bool, groupMayOpen);
    // A device that belongs to somebody else, opened without the override
    // that root normally has.
    const std::string path = m_module->path();
    QCOMPARE(::chown(path.c_str(), 65534, 65534), 0);
    QCOMPARE(::chmod(path.c_str(), mode_t(mode)), 0);
    StartWindow({path});
    QVERIFY(SetFileOverride(false));
    Click(1053);  // the worker inherits the reduced rights
    QTRY_COMPARE(m_prompts.boxes.size(), 1);
    Click(1053);
    QTRY_COMPARE(m_prompts.boxes.size(), 2);  // once per attempt
    QTRY_VERIFY(m_dlg->connectionIdle());
    QVERIFY(SetFileOverride(true));
    QCOMPARE(m_prompts.boxes.size(), 2);
    QCOMPARE(m_dlg->controls().text(1053), Text(0));
    const QString text = m_prompts.boxes[0].text;
    QVERIFY2(text.contains(QString::fromStdString(path)), qPrintable(text));
    const QString group = QString::fromStdString(DeviceGroup(path));
    QVERIFY(!group.isEmpty());
    // A group is named only when joining it lets the user in; otherwise the
    // box says how to give the device a group.
    QVERIFY2(text.contains(QStringLiteral("\"%1\"").arg(group)) == groupMayOpen, qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("allows only its owner")) == !groupMayOpen,
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("udev")) == !groupMayOpen, qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("log in again")));
  }

 private:
  // The window on `ports` and on the fake sysfs tree, watched every 100 ms.
  void StartWindow(std::vector<std::string> ports) {
    StartOptions options = TestOptions(std::move(ports), m_data.path());
    options.sysfsRoot = m_sysfs->path().toStdString();
    options.portWatchPeriod = kWatchPeriod;
    m_dlg = zephyn::StartWindow(Language::EnUS, std::move(options));
  }

  void Open(std::vector<std::string> ports) {
    StartWindow(std::move(ports));
    OpenPort(*m_dlg);
    QVERIFY(g_comPort.IsOpen());
  }

  void Click(int id) { zephyn::Click(*m_dlg, id); }

  RecordingPrompts m_prompts;
  QTemporaryDir m_data;
  std::unique_ptr<QTemporaryDir> m_sysfs;
  std::unique_ptr<VirtualModule> m_module;
  std::unique_ptr<CZephynDlg> m_dlg;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(ConnectionTest)
#include "connection_test.moc"
