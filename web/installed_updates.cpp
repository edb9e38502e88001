#include "web/installed_updates.h"

#include <fstream>

namespace nc {
namespace {

constexpr std::string_view kPackageField = "Package: ";
constexpr std::string_view kStatusField = "Status: ";
constexpr std::string_view kInstalledState = "installed";

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

int queryInstalledUpdates(std::vector<Text>& identifiers, const Text& identifier, bool filter,
                          const std::string& statusPath) {
  identifiers.clear();
  std::ifstream database(statusPath);
  if (!database) return 0;
  Text package;
  bool installed = false;
  auto finishParagraph = [&] {
    if (!package.empty() && installed && (!filter || package == identifier)) identifiers.push_back(package);
    package.clear();
    installed = false;
  };
  std::string line;
  while (std::getline(database, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      finishParagraph();
    } else if (line.starts_with(kPackageField)) {
      package = line.substr(kPackageField.size());
    } else if (line.starts_with(kStatusField)) {
      installed = endsWith(line, kInstalledState) && line.find(" ok ") != std::string::npos;
    }
  }
  finishParagraph();
  return static_cast<int>(identifiers.size());
}

}  // namespace nc
