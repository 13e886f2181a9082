// The refresher's speed labels, driven through its inputs alone: each second
// shows the bytes taken for it, and while a file goes out the TX speed is
// the file's own sample, shown once, after which the counted bytes come back.
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <memory>

#include "dialogs/controls.h"
#include "resources/control_ids.h"
#include "storage/traffic_record.h"
#include "terminal/pane_refresher.h"

using namespace zephyn;
using namespace MainIds;

class PaneRefresherTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_window = std::make_unique<QWidget>();
    m_controls = new Controls(m_window.get());
    for (int id : {kTxSpeed, kRxSpeed, kTxCounters, kRxCounters, kPercent, kFileLabel})
      m_controls->add(id, new QLabel(m_window.get()));
    m_controls->add(kProgress, new QProgressBar(m_window.get()));
    m_controls->add(kReceivePane, new QPlainTextEdit(m_window.get()));
    m_record = std::make_unique<TrafficRecord>(m_folder.path().toStdString(), "0");
    m_samples = 0;
  }

  void cleanup() {
    m_refresher.reset();
    m_record.reset();
    m_window.reset();
  }

  void fileSampleTakesTheTxSpeedOnce() {
    PaneRefresher::Inputs inputs;
    inputs.view = [] { return PaneView{}; };
    inputs.takeSpeeds = [] { return PaneRefresher::Speeds{5, 7}; };
    // The file's sender has one sample, some passes after the start.
    inputs.fileProgress = [this] {
      PaneRefresher::FileProgress progress;
      if (++m_samples == 5) progress.speedSample = 1234;
      return progress;
    };
    m_refresher = std::make_unique<PaneRefresher>(*m_controls, *m_record, inputs);
    m_refresher->Start();

    auto figure = [this](int id) { return m_controls->text(id).section(QLatin1Char(' '), 0, 0); };
    QTRY_COMPARE(figure(kTxSpeed), QStringLiteral("1234"));
    QCOMPARE(figure(kRxSpeed), QStringLiteral("7"));
    QTRY_COMPARE(figure(kTxSpeed), QStringLiteral("5"));
    m_refresher->Stop();
    QVERIFY(!m_refresher->Running());
  }

 private:
  QTemporaryDir m_folder;
  std::unique_ptr<QWidget> m_window;
  Controls* m_controls = nullptr;  // a child of m_window
  std::unique_ptr<TrafficRecord> m_record;
  std::unique_ptr<PaneRefresher> m_refresher;
  std::atomic<int> m_samples{0};
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(PaneRefresherTest)
#include "pane_refresher_test.moc"
