// Writes a whole file so that it never appears truncated under its real name.
//
// The bytes go to a new temporary file in the same directory, which is then renamed over the
// target; on any failure the temporary file is removed and the target is left as it was.
// Stateless; safe from any thread (two writers of one target: the last rename wins whole).
#pragma once

#include <string>
#include <string_view>

namespace nc {

// `fsPath` in UTF-8. True when the file now holds exactly `bytes`.
bool writeWholeFile(const std::string& fsPath, std::string_view bytes);

}  // namespace nc
