// The child of the signal test: the main window run as the program runs it
// (the real boxes and choosers, the termination signals closing it), with
// one kind of dialog or activity under way. It prints "open" on standard
// output once that is so, then waits for the test's signal.
//
//   signal_child CASE FOLDER
//
// CASE: message, password, advanced, open-file, folder, log-file (the live
// log's chooser, which must propose the port's name and the time),
// file-send, statistics. FOLDER holds the capture, the settings file and the file sent.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "app/close_on_signal.h"
#include "dialogs/advance_dlg.h"
#include "dialogs/prompt_service.h"
#include "dialogs/pwd_dlg.h"
#include "sim/virtual_module.h"
#include "terminal/test_window.h"

using namespace zephyn;

namespace {

template <typename T>
T* ModalDialog() {
  return qobject_cast<T*>(QApplication::activeModalWidget());
}

// Calls `ready` on the window's thread, every few milliseconds, until it
// returns true.
void Poll(QObject* scope, std::function<bool()> ready) {
  auto* timer = new QTimer(scope);
  QObject::connect(timer, &QTimer::timeout, [timer, ready] {
    if (ready()) timer->stop();
  });
  timer->start(5);
}

void SayOpen() {
  std::printf("open\n");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) return 2;
  const QString what = QString::fromLocal8Bit(argv[1]);
  const QString folder = QString::fromLocal8Bit(argv[2]);
  SetLanguage(Language::EnUS);

  VirtualModule module(115200);
  StartOptions options = TestOptions({module.path()}, folder);
  options.settingsPath = (folder + QStringLiteral("/ZephynData.ini")).toStdString();
  CZephynDlg dlg(Language::EnUS, options);
  CloseOnSignal closeOnSignal(&dlg);

  auto whenModal = [&](auto* type, std::function<void()> then) {
    using T = std::remove_pointer_t<decltype(type)>;
    Poll(&dlg, [then] {
      if (ModalDialog<T>() == nullptr) return false;
      then();
      return true;
    });
  };
  const QString fileToSend = folder + QStringLiteral("/to send.bin");

  QTimer::singleShot(0, &dlg, [&] {
    if (what == "message") {
      whenModal((QMessageBox*)nullptr, SayOpen);
      Prompts().messageBox(&dlg, QStringLiteral("held"), AppTitle(), QMessageBox::Ok,
                           QMessageBox::Information);
    } else if (what == "password") {
      whenModal((CPwdDlg*)nullptr, SayOpen);
      dlg.OnAdvancedSettings();
    } else if (what == "advanced") {
      whenModal((CPwdDlg*)nullptr, [&] {
        CPwdDlg* password = ModalDialog<CPwdDlg>();
        password->controls().setText(PasswordIds::kPasswordEdit, QStringLiteral("46527419"));
        whenModal((CAdvanceDlg*)nullptr, SayOpen);
        password->accept();
      });
      dlg.OnAdvancedSettings();
    } else if (what == "open-file") {
      whenModal((QFileDialog*)nullptr, SayOpen);
      dlg.OnChooseFile();
    } else if (what == "folder") {
      whenModal((QFileDialog*)nullptr, SayOpen);
      dlg.OnSave();
    } else if (what == "log-file") {
      Choose(Widget<QComboBox>(dlg, MainIds::kBaudRate), 1);  // opens the port
      Poll(&dlg, [&] {
        if (dlg.controls().text(MainIds::kOpenClose) != Text(TextId::kCloseCaption)) return false;
        whenModal((QFileDialog*)nullptr, [&] {
          const QString port = QFileInfo(QString::fromStdString(module.path())).fileName();
          const QString proposed =
              QFileInfo(ModalDialog<QFileDialog>()->selectedFiles().value(0)).fileName();
          const QRegularExpression name(
              QStringLiteral("^%1_\\d{8}_\\d{6}\\.log$").arg(QRegularExpression::escape(port)));
          if (!name.match(proposed).hasMatch()) {
            std::fprintf(stderr, "proposed: %s\n", qPrintable(proposed));
            std::exit(4);
          }
          SayOpen();
        });
        dlg.OnLogToFile();
        return true;
      });
    } else if (what == "file-send" || what == "statistics") {
      // The module takes nothing in, so the transfer stays under way.
      module.setHoldBack(true);
      QFile file(fileToSend);
      const QByteArray bytes(1 << 20, 'z');
      if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) std::exit(3);
      file.close();
      Choose(Widget<QComboBox>(dlg, MainIds::kBaudRate), 1);  // 9600
      Poll(&dlg, [&] {
        if (dlg.controls().text(MainIds::kOpenClose) != Text(TextId::kCloseCaption)) return false;
        whenModal((QFileDialog*)nullptr, [&] {
          QFileDialog* chooser = ModalDialog<QFileDialog>();
          chooser->selectFile(fileToSend);
          static_cast<QDialog*>(chooser)->accept();  // QFileDialog hides its own
        });
        dlg.OnChooseFile();
        // The file is read on a worker; Send file waits for it.
        while (dlg.fileLoading()) QApplication::processEvents(QEventLoop::AllEvents, 20);
        dlg.OnSendFile();
        if (what == "statistics") {
          whenModal((QMessageBox*)nullptr, SayOpen);
          dlg.OnStopSend();
        } else {
          SayOpen();
        }
        return true;
      });
    } else {
      std::exit(2);
    }
  });
  dlg.DoModal();
  return 0;
}
