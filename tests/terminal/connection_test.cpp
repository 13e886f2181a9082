// Opening and closing the port from the window, with the virtual module on a
// pseudo-terminal: the button, the lists, the port watch following devices
// that come and go, and the message that says why an open failed.
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QTest>
#include <memory>

#include "dialogs/gbk_string.h"
#include "dialogs/popup_combo_box.h"
#include "serial/com_port.h"
#include "support/file_override.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;

// The port watch runs on a fake sysfs tree, every kWatchPeriod.
class ConnectionTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    QVERIFY(NewModule());
  }

  void cleanup() { TearDownWindow(); }

  void buttonOpensAndClosesThePort() {
    Start(WatchedOptions({m_module->path()}));
    OpenPort();
    Controls& c = m_dlg->controls();
    QCOMPARE(m_module->terminalRate(), 115200u);
    QVERIFY(c.enabled(kSend));
    QVERIFY(c.visible(kTabs));
    QVERIFY(!c.visible(kTabsPlaceholder));

    Click(kOpenClose);
    QTRY_COMPARE(c.text(kOpenClose), Text(TextId::kOpenCaption));
    QTRY_VERIFY(!PortOpen());
    QTRY_VERIFY(m_dlg->connectionIdle());
    QVERIFY(!c.enabled(kSend));
    QVERIFY(!c.visible(kTabs));
    QVERIFY(c.enabled(kPortList));
    QVERIFY(c.enabled(kOpenClose));
  }

  void changingRateOrFlowReopens() {
    Start(WatchedOptions({m_module->path()}));
    OpenPort();
    auto* rates = Widget<QComboBox>(*m_dlg, kBaudRate);
    Choose(rates, 1);  // 9600
    QTRY_COMPARE(m_module->terminalRate(), 9600u);
    QTRY_COMPARE(m_dlg->controls().text(kOpenClose), Text(TextId::kCloseCaption));

    // A rate typed into the box is taken when the flow control changes.
    rates->setEditText(QStringLiteral("250000"));
    Choose(Widget<QComboBox>(*m_dlg, kFlowControl), 1);
    QTRY_COMPARE(m_module->terminalRate(), 250000u);
    QTRY_VERIFY(PortOpen());
    QTRY_COMPARE(m_dlg->controls().text(kOpenClose), Text(TextId::kCloseCaption));

    // A rate that is no number opens nothing: the port ends closed.
    rates->setEditText(QStringLiteral("fast"));
    Choose(Widget<QComboBox>(*m_dlg, kFlowControl), 0);
    QTRY_VERIFY(m_dlg->connectionIdle());
    QCOMPARE(m_dlg->controls().text(kOpenClose), Text(TextId::kOpenCaption));
    QVERIFY(!PortOpen());
  }

  void eachFailedOpenSaysWhyOnce() {
    // One attempt of each cause: a device in use, one that is no serial
    // port, one that is listed but gone, and rates that are no rate (each
    // kind of device and rate text is told apart in the session's tests).
    QVERIFY(QDir().mkpath(m_sysfs->filePath(QStringLiteral("ttyZephynGone7/device/driver"))));
    const QString module = QString::fromStdString(m_module->path());
    Start(WatchedOptions({m_module->path(), "/dev/null"}));
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
        {2, QStringLiteral("115200"),
         said(TextId::kOpenNoDevice, QStringLiteral("/dev/ttyZephynGone7"))},
        {0, QStringLiteral("0"), said(TextId::kOpenRateInvalid, module).arg(QStringLiteral("0"))},
        {0, QString(), said(TextId::kOpenRateInvalid, module).arg(QString())},
    };
    auto* ports = Widget<QComboBox>(*m_dlg, kPortList);
    auto* rates = Widget<QComboBox>(*m_dlg, kBaudRate);
    QCOMPARE(ports->count(), 3);
    for (const Case& c : cases) {
      const qsizetype before = m_prompts.boxes.size();
      rates->setEditText(c.rate);
      Choose(ports, c.port);  // every choice is an attempt to open
      QTRY_COMPARE(m_prompts.boxes.size(), before + 1);
      QTRY_VERIFY(m_dlg->connectionIdle());
      QCOMPARE(m_prompts.boxes.last().text, c.text);
      QCOMPARE(m_dlg->controls().text(kOpenClose), Text(TextId::kOpenCaption));
      QVERIFY(!PortOpen());
    }
    QCOMPARE(m_prompts.boxes.size(), qsizetype(std::size(cases)));  // once per attempt
    // The rate typed right opens once the device is free again.
    holder.Close();
    rates->setEditText(QStringLiteral("115200"));
    Click(kOpenClose);
    QTRY_COMPARE(m_dlg->controls().text(kOpenClose), Text(TextId::kCloseCaption));
    QCOMPARE(m_prompts.boxes.size(), qsizetype(std::size(cases)));
  }

  void unpluggedPortClosesAndIsReported() {
    Start(WatchedOptions({m_module->path()}));
    OpenPort();
    const QString name = QString::fromStdString(m_module->path());
    Controls& c = m_dlg->controls();
    auto* button = Widget<QAbstractButton>(*m_dlg, kOpenClose);
    bool liveBehindTheBox = false;
    int selectionWhileOpen = 0;
    m_prompts.whileOpen = [&] {
      // The box stays open a while: the window goes on behind it (the close
      // reaches the button), and the steps after the box wait for it while
      // the watch goes on.
      liveBehindTheBox = QTest::qWaitFor(
          [&] { return button->text() == Text(TextId::kOpenCaption) && !PortOpen(); }, kWatchMs);
      const int rounds = m_dlg->portWatchRounds();
      if (QTest::qWaitFor([&] { return m_dlg->portWatchRounds() >= rounds + 3; }, kWatchMs))
        selectionWhileOpen = c.curSel(kPortList);
    };
    m_module->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(m_prompts.boxes.size() == 1, kWatchMs);
    QVERIFY(liveBehindTheBox);
    QCOMPARE(selectionWhileOpen, -1);  // the gone device's entry left, nothing chosen yet
    QCOMPARE(m_prompts.boxes[0].text, QStringLiteral("COM %1 Disconnect").arg(name));
    QCOMPARE(m_prompts.boxes[0].caption, QStringLiteral("Failed"));

    // After the box: nothing is left to choose, and the controls that need a
    // port are off, whatever order the close and the watch ran in.
    QTRY_COMPARE(c.text(kPortList), Text(TextId::kNoPort));
    QTRY_VERIFY(m_dlg->connectionIdle());
    QCOMPARE(c.text(kOpenClose), Text(TextId::kOpenCaption));
    QVERIFY(!PortOpen());
    for (int id : {kOpenClose, kBaudRate, kFlowControl, kSave, kSend})
      QVERIFY2(!c.enabled(id), qPrintable(QString::number(id)));
    QTRY_VERIFY(!button->isEnabled());  // the widget is drawn after the mirror
  }

  void portThatAppearsIsListedAndSelected() {
    // The system's list is a fake sysfs tree that gains a USB adapter.
    Start(WatchedOptions({}));
    Controls& c = m_dlg->controls();
    QCOMPARE(c.text(kPortList), Text(TextId::kNoPort));
    QVERIFY(!c.enabled(kOpenClose));
    const QString entry = m_sysfs->filePath(QStringLiteral("ttyUSB0"));
    QVERIFY(QDir().mkpath(entry + QStringLiteral("/device/driver")));
    QTRY_COMPARE_WITH_TIMEOUT(c.text(kPortList), QStringLiteral("ttyUSB0"), kWatchMs);
    QCOMPARE(c.count(kPortList), 1);
    QCOMPARE(c.curSel(kPortList), 0);
    for (int id : {kOpenClose, kBaudRate, kFlowControl, kSave}) QVERIFY(c.enabled(id));
    QVERIFY(m_prompts.boxes.isEmpty());
  }

  void droppedDownListWaitsUntilItClosesUp() {
    Start(WatchedOptions({}));
    Controls& c = m_dlg->controls();
    auto* ports = Widget<PopupComboBox>(*m_dlg, kPortList);
    emit ports->droppedDown();
    QVERIFY(QDir().mkpath(m_sysfs->filePath(QStringLiteral("ttyACM0/device/driver"))));
    const int rounds = m_dlg->portWatchRounds();
    QTRY_VERIFY_WITH_TIMEOUT(m_dlg->portWatchRounds() >= rounds + 3, kWatchMs);
    QCOMPARE(c.text(kPortList), Text(TextId::kNoPort));
    emit ports->closedUp();
    QTRY_COMPARE_WITH_TIMEOUT(c.text(kPortList), QStringLiteral("ttyACM0"), kWatchMs);
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
    // The session's workers, started with the window, inherit the reduced
    // rights.
    QVERIFY(SetFileOverride(false));
    Start(WatchedOptions({path}));
    Click(kOpenClose);
    QTRY_COMPARE(m_prompts.boxes.size(), 1);
    Click(kOpenClose);
    QTRY_COMPARE(m_prompts.boxes.size(), 2);  // once per attempt
    QTRY_VERIFY(m_dlg->connectionIdle());
    QVERIFY(SetFileOverride(true));
    QCOMPARE(m_prompts.boxes.size(), 2);
    QCOMPARE(m_dlg->controls().text(kOpenClose), Text(TextId::kOpenCaption));
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
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(ConnectionTest)
#include "connection_test.moc"
