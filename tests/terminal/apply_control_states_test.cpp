// Drawing the state's control states: each control of the right window gets
// its enabled, shown and checked state and its caption in the window's
// language, and a missing strings page is no fault.
#include "terminal/apply_control_states.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"

using namespace zephyn;

class ApplyControlStatesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_window = new QWidget;
    m_page = new QWidget(m_window);
    m_main = new Controls(m_window);
    m_strings = new Controls(m_page);
    m_openClose =
        Add<QPushButton>(*m_main, m_window, MainIds::kOpenClose, Text(TextId::kOpenCaption));
    m_sendFile =
        Add<QPushButton>(*m_main, m_window, MainIds::kSendFile, Text(TextId::kSendFileCaption));
    m_send = Add<QPushButton>(*m_main, m_window, MainIds::kSend, QString());
    m_timing = Add<QCheckBox>(*m_main, m_window, MainIds::kTiming, QString());
    m_tabs = Add<QLabel>(*m_main, m_window, MainIds::kTabs, QString());
    m_placeholder = Add<QLabel>(*m_main, m_window, MainIds::kTabsPlaceholder, QString());
    m_cycle = Add<QCheckBox>(*m_strings, m_page, StringsPageIds::kCycle, QString());
    m_lastRow = Add<QPushButton>(*m_strings, m_page,
                                 StringsPageIds::kFirstSend + StringsPageIds::kRows - 1, QString());
    m_window->show();
  }

  void cleanup() { delete m_window; }

  void drawsEveryAspectOnBothWindows() {
    const struct {
      const char* name;
      SessionState state;
      bool send;
      bool timingTicked;
      bool tabs;
      bool cycleBox;
      bool rowSend;
      std::uint16_t openClose;
      std::uint16_t sendFile;
    } cases[] = {
        {"closed", State(Connection::Closed), false, false, false, true, true, TextId::kOpenCaption,
         TextId::kSendFileCaption},
        {"open, timed send", State(Connection::Open, [](SessionState& s) { s.timedSend = true; }),
         true, true, true, false, true, TextId::kCloseCaption, TextId::kSendFileCaption},
        {"open, cycle", State(Connection::Open, [](SessionState& s) { s.cycle = true; }), false,
         false, true, true, false, TextId::kCloseCaption, TextId::kSendFileCaption},
        {"open, file sending",
         State(Connection::Open,
               [](SessionState& s) {
                 s.file = FileStage::Loaded;
                 s.transfer = Transfer::Sending;
               }),
         false, false, false, true, true, TextId::kCloseCaption, TextId::kPauseCaption},
        {"closed again", State(Connection::Closed), false, false, false, true, true,
         TextId::kOpenCaption, TextId::kSendFileCaption},
    };
    // One after another, as the state changes: each drawing starts from the
    // look the one before left.
    for (const auto& c : cases) {
      ApplyControlStates(*m_main, m_strings, Enablement(c.state));
      const QByteArray name = c.name;
      QVERIFY2(m_send->isEnabled() == c.send, name);
      QVERIFY2(m_timing->isChecked() == c.timingTicked, name);
      QVERIFY2(m_tabs->isVisible() == c.tabs, name);
      QVERIFY2(m_placeholder->isVisible() == !c.tabs, name);
      QVERIFY2(m_cycle->isEnabled() == c.cycleBox, name);
      QVERIFY2(m_lastRow->isEnabled() == c.rowSend, name);
      QCOMPARE(m_openClose->text(), Text(c.openClose));
      QCOMPARE(m_sendFile->text(), Text(c.sendFile));
    }
  }

  void withoutTheStringsPageTheWindowIsDrawn() {
    SessionState open;
    open.connection = Connection::Open;
    open.portListed = true;
    ApplyControlStates(*m_main, nullptr, Enablement(open));
    QCOMPARE(m_openClose->text(), Text(TextId::kCloseCaption));
    QVERIFY(m_openClose->isEnabled());
    QVERIFY(m_send->isEnabled());
  }

 private:
  template <typename Widget>
  static Widget* Add(Controls& controls, QWidget* parent, int id, const QString& text) {
    auto* widget = new Widget(text, parent);
    widget->setObjectName(QString::number(id));
    controls.add(id, widget);
    return widget;
  }

  static SessionState State(Connection connection,
                            const std::function<void(SessionState&)>& change = nullptr) {
    SessionState s;
    s.connection = connection;
    s.portListed = true;
    if (change) change(s);
    return s;
  }

  QWidget* m_window = nullptr;
  QWidget* m_page = nullptr;
  Controls* m_main = nullptr;
  Controls* m_strings = nullptr;
  QPushButton* m_openClose = nullptr;
  QPushButton* m_sendFile = nullptr;
  QPushButton* m_send = nullptr;
  QCheckBox* m_timing = nullptr;
  QLabel* m_tabs = nullptr;
  QLabel* m_placeholder = nullptr;
  QCheckBox* m_cycle = nullptr;
  QPushButton* m_lastRow = nullptr;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(ApplyControlStatesTest)
#include "apply_control_states_test.moc"
