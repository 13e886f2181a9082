// The AT page through the real window and the virtual module on a
// pseudo-terminal: each query row sends its command and shows the module's
// answer in its own box, modify rows change the module, and the answer is
// taken only while the query waits.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <memory>
#include <thread>

#include "dialogs/gbk_string.h"
#include "panels/quick_send.h"
#include "serial/com_port.h"
#include "sim/virtual_module.h"
#include "terminal/test_prompts.h"
#include "terminal/test_window.h"
#include "terminal/zephyn_dlg.h"

using namespace zephyn;

namespace {

std::vector<std::uint8_t> Of(const std::string& text) {
  return {text.begin(), text.end()};
}

}  // namespace

class AtPageTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    SetLanguage(Language::EnUS);
    m_module = std::make_unique<VirtualModule>(115200);
    QVERIFY(m_module->ok());
    m_module->setAnswerDelay(5);
    m_dlg = StartWindow(Language::EnUS, TestOptions({m_module->path()}, m_data.path()));
    OpenPort(*m_dlg);
  }

  void cleanup() {
    m_dlg.reset();
    m_module.reset();
  }

  void queryRowsSendTheirCommandAndShowTheAnswer_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");
    QTest::newRow("name") << 0 << "AT+NAME\r\n"
                          << "Zephyn-BT\r\n";
    QTest::newRow("version") << 1 << "AT+VER\r\n"
                             << "V2.1\r\n";
    QTest::newRow("address") << 2 << "AT+ADDR\r\n"
                             << "00:1A:7D:DA:71:13\r\n";
    QTest::newRow("rate") << 3 << "AT+BAUD\r\n"
                          << "115200\r\n";
    QTest::newRow("PIN") << 4 << "AT+PIN\r\n"
                         << "1234\r\n";
  }
  void queryRowsSendTheirCommandAndShowTheAnswer() {
    QFETCH(int, row);
    QFETCH(QString, command);
    QFETCH(QString, answer);
    Press(row);
    QTRY_COMPARE(Box(row), answer);
    QCOMPARE(QString::fromStdString(Received(*m_module)), command);
    for (int other = 0; other < 8; ++other)
      if (other != row) QCOMPARE(Box(other), QString());
  }

  void answersAreTakenOnlyWhileTheQueryWaits() {
    // Later than 50 ms: shown in the pane, not taken.
    m_module->setAnswerDelay(300);
    Press(0);
    QTRY_VERIFY(c().text(1049).contains(QStringLiteral("+NAME=")));
    QCOMPARE(Box(0), QString());

    // In two blocks within the wait: joined, and taken.
    m_module->setHoldBack(true);
    Press(1);
    QVERIFY(m_module->send(Of("+VER=Sp")));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    QVERIFY(m_module->send(Of("lit\r\nOK\r\n")));
    QTRY_COMPARE(Box(1), QStringLiteral("Split\r\n"));

    // An error reply empties the box.
    Press(1);
    QVERIFY(m_module->send(Of("ERROR\r\n")));
    QTRY_COMPARE(Box(1), QString());
  }

  void modifyRowsChangeTheModule() {
    // An empty box sends nothing.
    Press(5);
    QCOMPARE(c().text(1000), QStringLiteral("0/0 CRC:00000000"));

    page().controls().setText(1078, QStringLiteral("ABC"));
    Press(5);
    QTRY_COMPARE(m_module->name(), std::string("ABC"));
    QCOMPARE(Received(*m_module), std::string("AT+NAME=ABC\r\n"));
    Press(0);
    QTRY_COMPARE(Box(0), QStringLiteral("ABC\r\n"));

    // With Hex input on, the command's hexadecimal text goes out.
    c().setChecked(10002, true);
    page().controls().setText(1078, QStringLiteral("ABC"));
    const std::size_t before = Received(*m_module).size();
    Press(5);
    QTRY_COMPARE(Received(*m_module).substr(before),
                 std::string("41 54 2B 4E 41 4D 45 3D 41 42 43 0D 0A "));
  }

  void aPortChangeEmptiesTheQueryBoxesOnly() {
    Press(0);
    QTRY_COMPARE(Box(0), QStringLiteral("Zephyn-BT\r\n"));
    page().controls().setText(1080, QStringLiteral("9600"));
    auto* ports = m_dlg->findChild<QComboBox*>(QStringLiteral("1006"));
    emit ports->activated(0);
    QCOMPARE(Box(0), QString());
    QCOMPARE(page().controls().text(1080), QStringLiteral("9600"));
    // The query boxes cannot be typed into; the modify boxes can.
    QVERIFY(page().findChild<QLineEdit*>(QStringLiteral("1068"))->isReadOnly());
    QVERIFY(!page().findChild<QLineEdit*>(QStringLiteral("1078"))->isReadOnly());
  }

 private:
  Controls& c() { return m_dlg->controls(); }
  CQuickSend& page() { return *m_dlg->quickSend(); }
  QString Box(int row) { return page().controls().text(1068 + 2 * row); }
  void Press(int row) {
    QTest::mouseClick(page().findChild<QAbstractButton*>(QString::number(1069 + 2 * row)),
                      Qt::LeftButton);
  }

  RecordingPrompts m_prompts;
  QTemporaryDir m_data;
  std::unique_ptr<VirtualModule> m_module;
  std::unique_ptr<CZephynDlg> m_dlg;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(AtPageTest)
#include "at_page_test.moc"
