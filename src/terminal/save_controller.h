// Saving what was received: the capture file, the blocks waiting in memory
// and the receive log become one "RX data.bin" in a folder the user picks.
// The file is written on the save job's worker behind a progress box with
// Cancel; the window goes on showing the traffic meanwhile. Started,
// finished and cancelled on the window's thread (the worker only writes its
// file and posts its end).
#pragma once

#include <QPointer>
#include <QString>
#include <string>

#include "common/texts.h"
#include "dialogs/controls.h"
#include "storage/save_job.h"
#include "storage/traffic_record.h"

class QProgressDialog;
class QWidget;

namespace zephyn {

class SaveController {
 public:
  // `window` owns the boxes; `controls` posts the job's end to its thread.
  SaveController(QWidget& window, Controls& controls, TrafficRecord& record, Language language);
  // Close().
  ~SaveController();
  SaveController(const SaveController&) = delete;
  SaveController& operator=(const SaveController&) = delete;

  // The Save button: the folder chooser, then the save on its worker. One
  // save at a time; nothing once closed.
  void OnSave();
  // The closing order: a save under way stops, its partial file is removed
  // and its worker joined; no save starts after it.
  void Close();

  SaveJob& job() { return m_job; }

 private:
  // Opens the progress box of the save into `folder`.
  void ShowProgress(const QString& folder);
  // The end of a save: its progress box closed, its outcome told. When the
  // worker is done.
  void Finish();
  void ShowFileError(const std::string& path, int error);

  QWidget& m_window;
  Controls& m_controls;
  TrafficRecord& m_record;
  const Language m_language;
  SaveJob m_job;
  QPointer<QProgressDialog> m_progress;
  QString m_folder;
  bool m_closed = false;
};

}  // namespace zephyn
