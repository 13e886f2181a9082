// A file sent whole from memory in chunks of a fixed size, on a sender thread
// of its own, with pause, resume and the figures that the window shows: the
// bytes sent, the time spent sending (pauses left out) and the current speed.
//
// The owner (the window) starts, resumes, rewinds and replaces the file from
// one thread, and only there waits for the sender. The sender never waits for
// the owner, so the owner may wait for it. At most one sender runs, and the
// file's bytes are never released while a sender may read them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "common/transfer_stats.h"

namespace zephyn {

class FileTransfer {
 public:
  // Hands `count` bytes to the port and records them; true when the port took
  // them. A chunk it refuses is offered again.
  using Write = std::function<bool(const std::uint8_t* bytes, std::int32_t count)>;
  // Runs on the sender's thread once the last chunk was written; the sender
  // ends when it returns.
  using Finished = std::function<void()>;

  FileTransfer(Write write, Finished finished);
  ~FileTransfer();  // End()
  FileTransfer(const FileTransfer&) = delete;
  FileTransfer& operator=(const FileTransfer&) = delete;

  // Owner's thread. Makes `length` bytes at `data` the file (nullptr or 0: no
  // file), sent in chunks of `chunkSize` bytes (at least 1) and a final
  // shorter one, which is written even when it is 0 bytes long: the end of
  // the file is one more write. A transfer under way ends first (its sender
  // is waited for); the figures start again from the first byte.
  void Load(std::unique_ptr<std::uint8_t[]> data, std::uint64_t length, std::int32_t chunkSize);
  void Unload() { Load(nullptr, 0, 1); }

  // Owner's thread. Starts sending, or resumes after a pause at the chunk
  // where it stopped. False when no file is loaded, it is sending already, or
  // every chunk was written (Rewind first). A sender that was told to stop
  // and has not ended yet is waited for, so two never run at once.
  bool Start();

  // Owner's thread, once sending has ended: back to the first byte, the
  // figures at 0. Waits for a sender that is finishing a write. False (and
  // nothing changes) while sending.
  bool Rewind();

  // Owner's thread: stops sending and waits for the sender to end.
  void End();

  // Any thread. Stops sending with the time spent so far counted: the sender
  // ends after the write it is doing. False when it was not sending.
  bool Pause();

  // Any thread. Stops sending like Pause and returns the figures of the
  // transfer. Also from the Finished callback.
  TransferStats Finish();

  // Any thread.
  bool Loaded() const { return m_length.load() > 0; }
  bool Sending() const { return m_sending.load() != 0; }
  std::uint64_t Length() const { return m_length.load(); }
  std::int64_t BytesSent() const { return m_bytesSent.load(); }

  // The speed of the chunks written since the last sample, once they span
  // more than 500 ms, in bytes a second; nothing before that. One thread
  // samples (the window's refresh).
  std::optional<std::int32_t> TakeSpeedSample();

 private:
  using Clock = std::chrono::steady_clock;

  void Run();
  void StopLocked(Clock::time_point now);  // m_lock held
  void WaitForSender();
  void RewindFigures();

  const Write m_write;
  const Finished m_finished;

  // The file and its chunks: replaced by the owner only while no sender runs.
  std::unique_ptr<std::uint8_t[]> m_data;
  std::int32_t m_chunkSize = 1;
  std::uint64_t m_chunkCount = 0;     // full chunks
  std::int32_t m_chunkRemainder = 0;  // bytes of the final chunk
  std::atomic<std::uint64_t> m_length{0};

  // Moved on by the sender; reset by the owner while no sender runs; read by
  // anyone.
  std::atomic<std::uint64_t> m_chunkIndex{0};  // the next chunk to write
  std::atomic<std::int64_t> m_bytesSent{0};
  std::atomic<std::int64_t> m_lastChunkNs{0};  // when the last chunk was written

  // The sender keeps going while set. Set by Start only, cleared by Pause,
  // Finish, Load and End, always under m_lock with the time it counts.
  std::atomic<int> m_sending{0};
  std::mutex m_lock;
  Clock::time_point m_startTime;  // of the latest start or resume
  Clock::duration m_elapsed{};    // sending time before it

  // The speed sample: the sampler's, and Start and Pause move its start.
  std::atomic<std::int64_t> m_sampleNs{0};
  std::atomic<std::int64_t> m_sampleBytes{0};

  std::thread m_sender;  // owner's thread only
};

}  // namespace zephyn
