// The capture and Save through the real window and the virtual module: a
// capture folder that refuses writes loses nothing, a memory budget that
// runs out is told and Save says what is missing, and Save runs on a worker
// with a progress box whose Cancel, like closing the window, removes the
// partial file. The capture of a run that was killed is kept for the user,
// who is told once where it is.
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

#include "app/close_on_signal.h"
#include "support/window_fixture.h"

using namespace zephyn;
using namespace MainIds;

namespace {

// The module's counting pattern from byte `from` on.
bool IsPattern(const QByteArray& bytes, qint64 from = 0) {
  return bytes == CountingPattern(bytes.size(), from);
}

QByteArray ReadSaved(const QString& folder) {
  QFile saved(QDir(folder).filePath(QStringLiteral("RX data.bin")));
  return saved.open(QIODevice::ReadOnly) ? saved.readAll() : QByteArray();
}

}  // namespace

class CaptureTest : public WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    SetUpWindow();
    QVERIFY(NewModule());
  }

  void cleanup() { TearDownWindow(); }

  void captureOfAKilledRunIsKeptAndToldOnce_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("saying");
    QTest::newRow("English") << Language::EnUS << QStringLiteral("does not delete");
    QTest::newRow("Chinese") << Language::ZhCN << QStringLiteral("不会删除");
  }
  void captureOfAKilledRunIsKeptAndToldOnce() {
    QFETCH(Language, language);
    QFETCH(QString, saying);
    // A killed run's capture: its name, its bytes, and no run holding it.
    QVERIFY(QDir(m_data->path()).mkpath(QStringLiteral("data")));
    const QString left = m_data->filePath(QStringLiteral("data/20240101000000RX data.bin"));
    const QString kept =
        m_data->filePath(QStringLiteral("data/20240101000000RX data (recovered).bin"));
    const QByteArray bytes(2'000'000, 'x');
    {
      QFile file(left);
      QVERIFY(file.open(QIODevice::WriteOnly));
      QCOMPARE(file.write(bytes), bytes.size());
    }
    for (int run = 0; run < 2; ++run) {
      Start(ModuleOptions(), language);
      QCoreApplication::sendPostedEvents();
      QCoreApplication::processEvents();
      QCOMPARE(m_prompts.boxes.size(), 1);  // the first run tells, the next one does not
      m_dlg->reject();
      m_dlg.reset();
    }
    const QString text = m_prompts.boxes[0].text;
    QVERIFY2(text.contains(kept) && text.contains(saying), qPrintable(text));
    QVERIFY(!QFile::exists(left));
    QFile file(kept);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == bytes);
  }

  void unwritableCaptureFolderLosesNothing() {
    StartOnUnwritableFolder();
    constexpr qint64 kTotal = 10'000'000;
    QCOMPARE(m_module->stream(kTotal, 4096, 0), std::uint64_t(kTotal));
    QTRY_COMPARE_WITH_TIMEOUT(LabelBytes(c().text(kRxCounters)), kTotal, 60000);
    // Told once that the file cannot be written; nothing was dropped.
    QTRY_COMPARE(m_prompts.boxes.size(), 1);
    QVERIFY(m_prompts.boxes[0].text.startsWith(QStringLiteral("Cannot write the received-data")));

    QTemporaryDir folder;
    m_prompts.chosenFolder = folder.path();
    Click(kSave);
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.boxes.size(), 2, 30000);
    QCOMPARE(m_prompts.boxes[1].text, folder.path());
    QCOMPARE(m_prompts.boxes[1].caption, Text(TextId::kSaveFinished));
    const QByteArray saved = ReadSaved(folder.path());
    QCOMPARE(saved.size(), kTotal);
    QVERIFY(IsPattern(saved));
  }

  void droppedBytesAreToldAndSaveSaysWhichAreMissing() {
    StartOnUnwritableFolder();
    m_dlg->record().SetMemoryBudget(1'000'000);
    constexpr qint64 kTotal = 5'000'000;
    QCOMPARE(m_module->stream(kTotal, 4096, 0), std::uint64_t(kTotal));
    QTRY_COMPARE_WITH_TIMEOUT(LabelBytes(c().text(kRxCounters)), kTotal, 60000);
    QTRY_COMPARE(m_prompts.boxes.size(), 2);
    QVERIFY(m_prompts.boxes[1].text.contains(QStringLiteral("(1000000 bytes) is full")));
    QVERIFY(
        m_prompts.boxes[1].text.contains(QStringLiteral("the oldest 1000000 bytes were dropped")));

    const CaptureLoss loss = m_dlg->record().Loss();
    QCOMPARE(loss.gaps, std::uint64_t(1));
    QCOMPARE(loss.firstFrom, std::uint64_t(0));
    QTemporaryDir folder;
    m_prompts.chosenFolder = folder.path();
    Click(kSave);
    QTRY_COMPARE_WITH_TIMEOUT(m_prompts.boxes.size(), 3, 30000);
    const QString said = m_prompts.boxes[2].text;
    QVERIFY2(m_prompts.boxes[2].caption != Text(TextId::kSaveFinished), qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("but %1 received bytes are missing").arg(loss.bytes)),
             qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("bytes 1 to %1 of what was received").arg(loss.firstTo)),
             qPrintable(said));
    const QByteArray saved = ReadSaved(folder.path());
    QCOMPARE(saved.size(), kTotal - qint64(loss.bytes));
    QVERIFY(IsPattern(saved, qint64(loss.firstTo)));
  }

  void saveShowsProgressStaysLiveAndCancelRemovesThePartialFile() {
    StartWindow(m_data->path());
    QCOMPARE(m_module->stream(3'000'000, 4096, 0), std::uint64_t(3'000'000));
    QTRY_COMPARE_WITH_TIMEOUT(LabelBytes(c().text(kRxCounters)), 3'000'000, 60000);
    HoldSaveAtItsSecondPiece();

    QTemporaryDir folder;
    m_prompts.chosenFolder = folder.path();
    Click(kSave);
    auto* progress = m_dlg->findChild<QProgressDialog*>(QStringLiteral("SaveProgress"));
    QVERIFY(progress);
    QTRY_VERIFY(progress->isVisible());
    QTRY_VERIFY(progress->value() > 0);
    QCOMPARE(progress->accessibleName(), QStringLiteral("Saving to %1").arg(folder.path()));

    // The window goes on receiving and showing while the save waits.
    QVERIFY(m_module->send({'\r', '\n', 'l', 'i', 'v', 'e'}));
    QTRY_COMPARE(LabelBytes(c().text(kRxCounters)), 3'000'006);
    QTRY_VERIFY(c().text(kReceivePane).endsWith(QStringLiteral("live")));
    // A second Save meanwhile starts nothing.
    Click(kSave);
    QCOMPARE(m_prompts.titles.size(), 1);

    QTest::mouseClick(progress->findChild<QPushButton*>(QStringLiteral("SaveCancel")),
                      Qt::LeftButton);
    QTRY_VERIFY(!m_dlg->saveJob().Active());
    QTRY_VERIFY(!m_dlg->findChild<QProgressDialog*>(QStringLiteral("SaveProgress")));
    QVERIFY(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    QCOMPARE(m_prompts.boxes.size(), 0);

    // The next save runs to its end.
    m_dlg->saveJob().SetBeforePiece({});
    Click(kSave);
    QTRY_COMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(m_prompts.boxes[0].caption, Text(TextId::kSaveFinished));
    QCOMPARE(ReadSaved(folder.path()).size(), 3'000'006);
  }

  void signalDuringASaveEndsItAndRemovesThePartialFile() {
    StartWindow(m_data->path());
    QCOMPARE(m_module->stream(3'000'000, 4096, 0), std::uint64_t(3'000'000));
    QTRY_COMPARE_WITH_TIMEOUT(LabelBytes(c().text(kRxCounters)), 3'000'000, 60000);
    HoldSaveAtItsSecondPiece();
    CloseOnSignal closeOnSignal(m_dlg.get());

    QTemporaryDir folder;
    m_prompts.chosenFolder = folder.path();
    Click(kSave);
    QTRY_VERIFY(m_dlg->saveJob().Done() > 0);
    std::raise(SIGTERM);
    QTRY_VERIFY(!m_dlg->isVisible());
    QCOMPARE(m_dlg->closingRuns(), 1);
    QVERIFY(!m_dlg->saveJob().Active());
    QVERIFY(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    QCOMPARE(m_prompts.boxes.size(), 0);
  }

 private:
  void StartWindow(const QString& dataFolder) {
    StartOptions options = ModuleOptions();
    options.dataFolder = dataFolder.toStdString();
    Start(std::move(options));
    OpenPort();
  }

  // A data folder that is a regular file: no capture file can be made, even
  // by root.
  void StartOnUnwritableFolder() {
    const QString file = m_data->filePath(QStringLiteral("not a folder"));
    QFile(file).open(QIODevice::WriteOnly);
    StartWindow(file);
  }

  // The save worker waits before its second piece until the save is
  // cancelled.
  void HoldSaveAtItsSecondPiece() {
    SaveJob& job = m_dlg->saveJob();
    auto pieces = std::make_shared<std::atomic<int>>(0);
    job.SetBeforePiece([&job, pieces] {
      if (++*pieces != 2) return;
      while (!job.Cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
  }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(CaptureTest)
#include "capture_test.moc"
