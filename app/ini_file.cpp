#include "app/ini_file.h"

#include <string_view>
#include <vector>

namespace nc {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kLineBreak = "\r\n";

struct Line {
  std::size_t begin;  // first byte of the line
  std::size_t end;    // byte after its content (before CR/LF)
  std::size_t next;   // first byte of the following line
};

std::vector<Line> splitLines(const ByteSet& file) {
  std::vector<Line> lines;
  std::size_t at = 0;
  while (at < file.size()) {
    std::size_t lf = file.find('\n', at);
    const std::size_t next = lf == ByteSet::npos ? file.size() : lf + 1;
    std::size_t end = lf == ByteSet::npos ? file.size() : lf;
    if (end > at && file[end - 1] == '\r') --end;
    lines.push_back({at, end, next});
    at = next;
  }
  return lines;
}

std::string_view trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The section name of a "[name]" line, or nothing.
bool sectionName(std::string_view line, std::string_view& name) {
  line = trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = trim(line.substr(1, close - 1));
  return true;
}

// The key and value of a "key=value" line, or nothing.
bool keyValue(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = trim(line.substr(0, eq));
  value = trim(line.substr(eq + 1));
  return true;
}

// Cuts `value` to at most `limit` bytes, never inside a double-byte character.
Text cutToCharacters(std::string_view value, std::size_t limit) {
  std::size_t at = 0;
  while (at < value.size()) {
    const bool lead = static_cast<unsigned char>(value[at]) >= 0x81 && at + 1 < value.size();
    const std::size_t width = lead ? 2 : 1;
    if (at + width > limit) break;
    at += width;
  }
  return Text(value.substr(0, at));
}

}  // namespace

Text readIniValue(const ByteSet& file, const Text& section, const Text& key) {
  const std::string_view bytes(file);
  bool inSection = false;
  for (const Line& line : splitLines(file)) {
    const std::string_view content = bytes.substr(line.begin, line.end - line.begin);
    std::string_view name;
    if (sectionName(content, name)) {
      if (inSection) return {};
      inSection = sameName(name, section);
      continue;
    }
    std::string_view k, v;
    if (inSection && keyValue(content, k, v) && sameName(k, key)) {
      return cutToCharacters(textUpToZero(v), kMaxIniValueBytes);
    }
  }
  return {};
}

ByteSet writeIniValue(const ByteSet& file, const Text& section, const Text& key, const Text& value) {
  const std::string_view bytes(file);
  const Text storedValue = value.substr(0, value.find_first_of(kLineBreak));
  const Text keyLine = key + "=" + storedValue;
  bool inSection = false;
  bool sectionFound = false;
  std::size_t sectionEnd = 0;  // where a new key of the section goes
  for (const Line& line : splitLines(file)) {
    const std::string_view content = bytes.substr(line.begin, line.end - line.begin);
    std::string_view name;
    if (sectionName(content, name)) {
      if (inSection) break;
      inSection = sameName(name, section);
      if (inSection) {
        sectionFound = true;
        sectionEnd = line.next;
      }
      continue;
    }
    if (!inSection) continue;
    std::string_view k, v;
    if (keyValue(content, k, v) && sameName(k, key)) {
      return file.substr(0, line.begin) + keyLine + file.substr(line.end);
    }
    if (!trim(content).empty()) sectionEnd = line.next;
  }
  if (sectionFound) {
    ByteSet before = file.substr(0, sectionEnd);
    if (!before.empty() && before.back() != '\n') before += kLineBreak;
    return before + keyLine + std::string(kLineBreak) + file.substr(sectionEnd);
  }
  ByteSet result = file;
  if (!result.empty() && result.back() != '\n') result += kLineBreak;
  result += "[" + section + "]" + std::string(kLineBreak) + keyLine + std::string(kLineBreak);
  return result;
}

}  // namespace nc
