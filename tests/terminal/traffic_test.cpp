// Traffic end to end through the real window and the virtual module on a
// pseudo-terminal: a request and its answer with counters, CRC-32 and
// direction markers, the multi-instruction mode, the capture of a long stream
// and its Save, the keyboard filter, hex input pasted or dropped, and the Hex
// toggle.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QFile>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <functional>
#include <memory>

#include "dialogs/gbk_string.h"
#include "support/window_fixture.h"
#include "terminal/pane_text.h"

using namespace zephyn;
using namespace MainIds;

namespace {

const QString kAnswer = QStringLiteral("+NAME=Zephyn-BT\r\nOK\r\n");

}  // namespace

class TrafficTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    QVERIFY(NewModule());
    Start(ModuleOptions());
    m_dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
    OpenPort();
  }

  void cleanup() { TearDownWindow(); }

  void requestAndAnswerWithCountersAndMarkers() {
    // The answer comes after the request has been recorded, as from a module.
    m_module->setAnswerDelay(50);
    c().setText(kInput, QStringLiteral("AT+NAME"));
    Click(kNewLine);
    Click(kSend);
    QTRY_COMPARE(c().text(kTxCounters), QStringLiteral("9/1 CRC:29A3D1CD"));
    QTRY_COMPARE(Received(*m_module), std::string("AT+NAME\r\n"));
    QTRY_COMPARE(LabelBytes(c().text(kRxCounters)), qint64(kAnswer.size()));
    QCOMPARE(LabelCrc(c().text(kRxCounters)), CrcText(kAnswer.toLatin1()));

    // Echo off: the pane shows the answer alone.
    QTRY_COMPARE(c().text(kReceivePane), kAnswer);
    // Echo on: both directions, each change marked.
    Click(kEcho);
    QTRY_COMPARE(c().text(kReceivePane), QStringLiteral(">>AT+NAME\r\n\r\n<<") + kAnswer);
    // Hex view of the same, markers included.
    Click(kHexView);
    QTRY_VERIFY(c().text(kReceivePane).startsWith(QStringLiteral("3E")));
    const QString hex = c().text(kReceivePane).remove(QLatin1Char('\n'));
    QVERIFY(hex.startsWith(QStringLiteral("3E 3E 41 54 2B 4E 41 4D 45 0D 0A 0D 0A 3C 3C 2B ")));
    QCOMPARE(hex.size(), (2 + 9 + 2 + 2 + kAnswer.size()) * 3);
  }

  void utf8ModeShowsUtf8Text() {
    // Received bytes are GBK text; in UTF-8 mode they are read as UTF-8.
    QVERIFY(m_module->send({0xD6, 0xD0}));  // "中" in GBK
    QTRY_COMPARE(c().text(kReceivePane), QStringLiteral("中"));
    Click(kClear);
    m_dlg->SetAdvancedSettings({false, "150", true});
    QVERIFY(m_module->send({0xE4, 0xB8, 0xAD}));  // "中" in UTF-8
    QTRY_COMPARE(c().text(kReceivePane), QStringLiteral("中"));
  }

  void hexViewLinesFillThePaneWidth() {
    Click(kHexView);
    QCOMPARE(m_module->stream(3000, 500, 0), std::uint64_t(3000));
    QTRY_COMPARE(LabelBytes(c().text(kRxCounters)), 3000);
    QTRY_VERIFY(c().text(kReceivePane).size() >= 3000 * 3);
    auto* pane = Widget<QPlainTextEdit>(*m_dlg, kReceivePane);
    const QStringList lines = c().text(kReceivePane).split(QLatin1Char('\n'));
    QVERIFY(lines.size() > 1);
    const int width = pane->viewport()->width();
    const QFontMetrics metrics(pane->font());
    for (int i = 0; i + 1 < lines.size(); ++i) {
      QCOMPARE(lines[i].size(), lines[0].size());  // whole "XX " groups
      QVERIFY(metrics.horizontalAdvance(lines[i]) <= width);
    }
    // And they use most of it, rather than a few bytes a line.
    QVERIFY(metrics.horizontalAdvance(lines[0]) > width * 3 / 4);
  }

  void paneFollowsAStreamAndCountersEndExact_data() {
    QTest::addColumn<bool>("minimized");
    QTest::newRow("in sight") << false;
    QTest::newRow("minimized, then restored") << true;
  }

  void paneFollowsAStreamAndCountersEndExact() {
    // Echo on, the module's counting pattern (zero bytes, stray GBK lead
    // bytes) at 600 KB/s in 64-byte blocks: the pane is edited in place
    // many times and trims its front. A minimized window's pane stays as it
    // was while the counters go on, and shows the same once restored.
    QFETCH(bool, minimized);
    Click(kEcho);
    const QString before = c().text(kReceivePane);
    if (minimized) {
      m_dlg->showMinimized();
      QTRY_VERIFY(m_dlg->isMinimized());
    }
    constexpr std::uint64_t kTotal = 300'000;
    QCOMPARE(m_module->stream(kTotal, 64, 600'000), kTotal);
    QTRY_COMPARE(LabelBytes(c().text(kRxCounters)), qint64(kTotal));
    QCOMPARE(LabelCrc(c().text(kRxCounters)), CrcText(CountingPattern(kTotal)));
    QCOMPARE(qint64(Sends(c().text(kRxCounters))), qint64(m_dlg->record().Rx().count));
    if (minimized) {
      // The pass that drew the final count would have edited the pane first.
      QCOMPARE(c().text(kReceivePane), before);
      m_dlg->showNormal();
    }
    std::vector<std::uint8_t> tail;
    const TrafficRecord::TailPosition at = m_dlg->record().Tail(true, 100'000, tail);
    QCOMPARE(at.end, kTotal + 2);  // and the "<<" marker
    const QString expected = PaneText(tail.data(), tail.size(), false, false, 0, at.start, true);
    QTRY_COMPARE(c().text(kReceivePane), expected);
    QPlainTextEdit whole;
    whole.setPlainText(expected);
    auto* pane = Widget<QPlainTextEdit>(*m_dlg, kReceivePane);
    // The box itself follows once the queued edits have reached it.
    QTRY_COMPARE(pane->toPlainText(), whole.toPlainText());
  }

  void instructionsAreReleasedOneByOneByOk() {
    m_dlg->SetAdvancedSettings({true, "200", false});
    c().setText(kInput, QStringLiteral("AT+NAME\nAT+VER\nAT+ADDR"));
    Click(kSend);
    QTRY_COMPARE(Received(*m_module), std::string("AT+NAME\r\nAT+VER\r\nAT+ADDR\r\n"));
    QTRY_COMPARE(c().text(kTxCounters).section(QLatin1Char('/'), 1, 1).left(1),
                 QStringLiteral("3"));

    // More than 20 instructions: refused whole, nothing goes out now or later.
    QString many;
    for (int i = 0; i < 21; ++i) many += QStringLiteral("AT+NAME\n");
    c().setText(kInput, many);
    const QString before = c().text(kTxCounters);
    Click(kSend);
    QCOMPARE(m_prompts.boxes.size(), 1);
    // Said in the window's language, English here.
    QCOMPARE(m_prompts.boxes[0].text,
             QStringLiteral("The number of instructions exceeds the limit of 20!"));
    QCOMPARE(m_prompts.boxes[0].caption, QStringLiteral("Zephyn"));
    QCOMPARE(c().text(kTxCounters), before);
  }

  void longStreamIsCapturedAndSavedByteForByte() {
    constexpr std::uint64_t kTotal = 2'500'000;
    QCOMPARE(m_module->stream(kTotal, 100, 0), kTotal);
    QTRY_COMPARE_WITH_TIMEOUT(LabelBytes(c().text(kRxCounters)), qint64(kTotal), 20000);
    // Every byte passed through the CRC, in order.
    QCOMPARE(LabelCrc(c().text(kRxCounters)), CrcText(CountingPattern(kTotal)));
    // Two spills of a million bytes each went to the capture file.
    QCOMPARE(QFileInfo(QString::fromStdString(m_dlg->record().CapturePath())).size(),
             qint64(2'000'000));

    QTemporaryDir folder;
    m_prompts.chosenFolder = folder.path();
    Click(kSave);
    QTRY_COMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(m_prompts.boxes[0].text, folder.path());
    QCOMPARE(m_prompts.boxes[0].caption, Text(TextId::kSaveFinished));
    QFile saved(folder.filePath(QStringLiteral("RX data.bin")));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QCOMPARE(bytes.size(), qsizetype(kTotal));
    for (qsizetype i = 0; i < bytes.size(); ++i)
      if (std::uint8_t(bytes[i]) != std::uint8_t(i & 0xFF)) QFAIL(qPrintable(QString::number(i)));
    saved.close();

    // After Clear only what comes later is saved: here nothing.
    Click(kClear);
    QVERIFY(!QFileInfo::exists(QString::fromStdString(m_dlg->record().CapturePath())));
    Click(kSave);
    QTRY_COMPARE(m_prompts.boxes.size(), 2);
    QCOMPARE(QFileInfo(saved.fileName()).size(), qint64(0));

    // A cancelled folder choice saves nothing and says nothing.
    m_prompts.chosenFolder.clear();
    Click(kSave);
    QCOMPARE(m_prompts.boxes.size(), 2);
  }

  void keyboardFilter() {
    auto* input = Widget<QPlainTextEdit>(*m_dlg, kInput);
    input->setFocus();
    QTRY_VERIFY(input->hasFocus());

    // Enter without New line makes a line break and sends nothing.
    QTest::keyClicks(input, QStringLiteral("AT"));
    QTest::keyClick(input, Qt::Key_Return);
    QCOMPARE(c().text(kInput), QStringLiteral("AT\n"));
    QCOMPARE(c().text(kTxCounters), QStringLiteral("0/0 CRC:00000000"));

    // With New line on, Enter sends instead of breaking the line.
    c().setChecked(kNewLine, true);
    QTest::keyClick(input, Qt::Key_Return);
    QCOMPARE(c().text(kInput), QStringLiteral("AT\n"));
    QTRY_COMPARE(c().text(kTxCounters).left(2), QStringLiteral("6/"));  // "AT" CR LF CR LF

    // Ctrl+Enter sends from any control of the window.
    c().setChecked(kNewLine, false);
    QWidget* hex = Widget(*m_dlg, kHexView);
    hex->setFocus();
    QTest::keyClick(hex, Qt::Key_Return, Qt::ControlModifier);
    QTRY_VERIFY(c().text(kTxCounters).contains(QStringLiteral("/2 ")));

    // Ctrl+A selects the whole input.
    input->setFocus();
    QTest::keyClick(input, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(input->textCursor().selectedText().size(), 3);

    // In hex mode only digits, blanks and backspace reach the box.
    c().setText(kInput, QString());
    c().setChecked(kHexInput, true);
    QTest::keyClicks(input, QStringLiteral("4g1 z"));
    QTest::keyClick(input, Qt::Key_Return);
    QCOMPARE(c().text(kInput), QStringLiteral("41 "));
    QTest::keyClick(input, Qt::Key_Backspace);
    QCOMPARE(c().text(kInput), QStringLiteral("41"));
  }

  void hexModeFiltersPastedDroppedAndComposedText() {
    auto* input = Widget<QPlainTextEdit>(*m_dlg, kInput);
    input->setFocus();
    QTRY_VERIFY(input->hasFocus());
    Click(kHexInput);  // Hex on, the box empty
    const QString source = QStringLiteral("12 GZ 3 4q\n0x41");
    const QString kept = QStringLiteral("12  3 4041");
    auto mime = [&] {
      auto* data = new QMimeData;
      data->setText(source);
      return data;
    };
    auto pasteByKeys = [&] {
      QTest::keyPress(input, Qt::Key_Control);
      QTest::keyClick(input, Qt::Key_V, Qt::ControlModifier);
      QTest::keyRelease(input, Qt::Key_Control, Qt::ControlModifier);
    };
    const std::function<void()> ways[] = {
        [&] {
          QGuiApplication::clipboard()->setText(source);
          QCOMPARE(QGuiApplication::clipboard()->text(), source);
          pasteByKeys();
        },
        [&] {
          // A drag from another program that enters the box and is dropped.
          std::unique_ptr<QMimeData> data(mime());
          const QPoint at(4, 4);
          QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
          QApplication::sendEvent(input->viewport(), &enter);
          QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
          QApplication::sendEvent(input->viewport(), &move);
          QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
          QApplication::sendEvent(input->viewport(), &drop);
        },
        [&] {
          QInputMethodEvent commit;
          commit.setCommitString(source);
          QApplication::sendEvent(input, &commit);
        },
    };
    for (const auto& way : ways) {
      c().setText(kInput, QString());
      way();
      QCOMPARE(c().text(kInput), kept);
      QCOMPARE(input->toPlainText(), kept);
    }
    // What enters is what is sent: 12 34 04 01, no made-up bytes.
    Click(kSend);
    QTRY_COMPARE(Received(*m_module), std::string("\x12\x34\x04\x01", 4));
    // The Hex toggle still converts both ways.
    Click(kHexInput);
    QCOMPARE(c().text(kInput), QStringLiteral("\x12\x34\x04\x01"));
    Click(kHexInput);
    QCOMPARE(c().text(kInput), QStringLiteral("12 34 04 01 "));
    // Outside hex mode a paste enters whole.
    Click(kHexInput);
    c().setText(kInput, QString());
    QGuiApplication::clipboard()->setText(source);
    pasteByKeys();
    QCOMPARE(c().text(kInput), source);
  }

  void newLineRebuildsTheTimedPayload() {
    c().setText(kInput, QStringLiteral("AB"));
    Click(kNewLine);
    auto payload = m_dlg->TimedSendPayload();
    QVERIFY(payload);
    QCOMPARE(std::string(payload->begin(), payload->end()), std::string("AB\r\n"));
    Click(kNewLine);
    // The old payload stays whole for whoever still holds it.
    QCOMPARE(std::string(payload->begin(), payload->end()), std::string("AB\r\n"));
    payload = m_dlg->TimedSendPayload();
    QCOMPARE(std::string(payload->begin(), payload->end()), std::string("AB"));
  }

  void hexToggleRoundTrip() {
    c().setText(kInput, QStringLiteral("AB"));
    Click(kHexInput);
    QCOMPARE(c().text(kInput), QStringLiteral("41 42 "));
    Click(kHexInput);
    QCOMPARE(c().text(kInput), QStringLiteral("AB"));
    // An empty box stays as it is.
    c().setText(kInput, QString());
    Click(kHexInput);
    QCOMPARE(c().text(kInput), QString());
    QVERIFY(c().checked(kHexInput));
  }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(TrafficTest)
#include "traffic_test.moc"
