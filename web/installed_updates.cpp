#include "web/installed_updates.h"

#include <fstream>
#include <set>

namespace nc {
namespace {

constexpr std::string_view kPackageField = "Package: ";
constexpr std::string_view kStatusField = "Status: ";
constexpr std::string_view kInstalledState = "installed";

// "Status: want flag state": installed when the last word, the state, is exactly "installed"
// (not "half-installed", "config-files", ...).
bool statusSaysInstalled(std::string_view line) {
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  std::size_t lastBlank = line.rfind(' ');
  return lastBlank != std::string_view::npos && line.substr(lastBlank + 1) == kInstalledState;
}

}  // namespace

int queryInstalledUpdates(std::vector<Text>& identifiers, const Text& identifier, bool filter,
                          const std::string& statusPath) {
  identifiers.clear();
  std::ifstream database(statusPath);
  if (!database) return 0;
  Text package;
  bool installed = false;
  std::set<Text> listed;  // a package installed for two architectures is listed once
  auto finishParagraph = [&] {
    if (!package.empty() && installed && (!filter || package == identifier) &&
        listed.insert(package).second) {
      identifiers.push_back(package);
    }
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
      installed = statusSaysInstalled(line);
    }
  }
  finishParagraph();
  return static_cast<int>(identifiers.size());
}

}  // namespace nc
