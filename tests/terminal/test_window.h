// Support for the tests that drive the main window: the options that start
// it on the given ports only (the machine's own ports stay out), the started
// window, a control found or clicked by its id, a choice from a combo box's
// list, opening the port, what the virtual module has read, and what the
// counter labels say.
#pragma once

#include <QAbstractButton>
#include <QByteArray>
#include <QComboBox>
#include <QMenu>
#include <QString>
#include <QTest>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/codecs.h"
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

// The control `id` of `parent` or of a window inside it, as type T. A
// missing control ends the test program with its id.
template <typename T = QWidget>
T* Widget(const QWidget& parent, int id) {
  T* widget = parent.findChild<T*>(QString::number(id));
  if (widget == nullptr) qFatal("no control %d", id);
  return widget;
}

inline void Click(QWidget& window, int id) {
  QTest::mouseClick(Widget<QAbstractButton>(window, id), Qt::LeftButton);
}

// What choosing an entry from the dropped-down list does.
inline void Choose(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

// A click on the entry of `menu` whose object name is `name`.
inline void PickMenuEntry(QMenu* menu, const char* name) {
  QAction* action = menu->findChild<QAction*>(QString::fromLatin1(name));
  QVERIFY(action != nullptr);
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
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

inline std::vector<std::uint8_t> Of(std::string_view text) {
  return {text.begin(), text.end()};
}

// A counter label before anything was sent or received.
inline const QString kNoTraffic = QStringLiteral("0/0 CRC:00000000");

// The byte count, the number of sends and the CRC of a counter label
// "bytes/sends CRC:XXXXXXXX".
inline qint64 LabelBytes(const QString& label) {
  return label.section(QLatin1Char('/'), 0, 0).toLongLong();
}
inline int Sends(const QString& label) {
  return label.section(QLatin1Char('/'), 1, 1).section(QLatin1Char(' '), 0, 0).toInt();
}
inline QString LabelCrc(const QString& label) {
  return label.section(QStringLiteral("CRC:"), 1);
}

// The CRC-32 of `bytes` as a counter label shows it.
inline QString CrcText(const QByteArray& bytes) {
  return QString::asprintf("%08X",
                           Crc32Update(0, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       std::uint32_t(bytes.size())));
}

// The virtual module's counting stream (byte i is i mod 256), `size` bytes
// from byte `from` on.
inline QByteArray CountingPattern(qint64 size, qint64 from = 0) {
  QByteArray bytes(qsizetype(size), Qt::Uninitialized);
  for (qsizetype i = 0; i < bytes.size(); ++i) bytes[i] = char((from + i) & 0xFF);
  return bytes;
}

}  // namespace zephyn

Q_DECLARE_METATYPE(zephyn::Language)
