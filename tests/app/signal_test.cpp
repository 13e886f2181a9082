// SIGTERM and SIGINT end the program whatever is open: a message box, the
// password or advanced settings dialog, a file or folder chooser, a file
// transfer whose closing shows its statistics. Each case runs the window in
// a child process with the real boxes (signal_child), waits until the box
// shows, sends the signal and expects the process to end within a second
// with exit code 0, having run its closing order.
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class SignalTest : public QObject {
  Q_OBJECT

 private slots:
  void endsWhateverIsOpen_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("said");  // on standard error: the box that closing skipped
    QTest::newRow("message box, SIGTERM") << "message" << SIGTERM << "";
    QTest::newRow("message box, SIGINT") << "message" << SIGINT << "";
    QTest::newRow("password") << "password" << SIGTERM << "";
    QTest::newRow("advanced settings") << "advanced" << SIGTERM << "";
    QTest::newRow("file chooser") << "open-file" << SIGTERM << "";
    QTest::newRow("folder chooser of Save") << "folder" << SIGTERM << "";
    QTest::newRow("live log's chooser") << "log-file" << SIGTERM << "";
    QTest::newRow("file send") << "file-send" << SIGTERM << "Send stop";
    QTest::newRow("statistics box") << "statistics" << SIGINT << "";
  }
  void endsWhateverIsOpen() {
    QFETCH(QString, what);
    QFETCH(int, signal);
    QFETCH(QString, said);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(SIGNAL_CHILD), {what, folder.path()});
    QVERIFY(child.waitForStarted(10000));
    QByteArray output;
    auto shown = [&] {
      output += child.readAllStandardOutput();
      return output.contains("open") || child.state() == QProcess::NotRunning;
    };
    // Generous: starting the window may be slow on a loaded machine.
    QTRY_VERIFY_WITH_TIMEOUT(shown(), 30000);
    QVERIFY2(child.state() == QProcess::Running, child.readAllStandardError().constData());

    QElapsedTimer ending;
    ending.start();
    QCOMPARE(::kill(pid_t(child.processId()), signal), 0);
    QVERIFY(child.waitForFinished(10000));
    const qint64 ms = ending.elapsed();
    const QString errors = QString::fromLocal8Bit(child.readAllStandardError());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 0, qPrintable(errors));
    QVERIFY2(ms < 1000, qPrintable(QStringLiteral("%1 ms").arg(ms)));
    if (!said.isEmpty()) QVERIFY2(errors.contains(said), qPrintable(errors));

    // The closing order ran: the settings were written and the capture of
    // the run deleted.
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("ZephynData.ini"))));
    const QStringList captures =
        QDir(folder.filePath(QStringLiteral("data"))).entryList(QDir::Files | QDir::NoDotAndDotDot);
    QVERIFY2(captures.isEmpty(), qPrintable(captures.join(QLatin1Char(' '))));
    // Save's folder chooser answered Cancel: nothing was saved.
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("RX data.bin"))));
  }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(SignalTest)
#include "signal_test.moc"
