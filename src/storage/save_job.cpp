#include "storage/save_job.h"

#include <utility>

#include "common/thread_name.h"

namespace zephyn {

SaveJob::~SaveJob() {
  Cancel();
  Join();
}

bool SaveJob::Start(SaveSource source, std::string folder, std::function<void()> finished) {
  if (m_worker.joinable()) return false;
  m_cancel = false;
  m_done = 0;
  m_total = source.Total();
  m_loss = source.loss;
  m_result = SaveResult{};
  m_worker = std::thread([this, source = std::move(source), folder = std::move(folder),
                          finished = std::move(finished)] {
    NameThisThread("save-copy");
    m_result = WriteSavedCopy(source, folder, [this](std::uint64_t done, std::uint64_t) {
      m_done = done;
      if (m_beforePiece) m_beforePiece();
      return !m_cancel.load();
    });
    if (finished) finished();
  });
  return true;
}

void SaveJob::Cancel() {
  m_cancel = true;
}

SaveResult SaveJob::Join() {
  if (!m_worker.joinable()) return {SaveStatus::kCancelled, 0, {}};
  m_worker.join();
  return m_result;
}

}  // namespace zephyn
