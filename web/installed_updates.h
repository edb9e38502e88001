// Lists the installed system packages (the dpkg status database), or looks one up.
//
// Pure file reading; safe from any thread.
#pragma once

#include <string>
#include <vector>

#include "text/text.h"

namespace nc {

inline constexpr const char* kDpkgStatusPath = "/var/lib/dpkg/status";

// Empties `identifiers`, then fills it with the names of the installed packages in database
// order (with `filter`, only `identifier` when it is installed). Returns their number; 0 when
// the database is missing or unreadable.
int queryInstalledUpdates(std::vector<Text>& identifiers, const Text& identifier, bool filter,
                          const std::string& statusPath = kDpkgStatusPath);

}  // namespace nc
