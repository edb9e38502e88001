// Writes book lists as TSV or JSON lines and reads them back, for the command-line front end.
//
// Lines are UTF-8. TSV: index, URL, author, title, introduction, separated by tabs, with "\",
// tab, line feed and carriage return inside a field written as "\\", "\t", "\n" and "\r". JSON
// lines: one object per line with the members index, url, author, title, intro. Stateless;
// safe from any thread.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/book_list.h"

namespace nc::cli {

enum class ListFormat { tsv, jsonLines };

// One row (code page 936 cells) as one line of `format`, without the line break.
std::string formatBookRow(const BookRow& row, ListFormat format);

// The books of a list written by formatBookRow (either format, even mixed; blank lines and
// lines starting with "#" are skipped). A line that cannot be read gives std::nullopt and its
// 1-based number in `badLine`.
std::optional<std::vector<BookEntry>> readBookList(std::istream& in, std::size_t& badLine);

}  // namespace nc::cli
