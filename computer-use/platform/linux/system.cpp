// POSIX processes, files, clocks and sleeping.

#include <fcntl.h>
#include <pwd.h>
#include <glib.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/linux/backends.h"

extern char** environ;

namespace platform::linux_desktop {
namespace {

class LinuxSystem : public System {
 public:
  double timeSince1970() override {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
  }

  double monotonicSeconds() override {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
  }

  void sleepMicros(uint64_t micros) override { usleep(static_cast<useconds_t>(micros)); }

  bool wait(std::binary_semaphore& signal, double seconds) override {
    return signal.try_acquire_for(std::chrono::duration<double>(seconds));
  }

  int32_t processId() override { return getpid(); }
  int32_t parentProcessId() override { return getppid(); }

  std::optional<int32_t> parentPid(int32_t pid) override {
    // Field 4 of /proc/<pid>/stat, after the parenthesised command name (which may hold spaces).
    auto stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) return std::nullopt;
    auto close = stat->rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(stat->substr(close + 1));
    std::string state;
    long parent = -1;
    if (!(fields >> state >> parent)) return std::nullopt;
    return static_cast<int32_t>(parent);
  }

  std::string homeDirectory() override { return g_get_home_dir(); }
  std::optional<std::string> homeDirectoryOf(const std::string& user) override {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir)
      return std::nullopt;
    return std::string(found->pw_dir);
  }

  std::string temporaryDirectory() override {
    std::string dir = g_get_tmp_dir();
    return dir.empty() || dir.back() == '/' ? dir : dir + "/";
  }

  std::string currentDirectory() override {
    gchar* dir = g_get_current_dir();
    std::string path = dir;
    g_free(dir);
    return path;
  }

  std::optional<std::string> executablePath() override {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return std::nullopt;
    return std::string(buffer, static_cast<size_t>(n));
  }

  bool createDirectories(const std::string& path) override {
    return g_mkdir_with_parents(path.c_str(), 0700) == 0;
  }

  bool writeFile(const std::string& path, std::string_view data) override {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
      ssize_t n = ::write(fd, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ::close(fd);
        return false;
      }
      p += n;
      left -= static_cast<size_t>(n);
    }
    return ::close(fd) == 0;
  }

  std::optional<std::string> readFile(const std::string& path) override {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return out.str();
  }

  bool rename(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0;
  }

  bool removeFile(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

  bool fileExists(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
  }

  std::optional<int> openLockFile(const std::string& path) override {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return std::nullopt;
    return fd;
  }

  bool tryLock(int fd) override { return flock(fd, LOCK_EX | LOCK_NB) == 0; }
  void unlock(int fd) override { flock(fd, LOCK_UN); }
  void close(int fd) override { ::close(fd); }

  void spawnDetached(const std::string& program, const std::vector<std::string>& args) override {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t child;
    posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }

  void writeStandardOutput(std::string_view text) override {
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
  }

  [[noreturn]] void exit(int status) override {
    fflush(stdout);
    std::exit(status);
  }
};

}  // namespace

std::unique_ptr<System> makeSystem() { return std::make_unique<LinuxSystem>(); }

}  // namespace platform::linux_desktop
