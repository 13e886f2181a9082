// The shared fixture of the tests that drive the main window. Each test gets
// a data folder and a fake sysfs tree of its own, a prompt stand-in with
// nothing recorded, the virtual module when it asks for one, the window
// started with the test options in a language, and a cleanup that closes
// all of it. A test class derives from it, calls SetUpWindow() from init()
// and TearDownWindow() from cleanup(), and adds what it needs beyond.
#pragma once

#include <QObject>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/virtual_module.h"
#include "terminal/test_prompts.h"
#include "terminal/test_window.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

// The port watch wakes every 100 ms in the tests that start it so (every 3 s
// in the program); conditions that need a pass get a generous deadline.
inline constexpr std::chrono::milliseconds kWatchPeriod{100};
inline constexpr int kWatchMs = 8000;

class WindowFixture : public QObject {
 protected:
  // Each test's start: the texts in `language`, fresh folders, the prompt
  // stand-in with nothing recorded.
  void SetUpWindow(Language language = Language::EnUS);
  // Each test's end: the window, then the module, then the port should it
  // still be open.
  void TearDownWindow();

  // A new module on its own pseudo-terminal, answering at `rate`, in place
  // of the fixture's module; false when it could not be made.
  [[nodiscard]] bool NewModule(std::uint32_t rate = 115200);

  // The window on `ports` only, with this test's data folder.
  StartOptions Options(std::vector<std::string> ports) const;
  // The same on this test's fake sysfs tree, watched every kWatchPeriod.
  StartOptions WatchedOptions(std::vector<std::string> ports) const;
  // The window on the module's port only.
  StartOptions ModuleOptions() const { return Options({m_module->path()}); }

  // Starts the window in `language`; the texts follow it, as the program
  // sets them before its window.
  CZephynDlg& Start(StartOptions options, Language language = Language::EnUS);
  // Presses Open and waits until the button shows the port open, the port
  // is, and the window has drawn the first reading of its modem lines.
  void OpenPort();

  // Draws the controls as the window does for a port in `connection`, the
  // side panel included, without opening one.
  void DrawAs(Connection connection);

  // Whether the terminal's port is open.
  bool PortOpen() const;

  Controls& c() { return m_dlg->controls(); }
  // A click on the window's control, or on one of `window` (a page of the
  // side panel), then a wait until the window has drawn the state the click
  // left: the window draws the session's reports from its event loop.
  void Click(int id) { Click(*m_dlg, id); }
  void Click(QWidget& window, int id);
  void WaitUntilDrawn();

  RecordingPrompts m_prompts;
  std::unique_ptr<QTemporaryDir> m_data;
  std::unique_ptr<QTemporaryDir> m_sysfs;
  std::unique_ptr<VirtualModule> m_module;
  std::unique_ptr<CZephynDlg> m_dlg;
};

}  // namespace zephyn
