// The control facade: workers read back what they set at once, updates reach
// the widgets in order, the mirror follows the user, and no widget is touched
// off the window's thread.
#include "dialogs/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTextCursor>
#include <atomic>
#include <thread>

#include "dialogs/filtered_text_edit.h"
#include "dialogs/popup_combo_box.h"
#include "dialogs/window_thread.h"

using namespace zephyn;

namespace {

std::atomic<int> g_violations{0};
void CountViolation(const char*) {
  ++g_violations;
}

// Runs `work` on a worker thread while the window's thread keeps handling
// events, as it would while a real worker runs.
template <typename Work>
void RunOnWorker(Work work) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done = true;
  });
  while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  worker.join();
  QCoreApplication::processEvents();
}

}  // namespace

class ControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    g_violations = 0;
    m_previousHandler = SetThreadViolationHandler(&CountViolation);
    m_window = new QWidget;
    m_controls = new Controls(m_window);
    m_edit = new QLineEdit(m_window);
    m_check = new QCheckBox(m_window);
    m_combo = new PopupComboBox(m_window);
    m_sorted = new PopupComboBox(m_window);
    m_controls->add(1, m_edit);
    m_controls->add(2, m_check);
    m_controls->add(3, m_combo);
    m_controls->add(4, m_sorted, true);
  }

  void cleanup() {
    delete m_window;
    SetThreadViolationHandler(m_previousHandler);
  }

  void workerReadsBackWhatItSetBeforeTheWidgetChanges() {
    bool readBack = false;
    std::thread worker([&] {
      m_controls->setText(1, QStringLiteral("AT+NAME"));
      m_controls->setChecked(2, true);
      m_controls->setEnabled(1, false);
      m_controls->addItem(3, QStringLiteral("ttyS0"));
      m_controls->addItem(3, QStringLiteral("ttyUSB0"));
      m_controls->setCurSel(3, 1);
      readBack = m_controls->text(1) == QStringLiteral("AT+NAME") && m_controls->checked(2) &&
                 !m_controls->enabled(1) && m_controls->count(3) == 2 &&
                 m_controls->curSel(3) == 1 && m_controls->text(3) == QStringLiteral("ttyUSB0");
    });
    worker.join();
    QVERIFY(readBack);
    // Nothing reached the widgets yet: they change on the window's thread.
    QCOMPARE(m_edit->text(), QString());
    QCoreApplication::processEvents();
    QCOMPARE(m_edit->text(), QStringLiteral("AT+NAME"));
    QVERIFY(m_check->isChecked());
    QVERIFY(!m_edit->isEnabled());
    QCOMPARE(m_combo->count(), 2);
    QCOMPARE(m_combo->currentIndex(), 1);
    QCOMPARE(g_violations.load(), 0);
  }

  void updatesReachTheWidgetsInOrder() {
    QStringList seen;
    connect(m_edit, &QLineEdit::textChanged, this, [&](const QString& t) { seen << t; });
    RunOnWorker([&] {
      for (int i = 0; i < 2000; ++i) {
        m_controls->setText(1, QString::number(i));
        m_controls->addItem(3, QString::number(i));
        if (i % 7 == 0) m_controls->setCurSel(3, i);
        if (i % 11 == 0) m_controls->removeItem(3, 0);
      }
    });
    // Texts arrive in order; one that a newer text replaced before it was
    // shown may be skipped, the last one never is.
    QVERIFY(!seen.isEmpty());
    for (int i = 1; i < seen.size(); ++i) QVERIFY(seen[i].toInt() > seen[i - 1].toInt());
    QCOMPARE(seen.back(), QStringLiteral("1999"));
    // The widget ends exactly where the mirror is.
    QCOMPARE(m_combo->count(), m_controls->count(3));
    QCOMPARE(m_combo->currentIndex(), m_controls->curSel(3));
    for (int i = 0; i < m_combo->count(); ++i)
      QCOMPARE(m_combo->itemText(i), m_controls->itemText(3, i));
    QCOMPARE(g_violations.load(), 0);
  }

  void windowAndWorkerUpdatesInterleaveInOneOrder() {
    // The window's thread and a worker both edit the same list; whatever the
    // interleaving, widget and mirror agree at the end.
    std::atomic<bool> done{false};
    std::thread worker([&] {
      for (int i = 0; i < 500; ++i) m_controls->addItem(3, QStringLiteral("w%1").arg(i));
      done = true;
    });
    int i = 0;
    while (!done) {
      m_controls->addItem(3, QStringLiteral("u%1").arg(i++));
      if (m_controls->count(3) > 3) m_controls->removeItem(3, 1);
      QCoreApplication::processEvents();
    }
    worker.join();
    QCoreApplication::processEvents();
    QCOMPARE(m_combo->count(), m_controls->count(3));
    for (int k = 0; k < m_combo->count(); ++k)
      QCOMPARE(m_combo->itemText(k), m_controls->itemText(3, k));
    QCOMPARE(g_violations.load(), 0);
  }

  void readsFromAnyThreadSeeWholeValuesWhileTheWindowChangesThem() {
    const QString a(5000, QLatin1Char('a')), b(5000, QLatin1Char('b'));
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0}, reads{0};
    std::thread reader([&] {
      while (!stop) {
        const QString t = m_controls->text(1);
        if (!t.isEmpty() && t != a && t != b) ++torn;
        ++reads;
      }
    });
    for (int i = 0; i < 300; ++i) {
      m_controls->setText(1, i % 2 ? a : b);
      QCOMPARE(m_edit->text(), i % 2 ? a : b);  // on the window's thread: at once
    }
    stop = true;
    reader.join();
    QVERIFY(reads > 0);
    QCOMPARE(torn.load(), 0);
  }

  void userActionsReachTheMirror() {
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_edit->setFocus();
    QTest::keyClicks(m_edit, QStringLiteral("AT"));
    QCOMPARE(m_controls->text(1), QStringLiteral("AT"));
    QTest::mouseClick(m_check, Qt::LeftButton);
    QVERIFY(m_controls->checked(2));
    m_controls->addItem(3, QStringLiteral("a"));
    m_controls->addItem(3, QStringLiteral("b"));
    m_combo->setCurrentIndex(1);  // as the user's choice from the list would
    QCOMPARE(m_controls->curSel(3), 1);
    QCOMPARE(m_controls->text(3), QStringLiteral("b"));
  }

  void checkBoxesReportTheUsersChangesOnlyAndOnce() {
    QList<bool> seen;
    m_controls->onUserToggled(2, this, [&](bool on) {
      seen << on;
      // The mirror already holds the new state; a box put back by its
      // handler reports nothing more.
      QCOMPARE(m_controls->checked(2), on);
      if (seen.size() == 3) m_controls->setChecked(2, !on);
    });
    m_controls->setChecked(2, true);
    RunOnWorker([&] { m_controls->setChecked(2, false); });
    QVERIFY(seen.isEmpty());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QTest::mouseClick(m_check, Qt::LeftButton);  // toggled and clicked: reported once
    m_check->toggle();                           // an assistive tool's toggle
    QTest::mouseClick(m_check, Qt::LeftButton);
    QCOMPARE(seen, QList<bool>({true, false, true}));
    QVERIFY(!m_check->isChecked());
    QVERIFY(!m_controls->checked(2));
  }

  void aTextFilterHoldsWhateverSetsTheText() {
    auto* edit = new FilteredTextEdit(m_window);
    m_controls->add(5, edit);
    edit->setPlainText(QStringLiteral("1a"));
    m_controls->setTextFilter(5, [](const QString& text) {
      QString kept;
      for (QChar c : text)
        if (c.isDigit()) kept += c;
      return kept;
    });
    // What the box holds already is filtered at once.
    QCOMPARE(edit->toPlainText(), QStringLiteral("1"));
    QCOMPARE(m_controls->text(5), QStringLiteral("1"));
    // A worker reads back the filtered text before the box shows it.
    bool readBack = false;
    RunOnWorker([&] {
      m_controls->setText(5, QStringLiteral("2b3"));
      readBack = m_controls->text(5) == QStringLiteral("23");
    });
    QVERIFY(readBack);
    QCOMPARE(edit->toPlainText(), QStringLiteral("23"));
    // An edit that reaches the document directly, and its undo.
    QTextCursor cursor = edit->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("4\nz5"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("2345"));
    QCOMPARE(m_controls->text(5), QStringLiteral("2345"));
    edit->undo();
    QCOMPARE(edit->toPlainText(), QStringLiteral("23"));
    QCOMPARE(m_controls->text(5), QStringLiteral("23"));
    m_controls->editText(5, 0, QStringLiteral("x1"), 0, QStringLiteral("4\ny"));
    QCOMPARE(m_controls->text(5), QStringLiteral("1234"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("1234"));
    QCOMPARE(g_violations.load(), 0);
  }

  void listsKeepTheirSelectionAndOrder() {
    // Adding to an empty list selects nothing; a sorted list inserts in
    // collation order; removing the selected entry leaves no selection.
    QCOMPARE(m_controls->addItem(3, QStringLiteral("x")), 0);
    QCOMPARE(m_controls->curSel(3), -1);
    QCOMPARE(m_combo->currentIndex(), -1);
    m_controls->addItem(4, QStringLiteral("No"));
    QCOMPARE(m_controls->addItem(4, QStringLiteral("Have")), 0);
    QCOMPARE(m_controls->itemText(4, 0), QStringLiteral("Have"));
    QCOMPARE(m_sorted->itemText(0), QStringLiteral("Have"));
    m_controls->setCurSel(4, 1);
    m_controls->removeItem(4, 0);
    QCOMPARE(m_controls->curSel(4), 0);
    QCOMPARE(m_sorted->currentIndex(), 0);
    m_controls->removeItem(4, 0);
    QCOMPARE(m_controls->curSel(4), -1);
    QCOMPARE(m_controls->text(4), QString());
  }

  void listOnlyBoxTextIsItsSelectedEntry() {
    // A text the list does not hold is never taken, from any thread: the
    // mirror, which the program reads, says what the widget shows.
    m_controls->addItem(3, QStringLiteral("ttyS0"));
    m_controls->addItem(3, QStringLiteral("ttyUSB0"));
    m_controls->setCurSel(3, 0);
    RunOnWorker([this] { m_controls->setText(3, QStringLiteral("ttyACM9")); });
    QCOMPARE(m_controls->text(3), QStringLiteral("ttyS0"));
    QCOMPARE(m_controls->curSel(3), 0);
    QCOMPARE(m_combo->currentText(), QStringLiteral("ttyS0"));
    // The text of an entry selects that entry.
    m_controls->setText(3, QStringLiteral("ttyUSB0"));
    QCOMPARE(m_controls->curSel(3), 1);
    QCOMPARE(m_combo->currentIndex(), 1);
    QCOMPARE(m_controls->text(3), m_combo->currentText());
  }

  void postedTasksRunAfterEarlierUpdates() {
    QString seenByTask;
    RunOnWorker([&] {
      m_controls->setText(1, QStringLiteral("before"));
      m_controls->post([&] { seenByTask = m_edit->text(); });
    });
    QCOMPARE(seenByTask, QStringLiteral("before"));
  }

  void updatesGoOnBehindAPostedTaskThatWaits() {
    // A worker posts a task that waits as an open message box does, in a
    // nested event loop; what the worker sets afterwards still reaches the
    // widget while the task waits.
    bool liveBehindTheTask = false;
    bool taskDone = false;
    RunOnWorker([&] {
      m_controls->setText(1, QStringLiteral("before"));
      m_controls->post([&] {
        liveBehindTheTask =
            QTest::qWaitFor([&] { return m_edit->text() == QStringLiteral("after"); }, 5000);
        taskDone = true;
      });
      m_controls->setText(1, QStringLiteral("after"));
    });
    QTRY_VERIFY(taskDone);
    QVERIFY(liveBehindTheTask);
    QCOMPARE(g_violations.load(), 0);
  }

  void touchingAWidgetOffTheWindowThreadIsCaught() {
    std::thread worker([&] { m_controls->widget(1); });
    worker.join();
    QCOMPARE(g_violations.load(), 1);
  }

 private:
  ThreadViolationHandler m_previousHandler = nullptr;
  QWidget* m_window = nullptr;
  Controls* m_controls = nullptr;
  QLineEdit* m_edit = nullptr;
  QCheckBox* m_check = nullptr;
  PopupComboBox* m_combo = nullptr;
  PopupComboBox* m_sorted = nullptr;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(ControlsTest)
#include "controls_test.moc"
