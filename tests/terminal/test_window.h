// Support for the tests that drive the main window: the options that start
// it on the given ports only (the machine's own ports stay out), the started
// window, a click on a control by its id, a choice from a combo box's list,
// opening the port, and what the virtual module has read.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QString>
#include <QTest>
#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"
#include "serial/baud_search.h"
#include "sim/virtual_module.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

// The virtual module answers a baud probe at once: a detection's steps need
// not wait as long as a real module needs.
inline constexpr BaudSearchWaits kTestBaudSearchWaits{std::chrono::milliseconds(100),
                                                      std::chrono::milliseconds(20)};

inline StartOptions TestOptions(std::vector<std::string> ports, const QString& dataFolder) {
  StartOptions options;
  options.extraPorts = std::move(ports);
  options.sysfsRoot = "/nonexistent";
  options.dataFolder = dataFolder.toStdString();
  options.baudSearchWaits = kTestBaudSearchWaits;
  return options;
}

inline std::unique_ptr<CZephynDlg> StartWindow(Language language, StartOptions options) {
  auto dlg = std::make_unique<CZephynDlg>(language, std::move(options));
  dlg->OnInitDialog();
  dlg->show();
  return dlg;
}

inline void Click(QWidget& window, int id) {
  QTest::mouseClick(window.findChild<QAbstractButton*>(QString::number(id)), Qt::LeftButton);
}

// What choosing an entry from the dropped-down list does.
inline void Choose(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

// Presses Open and waits until the button shows the port open.
inline void OpenPort(CZephynDlg& dlg) {
  Click(dlg, MainIds::kOpenClose);
  QTRY_COMPARE(dlg.controls().text(MainIds::kOpenClose), Text(TextId::kCloseCaption));
}

inline std::string Received(const VirtualModule& module) {
  const std::vector<std::uint8_t> bytes = module.received();
  return std::string(bytes.begin(), bytes.end());
}

// The number of sends of a counter label "bytes/sends CRC:XXXXXXXX".
inline int Sends(const QString& label) {
  return label.section(QLatin1Char('/'), 1, 1).section(QLatin1Char(' '), 0, 0).toInt();
}

}  // namespace zephyn
