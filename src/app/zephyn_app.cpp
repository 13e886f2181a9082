#include "app/zephyn_app.h"

#include <unistd.h>

#include <QCommandLineParser>
#include <cstdio>
#include <memory>

#include "app/close_on_signal.h"
#include "app/ui_language.h"
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "sim/virtual_module.h"
#include "storage/settings_store.h"

namespace zephyn {

CZephynApp::CZephynApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("zephyn"));
  setApplicationVersion(QStringLiteral("1.6.6"));
  // The installed desktop entry, by which the desktop finds the window's
  // name and icon.
  setDesktopFileName(QStringLiteral("example.zephyn.Zephyn"));
}

ProgramOptions CZephynApp::ParseOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Serial terminal for Bluetooth serial modules"));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption port(QStringLiteral("port"),
                                QStringLiteral("List the serial device at PATH (repeatable)."),
                                QStringLiteral("PATH"));
  parser.addOption(port);
  const QCommandLineOption demo(
      QStringLiteral("demo"),
      QStringLiteral("Run a virtual Bluetooth module (at 115200 bit/s) and list it as a port."));
  parser.addOption(demo);
  parser.process(arguments);
  ProgramOptions options;
  for (const QString& path : parser.values(port))
    options.start.extraPorts.push_back(path.toStdString());
  options.demo = parser.isSet(demo);
  return options;
}

QStringList CZephynApp::MissingPortMessages(const std::vector<std::string>& paths) {
  // Such a path is not dropped: it is listed as soon as it exists (a
  // pseudo-terminal started later, an adapter plugged in). It is said at
  // start so that a mistyped path does not go unnoticed.
  QStringList lines;
  for (const std::string& path : paths) {
    if (::access(path.c_str(), F_OK) != 0)
      lines << Text(TextId::kPortPathMissing).arg(QString::fromStdString(path));
  }
  return lines;
}

bool CZephynApp::InitInstance() {
  ProgramOptions options = ParseOptions(arguments());
  const Language language = SystemUiLanguage();
  SetLanguage(language);
  std::unique_ptr<VirtualModule> module;
  if (options.demo) {
    // Answers at the rate the window selects at its first start.
    module = std::make_unique<VirtualModule>(115200);
    module->setAnswerDelay(20);
    if (module->ok()) {
      options.start.extraPorts.insert(options.start.extraPorts.begin(), module->path());
    } else {
      qWarning("zephyn: the virtual module could not be started");
    }
  }
  for (const QString& line : MissingPortMessages(options.start.extraPorts))
    std::fprintf(stderr, "zephyn: %s\n", line.toLocal8Bit().constData());
  const SettingsFiles settings = FindSettingsFiles();
  options.start.settingsPath = settings.path;
  options.start.settingsFallbackPath = settings.fallback;
  CZephynDlg dialog(language, options.start);
  CloseOnSignal closeOnSignal(&dialog);
  dialog.DoModal();  // however it ended, the program ends
  return false;
}

}  // namespace zephyn
