// Reads arbitrary config.ini images, and checks that a value written into any image reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/ini_file.h"
#include "text/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nc::ByteSet file(reinterpret_cast<const char*>(data), size);
  const nc::Text section = "Config";
  const nc::Text key = nc::utf8ToText("路径");
  nc::Text value = nc::readIniValue(file, section, key);
  if (value.size() > nc::kMaxIniValueBytes) std::abort();
  const nc::Text written = nc::utf8ToText("/home/用户/小说");
  nc::ByteSet updated = nc::writeIniValue(file, section, key, written);
  if (nc::readIniValue(updated, section, key) != written) std::abort();
  return 0;
}
