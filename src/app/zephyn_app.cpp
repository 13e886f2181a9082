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

namespace {

// The options the program takes, described once for both parsers. They are
// read before the interface language is chosen, so in English.
struct CommandLine {
  QCommandLineParser parser;
  QCommandLineOption help = parser.addHelpOption();
  QCommandLineOption version = parser.addVersionOption();
  QCommandLineOption port{QStringLiteral("port"), Text(TextId::kPortOptionHelp),
                          QStringLiteral("PATH")};
  QCommandLineOption demo{QStringLiteral("demo"), Text(TextId::kDemoOptionHelp)};

  CommandLine() {
    parser.setApplicationDescription(Text(TextId::kAppDescription));
    parser.addOption(port);
    parser.addOption(demo);
  }
};

}  // namespace

CZephynApp::CZephynApp(int& argc, char** argv) : QApplication(argc, argv) {
  SetIdentity();
  // The installed desktop entry, by which the desktop finds the window's
  // name and icon.
  setDesktopFileName(QStringLiteral("example.zephyn.Zephyn"));
}

void CZephynApp::SetIdentity() {
  setApplicationName(QStringLiteral("zephyn"));
  setApplicationVersion(QStringLiteral("1.6.6"));
}

std::optional<int> CZephynApp::AnswerWithoutWindow(int& argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  CommandLine line;
  // Errors are left to the window's parser: the toolkit's own options
  // (-platform, -display) are unknown here and taken out only there.
  (void)line.parser.parse(arguments);
  const bool helpAll = line.parser.isSet(QStringLiteral("help-all"));
  if (!line.parser.isSet(line.help) && !helpAll && !line.parser.isSet(line.version))
    return std::nullopt;
  // A core application needs no window system; the usage line names the
  // program by its arguments.
  QCoreApplication core(argc, argv);
  SetIdentity();
  const QString answer =
      line.parser.isSet(line.version)
          ? applicationName() + QLatin1Char(' ') + applicationVersion() + QLatin1Char('\n')
          : line.parser.helpText();
  std::fputs(answer.toLocal8Bit().constData(), stdout);
  std::fflush(stdout);
  return 0;
}

ProgramOptions CZephynApp::ParseOptions(const QStringList& arguments) {
  CommandLine line;
  line.parser.process(arguments);
  ProgramOptions options;
  for (const QString& path : line.parser.values(line.port))
    options.start.extraPorts.push_back(path.toStdString());
  options.demo = line.parser.isSet(line.demo);
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
  // Without them the pane's Copy and Select All stay English in a Chinese
  // window; the window works either way.
  (void)LoadToolkitTranslations(language);
  std::unique_ptr<VirtualModule> module;
  if (options.demo) {
    // Answers at the rate the window selects at its first start.
    module = std::make_unique<VirtualModule>(115200);
    module->setAnswerDelay(20);
    if (module->ok()) {
      options.start.extraPorts.insert(options.start.extraPorts.begin(), module->path());
    } else {
      qWarning("zephyn: %s", qUtf8Printable(Text(TextId::kDemoFailed)));
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
