// The file transfer: a chosen file read whole on a worker, then written to
// the port in chunks by the transfer's sender, counted but not shown, with
// pause, resume and stop. Every command returns at once: what waits for the
// sender (starting, replacing the file, rewinding) runs on the worker, in
// the order the commands came.
//
// A transfer is under way from Send until its last chunk or a Stop (the
// session stops it for a close, an open, a lost port and at Shutdown);
// whichever comes first ends it, once: it counts as one more send, the
// state goes back to Idle and OnTransferEnded tells its figures. The
// progress stays as it ended until Rewind or the next Send takes the file
// back to its first byte.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "common/file_transfer.h"
#include "common/task_queue.h"
#include "session/session_link.h"
#include "storage/whole_file.h"

namespace zephyn {

class FileSend {
 public:
  enum class Go {
    kStarted,  // sending, or resumed where the pause left it
    kNoFile,   // no file that was read is in hand
    kNotNow,   // sending already, a file is being read, or the port is not open
  };

  explicit FileSend(SessionLink& link);
  ~FileSend();  // Shutdown()
  FileSend(const FileSend&) = delete;
  FileSend& operator=(const FileSend&) = delete;

  // Reads the file at `path` on the worker, to be sent in chunks of
  // FileChunkSize(baud). The state's file is Loading meanwhile; then the file
  // read is the one in hand (Loaded), or one that cannot be read or is
  // empty replaces it (Unsendable, with OnFileRefused); either way filePath
  // names it. One too large or with no room in memory leaves the file in
  // hand and the state as they were, with OnFileRefused. A paused transfer
  // stays paused, with the new file from its first byte. False while
  // sending (nothing happens). Any thread.
  bool Load(const std::string& path, std::int64_t baud);

  // Starts sending the loaded file, or resumes a paused transfer. Any thread.
  Go Send();

  // Pauses the transfer: the sender ends after the chunk it is writing.
  // False when it was not sending. Any thread.
  bool Pause();

  // Ends a transfer under way, sending or paused, as stopped. False when
  // none was under way. Any thread, the sender included.
  bool Stop();

  // Once a transfer has ended: the file back to its first byte, the
  // progress at 0. Any thread.
  void Rewind();

  // The progress of the transfer, for a refresh: thousandths and percent of
  // the file sent (0 with no file), and the speed of the chunks written since
  // the last sample (FileTransfer::TakeSpeedSample; one thread samples).
  int Thousandths() const;
  double Percent() const;
  std::optional<std::int32_t> TakeSpeedSample();

  // Stops a transfer under way (reported as by Stop), drops the commands
  // not yet run and waits for the worker and the sender. Later commands do
  // nothing. Not from the sender.
  void Shutdown();

 private:
  // How a transfer ended; false when none was under way.
  bool End(TransferEnd end);
  // On the worker.
  void LoadNow(const std::string& path, std::int64_t baud);
  void StartSender();
  void RewindNow();
  // A transfer ended since the last rewind, and none is under way.
  bool RewindDueLocked();

  SessionLink& m_link;
  // Held while the file's part of the state changes and while the sender is
  // started, paused or finished, so that the state and the sender agree.
  // Only this class changes state.file, filePath and transfer, always under
  // it: read under it, they hold until it is released.
  std::mutex m_lock;
  FileStage m_held = FileStage::None;  // the file in hand, whatever is loading
  int m_loads = 0;                     // loads not finished
  bool m_startPosted = false;          // a StartSender waits on the worker
  bool m_rewindDue = false;            // a transfer ended since the last rewind
  bool m_shutDown = false;

  FileTransfer m_transfer;
  // Reads files and runs what waits for the sender; its thread is this
  // object's.
  TaskQueue m_worker;
};

}  // namespace zephyn
