// One Save at a time, written on a worker thread so that the window stays
// live while a large capture is written: its progress, a cancel, and its
// outcome. The owner starts it, may cancel it from any thread, and joins it
// once the worker has said it is done (or at close, after a cancel).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "storage/saved_copy.h"

namespace zephyn {

class SaveJob {
 public:
  SaveJob() = default;
  SaveJob(const SaveJob&) = delete;
  SaveJob& operator=(const SaveJob&) = delete;
  // A save still under way is cancelled and waited for.
  ~SaveJob();

  // Starts writing `source` into `folder` (WriteSavedCopy). `finished` runs
  // on the worker once the outcome is known. False, with nothing started,
  // while another save has not been joined.
  bool Start(SaveSource source, std::string folder, std::function<void()> finished);
  // Any thread: the worker stops before its next piece and removes its
  // partial file.
  void Cancel();
  // Waits for the worker and returns the outcome; a job that was not
  // started gives kCancelled.
  SaveResult Join();

  // Started and not yet joined.
  bool Active() const { return m_worker.joinable(); }
  // Cancel() was called since the last Start.
  bool Cancelled() const { return m_cancel.load(); }
  std::uint64_t Done() const { return m_done.load(); }
  std::uint64_t Total() const { return m_total.load(); }
  // What the source lacked (bytes dropped before the save), fixed at Start.
  const CaptureLoss& Loss() const { return m_loss; }

  // Runs on the worker before each piece, for tests that hold a save
  // under way. Set it while no save runs.
  void SetBeforePiece(std::function<void()> hook) { m_beforePiece = std::move(hook); }

 private:
  std::thread m_worker;
  std::atomic<bool> m_cancel{false};
  std::atomic<std::uint64_t> m_done{0};
  std::atomic<std::uint64_t> m_total{0};
  CaptureLoss m_loss;   // written by Start before the worker exists
  SaveResult m_result;  // the worker writes it; read after the join
  std::function<void()> m_beforePiece;
};

}  // namespace zephyn
