#include "cli/book_list_io.h"

#include <gtest/gtest.h>

#include <sstream>

#include "text/code_page.h"

namespace nc::cli {
namespace {

BookRow rowOf(const char* index, const char* url, const char* author, const char* title, const char* intro) {
  return {utf8ToText(index), utf8ToText(url), utf8ToText(author), utf8ToText(title), utf8ToText(intro), ""};
}

TEST(BookListIoTest, BothFormatsReadBackWhatWasWritten) {
  const BookRow rows[] = {
      rowOf("0", "https://s/b/1/", "作者", "书名", "简介"),
      rowOf("1", "https://s/b/2/", "a\tb", "x\\y", "line1\nline2\r\"quoted\""),
      rowOf("2", "https://s/b/3/", "", "", ""),
  };
  for (ListFormat format : {ListFormat::tsv, ListFormat::jsonLines}) {
    std::stringstream stream;
    stream << "# a comment\n\n";
    for (const BookRow& row : rows) stream << formatBookRow(row, format) << "\n";
    std::size_t badLine = 0;
    const auto books = readBookList(stream, badLine);
    ASSERT_TRUE(books.has_value());
    ASSERT_EQ(books->size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ((*books)[i].url, rows[i][kColumnUrl]);
      EXPECT_EQ((*books)[i].author, rows[i][kColumnAuthor]);
      EXPECT_EQ((*books)[i].title, rows[i][kColumnTitle]);
      EXPECT_EQ((*books)[i].intro, rows[i][kColumnIntro]);
    }
  }
}

TEST(BookListIoTest, TsvLineHasFiveFieldsInUtf8) {
  EXPECT_EQ(formatBookRow(rowOf("3", "u", "作者", "t", "i"), ListFormat::tsv), "3\tu\t作者\tt\ti");
  EXPECT_EQ(formatBookRow(rowOf("3", "u", "a", "t", "i"), ListFormat::jsonLines),
            "{\"index\":\"3\",\"url\":\"u\",\"author\":\"a\",\"title\":\"t\",\"intro\":\"i\"}");
}

TEST(BookListIoTest, UnreadableLinesAreReportedByNumber) {
  const char* inputs[] = {"0\tu\ta\tt\ti\n1\tonly-two\n", "0\tu\ta\tt\ti\n{\"url\":\n",
                          "0\tu\ta\tt\ti\n{\"title\":\"x\"}\n"};
  for (const char* input : inputs) {
    std::stringstream stream(input);
    std::size_t badLine = 0;
    EXPECT_FALSE(readBookList(stream, badLine).has_value()) << input;
    EXPECT_EQ(badLine, 2u) << input;
  }
}

}  // namespace
}  // namespace nc::cli
