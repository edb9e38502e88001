#include "download/file_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

namespace nc {
namespace {

constexpr char kTemporaryPrefix[] = ".nc-part-";
constexpr mode_t kFileMode = 0666;  // narrowed by the process's umask
constexpr int kNameAttempts = 16;

std::atomic<unsigned long> temporaryCounter{0};

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

bool writeWholeFile(const std::string& fsPath, std::string_view bytes) {
  const std::size_t slash = fsPath.rfind('/');
  const std::string directory = slash == std::string::npos ? std::string() : fsPath.substr(0, slash + 1);
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
    temporary = directory + kTemporaryPrefix + std::to_string(::getpid()) + "-" +
                std::to_string(temporaryCounter.fetch_add(1));
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  const bool written = writeAll(fd, bytes);
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), fsPath.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace nc
