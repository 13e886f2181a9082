// Every file slot of the core meets a named pipe, a folder and a device at
// the user's path: each is refused with kNotRegularFile, promptly (a named
// pipe with nobody at its other end never holds the caller), and left as it
// was.
#include "storage/user_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "storage/live_log.h"
#include "storage/settings_store.h"
#include "storage/temp_folder.h"
#include "storage/whole_file.h"

namespace zephyn {
namespace {

using namespace std::chrono;
using UserFileTest = TempFolderTest;

// Should a slot wait at a named pipe after all, opens the pipe's other end
// once the deadline is up, so that the test fails on its figures instead of
// hanging.
class PipeWatchdog {
 public:
  explicit PipeWatchdog(std::string fifo) : m_fifo(std::move(fifo)) {
    m_thread = std::thread([this] {
      std::unique_lock lock(m_lock);
      if (m_wake.wait_for(lock, seconds(10), [this] { return m_done; })) return;
      const int fd = ::open(m_fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
    });
  }
  ~PipeWatchdog() {
    {
      std::lock_guard lock(m_lock);
      m_done = true;
    }
    m_wake.notify_all();
    m_thread.join();
  }

 private:
  const std::string m_fifo;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_done = false;
  std::thread m_thread;
};

// The reason a slot gives for the path, or nullopt when it took the path.
using Slot = std::function<std::optional<int>(const std::string& path)>;

std::optional<int> LogFailureFor(const std::string& path) {
  std::mutex lock;
  std::condition_variable reported;
  std::optional<int> error;
  LiveLog log([&](const LogFailure& failure) {
    std::lock_guard guard(lock);
    error = failure.error;
    reported.notify_all();
  });
  log.Start(path, false);
  std::unique_lock guard(lock);
  reported.wait_for(guard, seconds(20), [&] { return error.has_value(); });
  return error;
}

TEST_F(UserFileTest, EverySlotRefusesWhatIsNotARegularFile) {
  const std::string fifo = Root() + "/pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // The device through a link in the test's folder: a write that went
  // wrong would replace the link, never the machine's /dev/null.
  const std::string device = Root() + "/null";
  ASSERT_EQ(::symlink("/dev/null", device.c_str()), 0);
  const struct {
    const char* name;
    std::string path;
    mode_t type;
  } kinds[] = {
      {"a named pipe", fifo, S_IFIFO},
      {"a folder", Sub("folder"), S_IFDIR},
      {"a character device", device, S_IFCHR},
  };
  const struct {
    const char* name;
    Slot slot;
  } slots[] = {
      {"the file to send",
       [](const std::string& path) -> std::optional<int> {
         const WholeFile file = ReadWholeFile(path);
         if (file.status == WholeFile::Status::OpenFailed) return file.error;
         return std::nullopt;
       }},
      {"the settings read at start",
       [](const std::string& path) -> std::optional<int> {
         const SettingsRead read = ReadSettingsFile(path);
         if (read.bytes) return std::nullopt;
         return read.error;
       }},
      {"the settings written at close",
       [](const std::string& path) -> std::optional<int> {
         std::string failedPath;
         int failedErrno = 0;
         if (WriteSettingsFile(path, "new", failedPath, failedErrno)) return std::nullopt;
         return failedErrno;
       }},
      {"the live log", LogFailureFor},
  };
  for (const auto& kind : kinds) {
    for (const auto& slot : slots) {
      SCOPED_TRACE(std::string(slot.name) + " at " + kind.name);
      const PipeWatchdog watchdog(fifo);
      const auto start = steady_clock::now();
      EXPECT_EQ(slot.slot(kind.path), kNotRegularFile);
      EXPECT_LT(steady_clock::now() - start, seconds(5));
      struct stat st {};
      ASSERT_EQ(::stat(kind.path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & S_IFMT, kind.type);
    }
  }
}

}  // namespace
}  // namespace zephyn
