#include "cli/book_list_io.h"

#include <boost/json.hpp>

#include "text/code_page.h"

namespace nc::cli {
namespace {

constexpr char kTab = '\t';
constexpr int kTsvFields = 5;

std::string escapeTsv(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (char c : field) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string unescapeTsv(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out.push_back(field[i]);
      continue;
    }
    const char next = field[++i];
    switch (next) {
      case 't':
        out.push_back('\t');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      default:
        out.push_back(next);
    }
  }
  return out;
}

std::optional<BookEntry> readTsvLine(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find(kTab, start);
    fields.push_back(
        unescapeTsv(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  if (fields.size() != kTsvFields || fields[1].empty()) return std::nullopt;
  return BookEntry{utf8ToText(fields[1]), utf8ToText(fields[2]), utf8ToText(fields[3]),
                   utf8ToText(fields[4])};
}

std::optional<BookEntry> readJsonLine(const std::string& line) {
  boost::system::error_code error;
  const boost::json::value value = boost::json::parse(line, error);
  if (error || !value.is_object()) return std::nullopt;
  const boost::json::object& object = value.get_object();
  auto member = [&object](const char* name) -> Text {
    const boost::json::value* found = object.if_contains(name);
    if (found == nullptr || !found->is_string()) return {};
    const boost::json::string& text = found->get_string();
    return utf8ToText(std::string_view(text.data(), text.size()));
  };
  BookEntry entry{member("url"), member("author"), member("title"), member("intro")};
  if (entry.url.empty()) return std::nullopt;
  return entry;
}

}  // namespace

std::string formatBookRow(const BookRow& row, ListFormat format) {
  if (format == ListFormat::tsv) {
    std::string line;
    for (int column = 0; column < kTsvFields; ++column) {
      if (column > 0) line.push_back(kTab);
      line += escapeTsv(textToUtf8(row[column]));
    }
    return line;
  }
  boost::json::object object;
  object["index"] = textToUtf8(row[kColumnIndex]);
  object["url"] = textToUtf8(row[kColumnUrl]);
  object["author"] = textToUtf8(row[kColumnAuthor]);
  object["title"] = textToUtf8(row[kColumnTitle]);
  object["intro"] = textToUtf8(row[kColumnIntro]);
  return boost::json::serialize(object);
}

std::optional<std::vector<BookEntry>> readBookList(std::istream& in, std::size_t& badLine) {
  std::vector<BookEntry> books;
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::optional<BookEntry> entry = line[0] == '{' ? readJsonLine(line) : readTsvLine(line);
    if (!entry) {
      badLine = number;
      return std::nullopt;
    }
    books.push_back(*entry);
  }
  return books;
}

}  // namespace nc::cli
