// RegexObject: runs one regular expression over one code-page-936 subject and hands out the
// matches and their capture groups by 1-based index.
//
// Patterns use the usual ECMAScript-style syntax (PCRE2 underneath, in UTF mode over the UTF-8
// form of the texts): by default case is ignored, ^ and $ match at line breaks, every match is
// found, "." does not match a line feed, \w is ASCII letters, digits and underscore. An invalid
// pattern makes execute() return false with no matches. A pattern that needs too much work on
// a subject stops there: the matches found so far are kept.
//
// An object belongs to one thread at a time; copies share the compiled pattern and matches.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "text/text.h"

namespace nc {

class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  RegexObject(const RegexObject&);
  RegexObject& operator=(const RegexObject&);

  // Runs `pattern` over `subject`; true when the pattern compiled and ran (with or without
  // matches). With substituteQuotes, every "#引号" in the pattern stands for a double quote.
  bool execute(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
               bool multiline = true, bool global = true, bool substituteQuotes = false);

  // The pattern of the last execute (after quote substitution); empty before the first.
  Text pattern() const;

  // The subject with every match (the first only, without global) replaced; "$1" in the
  // replacement stands for capture group 1.
  Text replace(std::string_view replacement = {}) const;

  int matchCount() const;

  // The text of match `matchIndex` (from 1); empty for an index out of range. `position`, when
  // given, receives the match's 0-based byte offset in the subject.
  Text matchText(int matchIndex, int* position = nullptr) const;

  // The text capture group `groupIndex` (from 1) took in match `matchIndex`; empty for an
  // index out of range or a group that took no part.
  Text subMatchText(int matchIndex, int groupIndex, int* position = nullptr) const;

  // The number of capture groups of the first match; 0 when nothing matched.
  int subMatchCount() const;

 private:
  struct State;
  std::shared_ptr<const State> state_;
};

}  // namespace nc
