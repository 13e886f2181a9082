// One full rebuild of the receive pane with 100,000 received bytes: as text
// (with line breaks), as hexadecimal on one wrapped line, and as hexadecimal
// broken into lines of whole bytes that fill the pane's width. Prints the
// median time of each in milliseconds. Run with QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "terminal/pane_text.h"
#include "terminal/zephyn_dlg.h"

using namespace zephyn;

namespace {

double MedianMs(QPlainTextEdit* pane, const QString& text, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    pane->setPlainText(QString());
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    pane->setPlainText(text);
    pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    times.push_back(timer.nsecsElapsed() / 1e6);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  SetLanguage(Language::EnUS);
  CZephynDlg dlg(Language::EnUS);
  dlg.OnInitDialog();
  dlg.show();
  auto* pane = dlg.findChild<QPlainTextEdit*>(QStringLiteral("1049"));

  // 100,000 bytes of module-like traffic: printable text in lines of 60.
  std::mt19937 random(7);
  std::vector<std::uint8_t> bytes(100'000);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = (i % 62 == 60) ? '\r' : (i % 62 == 61) ? '\n' : std::uint8_t(0x20 + random() % 95);

  // As the refresh thread builds them; the one line is what a pane that
  // wraps a single line of hex would have to lay out.
  const QString text = PaneText(bytes.data(), bytes.size(), false, false, 0);
  const QString hexOneLine = PaneText(bytes.data(), bytes.size(), true, false, int(bytes.size()));
  const QString hexLines = PaneText(bytes.data(), bytes.size(), true, false,
                                    HexBytesPerLine(*pane, pane->viewport()->width()));

  const int runs = 9;
  std::printf("nproc: %u\n", std::thread::hardware_concurrency());
  std::printf("pane rebuild, 100000 bytes as text:               %7.1f ms\n",
              MedianMs(pane, text, runs));
  std::printf("pane rebuild, 300000 hex characters on one line:  %7.1f ms\n",
              MedianMs(pane, hexOneLine, runs));
  std::printf("pane rebuild, 300000 hex characters in lines:     %7.1f ms\n",
              MedianMs(pane, hexLines, runs));
  dlg.close();
  return 0;
}
