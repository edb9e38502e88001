#include "download/directory_creation.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

#include "text/code_page.h"

namespace nc {
namespace {

constexpr std::size_t kMinCharactersToWalk = 3;
constexpr mode_t kDirectoryMode = 0777;  // narrowed by the process's umask
constexpr char kSeparator = '/';

std::size_t characterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (unsigned char byte : utf8) {
    if ((byte & 0xC0) != 0x80) ++count;  // not a continuation byte
  }
  return count;
}

void makeDirectory(const std::string& path) {
  if (!path.empty()) ::mkdir(path.c_str(), kDirectoryMode);  // result ignored on purpose
}

}  // namespace

bool createDirectories(const Text& path) {
  return createDirectoriesFs(textToUtf8(path));
}

bool createDirectoriesFs(std::string_view fsPath) {
  if (characterCount(fsPath) >= kMinCharactersToWalk) {
    std::string prefix;
    prefix.reserve(fsPath.size());
    int separatorsSeen = 0;
    for (char unit : fsPath) {
      if (unit == kSeparator) {
        if (separatorsSeen > 0) makeDirectory(prefix);
        ++separatorsSeen;
      }
      prefix.push_back(unit);
    }
    makeDirectory(prefix);
  }
  return isDirectory(fsPath);
}

bool isDirectory(std::string_view fsPath) {
  struct stat info {};
  const std::string path(fsPath);
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace nc
