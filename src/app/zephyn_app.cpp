#include "app/zephyn_app.h"

#include <QCommandLineParser>

#include "app/close_on_signal.h"
#include "app/ui_language.h"

namespace zephyn {

CZephynApp::CZephynApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("zephyn"));
  setApplicationVersion(QStringLiteral("1.6.6"));
}

StartOptions CZephynApp::ParseOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Serial terminal for Bluetooth serial modules"));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption port(QStringLiteral("port"),
                                QStringLiteral("List the serial device at PATH (repeatable)."),
                                QStringLiteral("PATH"));
  parser.addOption(port);
  parser.process(arguments);
  StartOptions options;
  for (const QString& path : parser.values(port)) options.extraPorts.push_back(path.toStdString());
  return options;
}

bool CZephynApp::InitInstance() {
  const StartOptions options = ParseOptions(arguments());
  const Language language = SystemUiLanguage();
  SetLanguage(language);
  CZephynDlg dialog(language, options);
  CloseOnSignal closeOnSignal(&dialog);
  dialog.DoModal();  // however it ended, the program ends
  return false;
}

}  // namespace zephyn
