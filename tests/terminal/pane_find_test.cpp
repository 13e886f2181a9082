// Searching what the receive pane shows: text and hex queries in the text
// and hex views.
#include <QTest>

#include "terminal/pane_find.h"

using namespace zephyn;

Q_DECLARE_METATYPE(std::vector<zephyn::PaneMatch>)

class PaneFindTest : public QObject {
  Q_OBJECT

 private slots:
  void matches_data() {
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("hexQuery");
    QTest::addColumn<bool>("hexView");
    QTest::addColumn<std::vector<PaneMatch>>("expected");
    using M = std::vector<PaneMatch>;
    const QString hexPane = QStringLiteral("4F 4B 0D 0A 41 \n54 0D 0A 4F 4B ");

    QTest::newRow("text ignores case") << "OK\nok\nOk" << "ok" << false << false
                                       << M{{0, 2}, {3, 2}, {6, 2}};
    QTest::newRow("text matches do not overlap") << "aaaa" << "aa" << false << false
                                                 << M{{0, 2}, {2, 2}};
    QTest::newRow("text not there") << "OK\n" << "ERROR" << false << false << M{};
    QTest::newRow("empty query finds nothing") << "OK" << "" << false << false << M{};
    QTest::newRow("text of Chinese") << QStringLiteral("名称=蓝牙\n") << QStringLiteral("蓝牙")
                                     << false << false << M{{3, 2}};
    QTest::newRow("hex bytes in the text view") << "OK\nAT\nOK" << "4f4b" << true << false
                                                << M{{0, 2}, {6, 2}};
    QTest::newRow("hex bytes of GBK text in the text view")
        << QStringLiteral("名称=蓝牙") << QStringLiteral("C0 B6 D1 C0") << true << false
        << M{{3, 2}};
    QTest::newRow("hex bytes in the hex view") << hexPane << "0D 0A" << true << true
                                               << M{{6, 5}, {19, 5}};
    QTest::newRow("hex bytes across a line break") << hexPane << "41 54" << true << true
                                                   << M{{12, 6}};
    QTest::newRow("hex bytes skip what is no byte group")
        << QStringLiteral("12:01:07.120 4F 4B \n12:01:08.000 0D 0A ") << "4B0D" << true << true
        << M{{16, 19}};
    QTest::newRow("hex digits never match inside a time stamp")
        << QStringLiteral("12:01:07.120 4F ") << "12" << true << true << M{};
    QTest::newRow("text query in the hex view is literal") << hexPane << "0d 0a" << false << true
                                                           << M{{6, 5}, {19, 5}};
  }
  void matches() {
    QFETCH(QString, shown);
    QFETCH(QString, query);
    QFETCH(bool, hexQuery);
    QFETCH(bool, hexView);
    QFETCH(std::vector<PaneMatch>, expected);
    const auto found = FindInPane(shown, query, hexQuery, hexView, false);
    QVERIFY(found.has_value());
    QCOMPARE(found->size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      QCOMPARE((*found)[i].start, expected[i].start);
      QCOMPARE((*found)[i].length, expected[i].length);
    }
  }

  void malformedHexQueriesAreRefused_data() {
    QTest::addColumn<QString>("query");
    QTest::newRow("odd digits") << "4F4";
    QTest::newRow("blank inside a pair") << "4 F";
    QTest::newRow("not a digit") << "4G";
  }
  void malformedHexQueriesAreRefused() {
    QFETCH(QString, query);
    QCOMPARE(FindInPane(QStringLiteral("4F 4B "), query, true, true, false), std::nullopt);
    QCOMPARE(FindInPane(QStringLiteral("OK"), query, true, false, false), std::nullopt);
  }

  void utf8ModeConvertsHexQueriesAsThePaneDoes() {
    // "蓝" is E8 93 9D in UTF-8; in UTF-8 mode the pane shows it as that.
    const auto found = FindInPane(QStringLiteral("蓝牙"), QStringLiteral("E8939D"), true, false,
                                  true);
    QVERIFY(found.has_value());
    QCOMPARE(found->size(), std::size_t(1));
    QCOMPARE(found->front().start, 0);
  }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(PaneFindTest)
#include "pane_find_test.moc"
