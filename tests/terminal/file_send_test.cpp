// File send through the real window and the virtual module on a
// pseudo-terminal: the file byte for byte with its counters and statistics,
// pause and resume, Stop, files that cannot be sent, and a lost port and the
// closing window ending a transfer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "common/text_ids.h"
#include "resources/control_ids.h"
#include "storage/user_file.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;

namespace {

// Sent a byte a write (a typed rate under 1000): half a million writes, a
// second or more, long enough to pause, stop or unplug in the middle.
constexpr int kLongFile = 500'000;

QByteArray Pattern(int size) {
  QByteArray bytes(size, Qt::Uninitialized);
  for (int i = 0; i < size; ++i) bytes[i] = char(i * 7 + (i >> 8));
  return bytes;
}

QByteArray ReceivedBytes(const VirtualModule& module) {
  return QByteArray::fromStdString(Received(module));
}

QString TxLabel(const QByteArray& bytes, int sends) {
  return QStringLiteral("%1/%2 CRC:%3").arg(bytes.size()).arg(sends).arg(CrcText(bytes));
}

// The statistics box's three lines, with the time and the speed as figures.
QRegularExpression StatsPattern(qint64 bytes) {
  const QString s = QRegularExpression::escape(Text(TextId::kSecondUnit));
  const QString b = QRegularExpression::escape(Text(TextId::kByteUnit));
  return QRegularExpression(
      QStringLiteral("^%1:(\\d+\\.\\d\\d)%2\\r\\n%3:  %4 \\(%5 kB\\)\\r\\n%6: \\d+%3/%2$")
          .arg(QRegularExpression::escape(Text(TextId::kTimeWord)), s, b)
          .arg(bytes)
          .arg(bytes / 1000)
          .arg(QRegularExpression::escape(Text(TextId::kSpeedWord))));
}

double StatsSeconds(const QString& text, qint64 bytes) {
  return StatsPattern(bytes).match(text).captured(1).toDouble();
}

}  // namespace

class FileSendTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    QVERIFY(NewModule());
  }

  void cleanup() { TearDownWindow(); }

  void fileGoesOutWholeAndCounted_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("sends");  // per transfer, at 115 bytes a chunk
    // Eight chunks of 115 and one of 80, and the end.
    QTest::newRow("1000 bytes") << Language::EnUS << 1000 << 10;
    // Ten whole chunks, the final write of 0 bytes, and the end.
    QTest::newRow("whole chunks") << Language::EnUS << 1150 << 12;
    QTest::newRow("Chinese window") << Language::ZhCN << 1999 << 19;
  }

  void fileGoesOutWholeAndCounted() {
    QFETCH(Language, language);
    QFETCH(int, size);
    QFETCH(int, sends);
    OpenWindow(language);
    const QByteArray file = Pattern(size);
    Choose(WriteFile("file.bin", file));
    QCOMPARE(c().text(kFileLabel), m_prompts.chosenFile);
    QVERIFY(c().enabled(kSendFile));

    bool fullWhileOpen = false;
    m_prompts.whileOpen = [&] {
      // The box is open: the transfer is over, its progress still shown.
      fullWhileOpen = QTest::qWaitFor(
          [&] {
            return c().text(kPercent) == QStringLiteral("100.0%") && c().value(kProgress) == 1000;
          },
          5000);
    };
    Click(kSendFile);
    QTRY_COMPARE(m_prompts.boxes.size(), 1);
    QVERIFY(fullWhileOpen);
    QCOMPARE(m_prompts.boxes[0].caption, Text(TextId::kSendFinished));
    QVERIFY2(StatsPattern(size).match(m_prompts.boxes[0].text).hasMatch(),
             qPrintable(m_prompts.boxes[0].text));
    QTRY_COMPARE(ReceivedBytes(*m_module), file);
    QTRY_COMPARE(c().text(kTxCounters), TxLabel(file, sends));

    // Ready again: the same file from its first byte, without reading it again.
    QFile::remove(m_prompts.chosenFile);
    QTRY_COMPARE(c().text(kPercent), QStringLiteral("0.0%"));
    QCOMPARE(c().value(kProgress), 0);
    QCOMPARE(c().text(kSendFile), Text(TextId::kSendFileCaption));
    QVERIFY(!c().enabled(kStopSend));
    for (int id : {kOpenClose, kBaudRate, kChooseFile, kTiming, kInput})
      QVERIFY2(c().enabled(id), qPrintable(QString::number(id)));
    m_prompts.whileOpen = nullptr;
    Click(kSendFile);
    QTRY_COMPARE(m_prompts.boxes.size(), 2);
    QTRY_COMPARE(ReceivedBytes(*m_module), file + file);
    QTRY_COMPARE(c().text(kTxCounters), TxLabel(file + file, 2 * sends));
  }

  void pauseAndResumeSendEveryByteOnceAndLeaveThePauseOut() {
    OpenWindow(Language::EnUS);
    const QByteArray file = Pattern(kLongFile);
    c().setText(kBaudRate, QStringLiteral("300"));  // a byte a write
    Choose(WriteFile("long.bin", file));
    QElapsedTimer wall;
    wall.start();
    Click(kSendFile);
    QCOMPARE(c().text(kSendFile), Text(TextId::kPauseCaption));
    for (int id : {kOpenClose, kPortList, kBaudRate, kChooseFile, kTiming, kInput})
      QVERIFY2(!c().enabled(id), qPrintable(QString::number(id)));
    QTRY_VERIFY(c().value(kProgress) > 0);

    Click(kSendFile);  // pause
    QCOMPARE(c().text(kSendFile), Text(TextId::kSendFileCaption));
    QVERIFY(c().enabled(kChooseFile));
    QVERIFY(c().enabled(kStopSend));
    QVERIFY(!c().enabled(kTiming));
    QTest::qWait(1000);  // the pause, which the statistics leave out
    const QByteArray paused = ReceivedBytes(*m_module);
    QVERIFY(paused.size() < kLongFile);
    QCOMPARE(ReceivedBytes(*m_module).size(), paused.size());  // nothing goes out meanwhile

    Click(kSendFile);  // resume
    QTRY_VERIFY_WITH_TIMEOUT(m_prompts.boxes.size() == 1, 60000);
    const double wallSeconds = wall.elapsed() / 1000.0;
    QTRY_COMPARE(ReceivedBytes(*m_module), file);  // nothing lost, nothing twice, in order
    const double seconds = StatsSeconds(m_prompts.boxes[0].text, kLongFile);
    QVERIFY2(seconds <= wallSeconds - 1.0 + 0.02,
             qPrintable(QStringLiteral("%1 of %2 s").arg(seconds).arg(wallSeconds)));
  }

  void stopWhilePausedCountsUpToThePause() {
    OpenWindow(Language::EnUS);
    c().setText(kBaudRate, QStringLiteral("300"));
    Choose(WriteFile("long.bin", Pattern(kLongFile)));
    QElapsedTimer wall;
    wall.start();
    Click(kSendFile);
    QTRY_VERIFY(c().value(kProgress) > 0);
    Click(kSendFile);  // pause
    const double untilPause = wall.elapsed() / 1000.0;
    QTest::qWait(300);  // the sender has ended and the module has read all
    const qint64 sent = ReceivedBytes(*m_module).size();
    Click(kStopSend);
    QCOMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(m_prompts.boxes[0].caption, Text(TextId::kSendStopped));
    const QString text = m_prompts.boxes[0].text;
    QVERIFY2(StatsPattern(sent).match(text).hasMatch(), qPrintable(text));
    QVERIFY(StatsSeconds(text, sent) <= untilPause + 0.01);
    QCOMPARE(c().text(kSendFile), Text(TextId::kSendFileCaption));
    QVERIFY(!c().enabled(kStopSend));
    QVERIFY(c().enabled(kOpenClose));
    QTRY_COMPARE(c().text(kPercent), QStringLiteral("0.0%"));
  }

  void filesThatCannotBeSentAreSaidAndNeverSent() {
    OpenWindow(Language::EnUS);
    // A missing file: the reason, and Send file stays off. The box may come
    // after the state is drawn: one opened during a draw waits for its end.
    Choose(m_files.filePath(QStringLiteral("missing.bin")));
    QTRY_COMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(m_prompts.boxes[0].text,
             Text(TextId::kFileOpenFailed) + QStringLiteral(": No such file or directory"));
    QCOMPARE(c().text(kFileLabel), m_prompts.chosenFile);
    QVERIFY(!c().enabled(kSendFile));

    // An empty file: nothing to send and nothing to say.
    Choose(WriteFile("empty.bin", QByteArray()));
    QCOMPARE(m_prompts.boxes.size(), 1);
    QVERIFY(!c().enabled(kSendFile));
    m_dlg->OnSendFile();  // what a press would do: no file was read
    QCOMPARE(m_prompts.boxes.size(), 2);
    QCOMPARE(m_prompts.boxes[1].text, Text(TextId::kNoFileChosen));
    QCOMPARE(m_prompts.boxes[1].caption, Text(TextId::kNoFileCaption));

    // A file of 2 GiB (sparse: nothing is written or read) is refused, and
    // the file in hand stays.
    const QByteArray small = Pattern(300);
    const QString smallPath = WriteFile("small.bin", small);
    Choose(smallPath);
    QVERIFY(c().enabled(kSendFile));
    const QString huge = m_files.filePath(QStringLiteral("huge.bin"));
    QFile hugeFile(huge);
    QVERIFY(hugeFile.open(QIODevice::WriteOnly));
    QVERIFY(hugeFile.resize(qint64(1) << 31));
    hugeFile.close();
    Choose(huge);
    // The refusal leaves the state as it was: no draw to wait for, only the
    // box the window has queued.
    QTRY_COMPARE(m_prompts.boxes.size(), 3);
    const QString refusal = m_prompts.boxes[2].text;
    QVERIFY2(refusal.contains(QStringLiteral("2147483648 bytes")), qPrintable(refusal));
    QVERIFY2(refusal.contains(QStringLiteral("2147483647 bytes")), qPrintable(refusal));
    QCOMPARE(c().text(kFileLabel), smallPath);
    QVERIFY(c().enabled(kSendFile));
    Click(kSendFile);
    QTRY_COMPARE(m_prompts.boxes.size(), 4);
    QTRY_COMPARE(ReceivedBytes(*m_module), small);
  }

  void aNamedPipeIsRefusedAndTheWindowStaysLive_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("reason");
    QTest::newRow("English") << Language::EnUS << QStringLiteral("not a regular file");
    QTest::newRow("Chinese") << Language::ZhCN << QStringLiteral("不是普通文件");
  }

  void aNamedPipeIsRefusedAndTheWindowStaysLive() {
    QFETCH(Language, language);
    QFETCH(QString, reason);
    OpenWindow(language);
    const QString fifo = m_files.filePath(QStringLiteral("pipe-") + QTest::currentDataTag());
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Should the window wait at the pipe after all, its other end is opened
    // after 10 s, so that the test fails instead of hanging.
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
      for (int i = 0; i < 1000 && !done; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (done) return;
      const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
    });
    QElapsedTimer clicked;
    clicked.start();
    m_prompts.chosenFile = fifo;
    Click(kChooseFile);
    const qint64 clickMs = clicked.elapsed();
    QTRY_COMPARE(m_prompts.boxes.size(), 1);
    done = true;
    watchdog.join();
    QVERIFY2(clickMs < 5000, qPrintable(QString::number(clickMs)));
    QCOMPARE(m_prompts.boxes[0].text,
             Text(TextId::kFileOpenFailed) + QStringLiteral(": ") +
                 QString::fromStdString(FileErrorReason(kNotRegularFile, language)));
    QVERIFY2(m_prompts.boxes[0].text.contains(reason), qPrintable(m_prompts.boxes[0].text));
    QVERIFY(!c().enabled(kSendFile));
    QVERIFY(!m_dlg->fileLoading());
    // The pipe is left as it was, and the window goes on: a file chosen now
    // is sent.
    QVERIFY(QFileInfo(fifo).isFile() == false && QFileInfo::exists(fifo));
    const QByteArray small = Pattern(300);
    Choose(WriteFile("small.bin", small));
    Click(kSendFile);
    QTRY_COMPARE(m_prompts.boxes.size(), 2);
    QTRY_COMPARE(ReceivedBytes(*m_module), small);
  }

  void lostPortEndsTheTransferWithItsStatistics() {
    OpenWindow(Language::EnUS);
    c().setText(kBaudRate, QStringLiteral("300"));
    Choose(WriteFile("long.bin", Pattern(kLongFile)));
    Click(kSendFile);
    QTRY_VERIFY(c().value(kProgress) > 0);
    m_module->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(m_prompts.boxes.size() == 2, kWatchMs);
    QCOMPARE(m_prompts.boxes[0].caption, Text(TextId::kSendStopped));
    QVERIFY2(m_prompts.boxes[0].text.startsWith(Text(TextId::kTimeWord)),
             qPrintable(m_prompts.boxes[0].text));
    QCOMPARE(m_prompts.boxes[1].caption, Text(TextId::kPortLostCaption));
    QTRY_VERIFY(m_dlg->connectionIdle());
    QVERIFY(!PortOpen());
    QCOMPARE(c().text(kSendFile), Text(TextId::kSendFileCaption));
    QCOMPARE(c().text(kOpenClose), Text(TextId::kOpenCaption));
    for (int id : {kStopSend, kSendFile, kChooseFile, kInput, kTiming})
      QVERIFY2(!c().enabled(id), qPrintable(QString::number(id)));
  }

  void closingStopsTheTransferFirst() {
    OpenWindow(Language::EnUS);
    c().setText(kBaudRate, QStringLiteral("300"));
    Choose(WriteFile("long.bin", Pattern(kLongFile)));
    Click(kSendFile);
    QTRY_VERIFY(c().value(kProgress) > 0);
    QVERIFY(m_dlg->close());
    QCOMPARE(m_dlg->closingRuns(), 1);
    QCOMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(m_prompts.boxes[0].caption, Text(TextId::kSendStopped));
    QVERIFY(!PortOpen());
  }

 private:
  void OpenWindow(Language language) {
    Start(WatchedOptions({m_module->path()}), language);
    OpenPort();
    // The worker's updates have reached the buttons that the tests click.
    QTRY_VERIFY(Widget(*m_dlg, kChooseFile)->isEnabled());
  }

  QString WriteFile(const char* name, const QByteArray& bytes) {
    const QString path = m_files.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return QString();
    return path;
  }

  // Chooses the file and waits until it has been read (on a worker).
  void Choose(const QString& path) {
    m_prompts.chosenFile = path;
    Click(kChooseFile);
    QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->fileLoading(), 20000);
  }

  QTemporaryDir m_files;
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(FileSendTest)
#include "file_send_test.moc"
