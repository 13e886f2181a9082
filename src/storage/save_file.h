// CSaveFile is the program's persistence object, owned by the main window. It
// keeps the per-run capture of received bytes: the oldest received bytes are
// spilled to a capture file in blocks, and a save joins that file and the
// bytes still held in memory into one "RX data.bin" in a folder of the user's
// choice.
//
// The capture file is "<stamp>RX data.bin" in "<base>/data", or in <base>
// itself when "data" cannot be a folder. The stamp is the time the main window
// was created; a run that finds the name taken by another run of the same
// second adds its process id (and a counter). The file is created exclusively
// at the first spill and stays open and locked until it is deleted, so that
// start-up can tell the captures of runs that ended without deleting theirs
// and keep them for the user.
//
// Calls on one object must not overlap: the window makes the spill (on the
// port's reader thread), Save and Clear under its buffer lock. A failed
// operation leaves its errno and the file it concerned in LastErrno() and
// LastErrorPath(); the caller decides whether and how to show them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "storage/saved_copy.h"

namespace zephyn {

// The folder of the running executable (from /proc/self/exe) without a
// trailing slash; empty when it cannot be read or the path has no slash.
std::string GetExeDir();

// Where the program keeps the files it writes: the executable's folder when
// it is writable, otherwise ~/.local/share/zephyn (created when missing), so
// that an installed program can still capture and save.
std::string DataFolderBase();

// The same rule for a given executable folder and home folder.
std::string DataFolderBase(const std::string& exeDir, const std::string& home);

class CSaveFile {
 public:
  // `exeDir` is the folder the capture's "data" folder belongs in (the
  // program passes DataFolderBase()); `timeStamp` names this run's capture
  // file (the program passes MakeTimeStamp()).
  CSaveFile(std::string exeDir, std::string timeStamp);

  CSaveFile(const CSaveFile&) = delete;
  CSaveFile& operator=(const CSaveFile&) = delete;
  // Closes the capture file without deleting it (DeleteCapture does that).
  ~CSaveFile();

  // The local time now as 14 digits, year month day hour minute second.
  static std::string MakeTimeStamp();
  // 5 March 2024, 14:22:33 gives "20240305142233".
  static std::string FormatTimeStamp(const std::tm& time);

  const std::string& ExeDir() const { return m_exeDir; }
  const std::string& TimeStamp() const { return m_timeStamp; }

  // Full path of this run's capture file (the name it has, or will try
  // first). Creates "<base>/data" when it is missing; when it cannot be a
  // folder, the file lies in <base> itself.
  std::string CapturePath();

  // Appends the bytes at the end of the capture file, creating it when
  // absent. On failure returns false and leaves the file as it was before the
  // call (a partly written block is cut off again), so the caller can keep
  // the bytes and retry without duplicating any.
  bool AppendCapture(const std::uint8_t* bytes, std::size_t count);

  // The bytes the capture file holds.
  std::uint64_t CaptureBytes() const { return m_captureBytes; }

  // Fills the capture part of a save: a descriptor of its own on the
  // capture file (none when there is no file yet), its length and path.
  void TakeCapture(SaveSource& source);

  // Removes this run's capture file, if it has one. Every failure is
  // ignored. Always true.
  bool DeleteCapture();

  // Keeps the captures that earlier runs left in this run's capture folders
  // (runs that no longer live) under their recovered names; their new paths.
  std::vector<std::string> RecoverStaleCaptures();

  // Writes "<folder>/RX data.bin" = the capture file's content (nothing when
  // there is none) followed by the `count` pending bytes, replacing an
  // existing file of that name. False when `folder` is empty (nothing done,
  // LastErrno() 0) or when the capture cannot be read or the destination
  // cannot be written.
  bool SaveCaptureTo(const std::uint8_t* pending, std::size_t count, const std::string& folder);

  // errno of the last failed operation, 0 after a success.
  int LastErrno() const { return m_lastErrno; }
  // The file the last failure concerned, empty after a success.
  std::string LastErrorPath() const { return m_lastErrorPath; }

 private:
  bool Fail(int error, const std::string& path);
  bool Succeed();

  // The folder the capture lies in, created when missing.
  std::string CaptureFolder();
  bool OpenCapture();

  std::string m_exeDir;
  std::string m_timeStamp;
  int m_captureFd = -1;       // open and locked while the file exists
  std::string m_captureName;  // fixed by the first creation
  std::uint64_t m_captureBytes = 0;
  int m_lastErrno = 0;
  std::string m_lastErrorPath;
};

}  // namespace zephyn
