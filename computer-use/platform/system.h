#pragma once
// Processes, files, clocks and sleeping: everything of the operating system the core uses
// besides the desktop. Nothing here throws; failures are false or none.

#include <cstdint>
#include <optional>
#include <semaphore>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class System {
 public:
  virtual ~System() = default;

  // Wall-clock seconds since 1970-01-01 00:00 UTC.
  virtual double timeSince1970() = 0;
  // Seconds of a clock that never goes back.
  virtual double monotonicSeconds() = 0;
  virtual void sleepMicros(uint64_t micros) = 0;
  // Waits for a signal at most that long; false when it timed out.
  virtual bool wait(std::binary_semaphore& signal, double seconds) = 0;

  virtual int32_t processId() = 0;
  virtual int32_t parentProcessId() = 0;
  // The parent of any process, or none when it cannot be read.
  virtual std::optional<int32_t> parentPid(int32_t pid) = 0;

  // The current user's home directory and per-user temporary directory (ends in "/").
  virtual std::string homeDirectory() = 0;
  // Another user's home directory by login name, or none when there is no such user.
  virtual std::optional<std::string> homeDirectoryOf(const std::string& user) = 0;
  virtual std::string temporaryDirectory() = 0;
  // The directory relative paths are read against; "/" when it cannot be read.
  virtual std::string currentDirectory() = 0;
  virtual std::optional<std::string> executablePath() = 0;

  // Creates a directory and its missing parents; false when it does not exist afterwards.
  // Directories and files are private to the user: they hold pictures of the user's windows.
  virtual bool createDirectories(const std::string& path) = 0;
  // Creates or replaces a file with the data.
  virtual bool writeFile(const std::string& path, std::string_view data) = 0;
  virtual std::optional<std::string> readFile(const std::string& path) = 0;
  virtual bool rename(const std::string& from, const std::string& to) = 0;
  virtual bool removeFile(const std::string& path) = 0;
  // A file or a directory exists at the path.
  virtual bool fileExists(const std::string& path) = 0;

  // open(path, O_RDWR | O_CREAT, 0644); none on failure.
  virtual std::optional<int> openLockFile(const std::string& path) = 0;
  // flock(LOCK_EX | LOCK_NB).
  virtual bool tryLock(int fd) = 0;
  virtual void unlock(int fd) = 0;
  virtual void close(int fd) = 0;

  // Starts a program in a new session with its standard streams on /dev/null and the
  // current environment; it is not waited for.
  virtual void spawnDetached(const std::string& program, const std::vector<std::string>& args) = 0;

  virtual void writeStandardOutput(std::string_view text) = 0;
  [[noreturn]] virtual void exit(int status) = 0;
};

}  // namespace platform
