// The AT page through the real window and the virtual module on a
// pseudo-terminal: each query row sends its command and shows the module's
// answer in its own box, modify rows change the module, and the answer is
// taken only while the query waits.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <thread>

#include "dialogs/gbk_string.h"
#include "panels/quick_send.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;

namespace {

// The AT page's row `row` (0 to 7): its answer or value box, and its button.
int BoxId(int row) {
  return AtPageIds::kFirstBox + 2 * row;
}
int ButtonId(int row) {
  return AtPageIds::kFirstButton + 2 * row;
}

}  // namespace

class AtPageTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    QVERIFY(NewModule());
    m_module->setAnswerDelay(5);
    Start(ModuleOptions());
    OpenPort();
  }

  void cleanup() { TearDownWindow(); }

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
    for (int other = 0; other < AtPageIds::kRows; ++other)
      if (other != row) QCOMPARE(Box(other), QString());
  }

  void answersAreTakenOnlyWhileTheQueryWaits() {
    // Later than 50 ms: shown in the pane, not taken.
    m_module->setAnswerDelay(300);
    Press(0);
    QTRY_VERIFY(c().text(kReceivePane).contains(QStringLiteral("+NAME=")));
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
    QCOMPARE(c().text(kTxCounters), kNoTraffic);

    page().controls().setText(BoxId(5), QStringLiteral("ABC"));
    Press(5);
    QTRY_COMPARE(m_module->name(), std::string("ABC"));
    QCOMPARE(Received(*m_module), std::string("AT+NAME=ABC\r\n"));
    Press(0);
    QTRY_COMPARE(Box(0), QStringLiteral("ABC\r\n"));

    // With Hex input on, the command's hexadecimal text goes out.
    c().setChecked(kHexInput, true);
    page().controls().setText(BoxId(5), QStringLiteral("ABC"));
    const std::size_t before = Received(*m_module).size();
    Press(5);
    QTRY_COMPARE(Received(*m_module).substr(before),
                 std::string("41 54 2B 4E 41 4D 45 3D 41 42 43 0D 0A "));
  }

  void aPortChangeEmptiesTheQueryBoxesOnly() {
    Press(0);
    QTRY_COMPARE(Box(0), QStringLiteral("Zephyn-BT\r\n"));
    page().controls().setText(BoxId(6), QStringLiteral("9600"));
    emit Widget<QComboBox>(*m_dlg, kPortList)->activated(0);
    QCOMPARE(Box(0), QString());
    QCOMPARE(page().controls().text(BoxId(6)), QStringLiteral("9600"));
    // The query boxes cannot be typed into; the modify boxes can.
    QVERIFY(Widget<QLineEdit>(page(), BoxId(0))->isReadOnly());
    QVERIFY(!Widget<QLineEdit>(page(), BoxId(5))->isReadOnly());
  }

 private:
  CQuickSend& page() { return *m_dlg->quickSend(); }
  QString Box(int row) { return page().controls().text(BoxId(row)); }
  void Press(int row) { Click(page(), ButtonId(row)); }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(AtPageTest)
#include "at_page_test.moc"
