// The receive pane's incremental text against a full rebuild of the same
// tail: a traffic record is fed as the window's recorders feed it, the pane's
// edits go through the control facade into a real text box, and after every
// update both must show what PaneText makes of the newest 100,000 bytes.
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dialogs/controls.h"
#include "storage/traffic_record.h"
#include "terminal/pane_text.h"
#include "terminal/receive_pane.h"

using namespace zephyn;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Lines of 62 printable characters and CR LF, as a module reporting readings.
Bytes Lines(std::size_t count) {
  Bytes out;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string line =
        "+DATA:" + std::to_string(100000 + i) + std::string(50, char('a' + i % 26)) + "\r\n";
    out.insert(out.end(), line.begin(), line.end());
  }
  return out;
}

// Chinese text in GBK ("中文" pairs, a blank or line break now and then), or
// in UTF-8 when `utf8`, with one ASCII byte first so that pairs start at odd
// positions.
Bytes Chinese(std::size_t characters, bool utf8) {
  const Bytes zhong = utf8 ? Bytes{0xE4, 0xB8, 0xAD} : Bytes{0xD6, 0xD0};
  const Bytes wen = utf8 ? Bytes{0xE6, 0x96, 0x87} : Bytes{0xCE, 0xC4};
  Bytes out{'A'};
  for (std::size_t i = 0; i < characters; ++i) {
    const Bytes& c = i % 2 == 0 ? zhong : wen;
    out.insert(out.end(), c.begin(), c.end());
    if (i % 97 == 96) out.push_back(' ');
    if (i % 331 == 330) out.insert(out.end(), {'\r', '\n'});
  }
  return out;
}

// Every byte value, zero bytes, stray lead bytes and lone CRs included.
Bytes Random(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  Bytes out(count);
  for (auto& b : out) b = std::uint8_t(random());
  return out;
}

// A record, the pane kept from it, and a text box that takes the pane's
// edits through the control facade as the window's pane does.
class PaneCheck {
 public:
  explicit PaneCheck(unsigned seed)
      : m_record(m_folder.path().toStdString(), "20260101000000"), m_random(seed) {
    m_box.resize(400, 300);
    m_controls.add(1, &m_box);
  }

  void Receive(const Bytes& bytes) {
    m_record.RecordReceived(bytes.data(), std::uint32_t(bytes.size()), true);
    Refresh();
  }
  void Send(const Bytes& bytes) {
    m_record.RecordSent(bytes.data(), std::int32_t(bytes.size()));
    Refresh();
  }
  // `bytes` received in blocks of 1 to `maxBlock` bytes, the pane updated
  // after each.
  void Stream(const Bytes& bytes, std::size_t maxBlock) {
    for (std::size_t at = 0; at < bytes.size() && m_failure.isEmpty();) {
      const std::size_t n = std::min(bytes.size() - at, 1 + m_random() % maxBlock);
      Receive(Bytes(bytes.begin() + std::ptrdiff_t(at), bytes.begin() + std::ptrdiff_t(at + n)));
      at += n;
    }
  }
  void Clear() {
    m_record.Clear();
    Refresh();
  }
  void SetView(PaneView view) {
    m_view = view;
    Refresh();
  }
  PaneView view() const { return m_view; }

  // The first difference found, empty when none.
  const QString& failure() const { return m_failure; }
  int edits() const { return m_edits; }
  int rebuilds() const { return m_rebuilds; }
  // True once the pane's first shown byte was the second byte of a GBK pair.
  bool cutACharacter() const { return m_cutACharacter; }

  // The text box against a box given the whole text at once.
  void CompareBox() {
    if (!m_failure.isEmpty()) return;
    QPlainTextEdit whole;
    whole.setPlainText(Expected());
    if (m_box.toPlainText() != whole.toPlainText())
      m_failure = QStringLiteral("the text box differs after update %1").arg(m_updates);
  }

 private:
  QString Expected() {
    const TrafficRecord::TailPosition at =
        m_record.Tail(m_view.echo, ReceivePane::kPaneBytes, m_tail);
    // In the GBK stream 0xD0 and 0xC4 are only ever second bytes.
    if (at.start > 0 && !m_tail.empty() && !m_view.utf8 && !m_view.hex)
      m_cutACharacter = m_cutACharacter || m_tail[0] == 0xD0 || m_tail[0] == 0xC4;
    return PaneText(m_tail.data(), m_tail.size(), m_view.hex, m_view.utf8, m_view.hexBytesPerLine,
                    at.start, true);
  }

  void Refresh() {
    if (!m_failure.isEmpty()) return;
    ++m_updates;
    const PaneEdit edit = m_pane.Update(m_record, m_view);
    if (edit.whole) {
      ++m_rebuilds;
      m_controls.setText(1, edit.back);
    } else if (!edit.Empty()) {
      ++m_edits;
      m_controls.editText(1, edit.removeFront, edit.front, edit.removeBack, edit.back);
    }
    const QString expected = Expected();
    const QString shown = m_controls.text(1);
    if (shown != expected) {
      qsizetype i = 0;
      while (i < shown.size() && i < expected.size() && shown[i] == expected[i]) ++i;
      m_failure = QStringLiteral("update %1: %2 characters against %3, first difference at %4")
                      .arg(m_updates)
                      .arg(shown.size())
                      .arg(expected.size())
                      .arg(i);
    } else if (m_updates % 16 == 0) {
      CompareBox();
    }
  }

  QTemporaryDir m_folder;
  TrafficRecord m_record;
  ReceivePane m_pane;
  Controls m_controls;
  QPlainTextEdit m_box;
  PaneView m_view;
  std::mt19937 m_random;
  Bytes m_tail;
  QString m_failure;
  int m_updates = 0;
  int m_edits = 0;
  int m_rebuilds = 0;
  bool m_cutACharacter = false;
};

PaneView Text(bool utf8 = false, bool echo = false) {
  return {echo, false, utf8, 16};
}
PaneView Hex(int perLine, bool echo = false) {
  return {echo, true, false, perLine};
}

struct Case {
  const char* name;
  std::function<void(PaneCheck&)> run;
  // Most updates must be edits, not rebuilds.
  bool mostlyEdits = true;
};

}  // namespace

class ReceivePaneTest : public QObject {
  Q_OBJECT

 private slots:
  void incrementalPaneEqualsAFullRebuild() {
    const std::vector<Case> cases = {
        {"text, lines", [](PaneCheck& p) { p.Stream(Lines(4000), 3000); }},
        {"text, random bytes", [](PaneCheck& p) { p.Stream(Random(300'000, 1), 2000); }},
        {"text, random bytes in UTF-8 mode",
         [](PaneCheck& p) {
           p.SetView(Text(true));
           p.Stream(Random(300'000, 2), 2000);
         }},
        {"GBK text cut at the pane's start",
         [](PaneCheck& p) { p.Stream(Chinese(150'000, false), 777); }},
        {"UTF-8 text cut at the pane's start",
         [](PaneCheck& p) {
           p.SetView(Text(true));
           p.Stream(Chinese(100'000, true), 1001);
         }},
        {"hex",
         [](PaneCheck& p) {
           p.SetView(Hex(16));
           p.Stream(Random(300'000, 3), 3000);
         }},
        {"hex, width changes in the middle",
         [](PaneCheck& p) {
           p.SetView(Hex(16));
           p.Stream(Random(150'000, 4), 3000);
           p.SetView(Hex(39));
           p.Stream(Random(150'000, 5), 3000);
         }},
        {"echo with direction markers, text and hex",
         [](PaneCheck& p) {
           p.SetView(Text(false, true));
           const Bytes lines = Lines(3000);
           for (std::size_t at = 0; at + 640 <= lines.size(); at += 640) {
             p.Send({'A', 'T', '\r', '\n'});
             p.Stream(Bytes(lines.begin() + std::ptrdiff_t(at),
                            lines.begin() + std::ptrdiff_t(at + 640)),
                      200);
           }
           p.SetView(Hex(20, true));
           for (int i = 0; i < 200; ++i) {
             p.Send({'A', 'T', '\r'});
             p.Stream(Random(700, unsigned(i)), 300);
           }
         }},
        {"Clear in the middle",
         [](PaneCheck& p) {
           p.Stream(Chinese(60'000, false), 2000);
           p.Clear();
           p.Stream(Lines(2000), 2000);
           p.SetView(Hex(16));
           p.Clear();
           p.Stream(Random(200'000, 6), 2000);
         }},
        {"mode changes in the middle",
         [](PaneCheck& p) {
           const Bytes bytes = Chinese(200'000, true);
           const std::size_t third = bytes.size() / 3;
           p.Stream(Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(third)), 1500);
           p.SetView(Text(true));
           p.Stream(Bytes(bytes.begin() + std::ptrdiff_t(third),
                          bytes.begin() + std::ptrdiff_t(2 * third)),
                    1500);
           p.SetView(Hex(24));
           p.Stream(Bytes(bytes.begin() + std::ptrdiff_t(2 * third), bytes.end()), 1500);
           p.SetView(Text(false, true));
           p.Stream(Lines(100), 1500);
         }},
        {"trim past 1,000,000 bytes, with and without echo",
         [](PaneCheck& p) {
           p.Stream(Lines(20'000), 12'000);
           p.SetView(Text(false, true));
           p.Stream(Lines(20'000), 12'000);
         }},
        {"more new bytes than the pane holds at once",
         [](PaneCheck& p) {
           p.Stream(Lines(100), 500);
           p.Receive(Random(250'000, 7));
           p.Receive(Lines(2000));
           p.Stream(Lines(200), 500);
         },
         false},
    };
    for (const Case& c : cases) {
      PaneCheck check(42);
      c.run(check);
      check.CompareBox();
      QVERIFY2(check.failure().isEmpty(), qPrintable(c.name + QStringLiteral(": ") +
                                                     check.failure()));
      if (c.mostlyEdits)
        QVERIFY2(check.edits() > 4 * check.rebuilds(),
                 qPrintable(QStringLiteral("%1: %2 edits, %3 rebuilds")
                                .arg(c.name)
                                .arg(check.edits())
                                .arg(check.rebuilds())));
      if (QByteArray(c.name).startsWith("GBK")) QVERIFY(check.cutACharacter());
    }
  }
};

#include "support/qtest_class.h"
ZEPHYN_QTEST_CLASS(ReceivePaneTest)
#include "receive_pane_test.moc"
