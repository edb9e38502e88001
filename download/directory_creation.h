// Creation of nested directories and the directory test.
//
// Paths use "/" as their only separator. createDirectories walks the path and creates every
// directory along it, ignoring the result of each creation, so existing or uncreatable
// components do not stop the walk; the component before the first separator is never created
// (on an absolute path it is empty), and a path of fewer than three characters creates nothing.
// The result is the directory test of the full path. Stateless; safe from any thread.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

namespace nc {

// `path` in code page 936; it reaches the file system in UTF-8.
bool createDirectories(const Text& path);

// The same walk over a path already in the file system's form (UTF-8).
bool createDirectoriesFs(std::string_view fsPath);

// True when `fsPath` (UTF-8) names an existing directory (symbolic links followed).
bool isDirectory(std::string_view fsPath);

}  // namespace nc
