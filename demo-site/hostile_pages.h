// The hostile part of the demo site: pages no real site should send, for checking that the
// program's results stay defined and bounded. Listing sortid 1-8 each carry one kind of attack
// (sortid 9 stays normal); their books live at ids from kFirstHostileBook on.
//
// Pure functions of the request; safe from any thread.
#pragma once

#include <optional>
#include <string>

namespace nc::demo {

inline constexpr int kFirstHostileBook = 1000000;

enum class HostileCategory : int {
  hugeListing = 1,    // 100,000 listing elements
  deepNesting = 2,    // JSON nested 100,000 deep
  invalidUtf8 = 3,    // a listing page of invalid UTF-8
  redirectLoop = 4,   // the listing redirects to itself
  neverAnswers = 5,   // the listing request is accepted and never answered
  hostileTitles = 6,  // titles with "/", "..", control characters, 300 bytes of Chinese
  hugeIndex = 7,      // a book whose chapter index holds 100,000 links
  hugeChapter = 8,    // a book whose one chapter page is 50 MB
};

struct HostileReply {
  int status = 200;
  std::string body;
  std::string contentType = "text/html; charset=utf-8";
  std::string location;      // set for a redirect
  bool neverAnswer = false;  // hold the request until the server stops
};

// The hostile answer to a listing request ("[]" past page 1), or nothing for category 9.
std::optional<HostileReply> hostileListing(int sortId, int page, const std::string& selfUrl);

// The hostile answer for a book path (/book/ID/ or /book/ID/N.html) with ID >= kFirstHostileBook.
std::optional<HostileReply> hostileBookPage(int bookId, int chapter);

}  // namespace nc::demo
