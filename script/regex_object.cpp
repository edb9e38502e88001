#define PCRE2_CODE_UNIT_WIDTH 8
#include "script/regex_object.h"

#include <pcre2.h>

#include <algorithm>
#include <mutex>
#include <string_view>
#include <vector>

#include "script/cp936_decoder.h"
#include "text/code_page.h"

namespace nc {
namespace {

constexpr std::uint32_t kMatchLimit = 50'000'000;  // backtracking steps per match attempt
constexpr std::uint32_t kDepthLimit = 100'000;
constexpr std::size_t kJitStackBytes = 1024 * 1024;
constexpr std::size_t kCheckpointBytes = 4096;
constexpr std::size_t kNoOffset = static_cast<std::size_t>(-1);

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
using CodePtr = std::unique_ptr<pcre2_code, CodeDeleter>;

constexpr std::size_t kCompiledPatternsKept = 8;

// The compiled (and JIT-compiled) form of a pattern; each thread keeps its most recent
// patterns, since the same few run over every page. Null for an invalid pattern.
std::shared_ptr<pcre2_code> compiledPattern(const std::string& patternUtf8, std::uint32_t options) {
  struct Entry {
    std::string pattern;
    std::uint32_t options;
    std::shared_ptr<pcre2_code> code;
  };
  thread_local std::vector<Entry> recent;
  for (std::size_t i = 0; i < recent.size(); ++i) {
    if (recent[i].options == options && recent[i].pattern == patternUtf8) {
      std::rotate(recent.begin(), recent.begin() + static_cast<std::ptrdiff_t>(i),
                  recent.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return recent.front().code;
    }
  }
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  CodePtr code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(patternUtf8.data()), patternUtf8.size(), options,
                             &errorCode, &errorOffset, nullptr));
  if (!code) return nullptr;
  pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
  std::shared_ptr<pcre2_code> shared(code.release(), CodeDeleter());
  if (recent.size() == kCompiledPatternsKept) recent.pop_back();
  recent.insert(recent.begin(), Entry{patternUtf8, options, shared});
  return shared;
}

struct MatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataDeleter>;

// One match context with limits and a JIT stack per thread.
pcre2_match_context* threadMatchContext() {
  struct Context {
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_jit_stack* jitStack = pcre2_jit_stack_create(32 * 1024, kJitStackBytes, nullptr);
    Context() {
      pcre2_set_match_limit(context, kMatchLimit);
      pcre2_set_depth_limit(context, kDepthLimit);
      if (jitStack != nullptr) pcre2_jit_stack_assign(context, nullptr, jitStack);
    }
    ~Context() {
      pcre2_match_context_free(context);
      if (jitStack != nullptr) pcre2_jit_stack_free(jitStack);
    }
  };
  thread_local Context holder;
  return holder.context;
}

std::size_t utf8CharLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

Text replaceAll(std::string_view text, std::string_view what, std::string_view with) {
  Text result;
  std::size_t start = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, start)) {
    result.append(text.substr(start, at - start));
    result.append(with);
    start = at + what.size();
  }
  result.append(text.substr(start));
  return result;
}

}  // namespace

struct RegexObject::State {
  Text pattern;  // code page 936, after quote substitution
  Text subject;
  std::string subjectUtf8;
  std::shared_ptr<pcre2_code> code;
  bool global = true;
  std::size_t groupCount = 0;
  std::vector<std::size_t> offsets;  // (groupCount + 1) start/end pairs per match, UTF-8 bytes
  mutable std::mutex offsetMutex;    // guards the walk state below
  mutable Cp936Cursor cursor;
  mutable std::vector<Cp936Cursor> checkpoints;  // ascending
  mutable std::size_t nextCheckpoint = kCheckpointBytes;

  std::size_t matchCount() const { return offsets.size() / ((groupCount + 1) * 2); }

  // The UTF-8 span of group `group` (0 = whole match) of match `match` (0-based).
  std::pair<std::size_t, std::size_t> span(std::size_t match, std::size_t group) const {
    std::size_t base = (match * (groupCount + 1) + group) * 2;
    return {offsets[base], offsets[base + 1]};
  }

  // Byte offset in the code-page-936 subject of UTF-8 offset `utf8Offset`. Walks the subject
  // character by character from the last offset asked for, or, for an earlier one, from the
  // nearest checkpoint before it (one every kCheckpointBytes of the walk), so any order of
  // questions costs at most one pass plus a short walk each.
  std::size_t textOffset(std::size_t utf8Offset) const {
    std::lock_guard lock(offsetMutex);
    if (utf8Offset < cursor.utf8Offset) {
      auto after = std::upper_bound(
          checkpoints.begin(), checkpoints.end(), utf8Offset,
          [](std::size_t offset, const Cp936Cursor& point) { return offset < point.utf8Offset; });
      cursor = (after == checkpoints.begin()) ? Cp936Cursor() : *(after - 1);
    }
    while (cursor.utf8Offset < utf8Offset) {
      std::size_t before = cursor.textOffset;
      cp936Advance(subject, cursor, std::min(utf8Offset, nextCheckpoint));
      if (cursor.textOffset == before) break;  // the end of the subject
      if (cursor.utf8Offset >= nextCheckpoint) {
        checkpoints.push_back(cursor);
        nextCheckpoint = cursor.utf8Offset + kCheckpointBytes;
      }
    }
    return cursor.textOffset;
  }

  // The subject's own bytes for group `group` of match `match`.
  Text textOf(std::size_t match, std::size_t group, int* position) const {
    auto [start, end] = span(match, group);
    if (start == kNoOffset || end < start) return {};
    std::size_t textStart = textOffset(start);
    std::size_t textEnd = textOffset(end);
    if (position != nullptr) *position = static_cast<int>(textStart);
    return subject.substr(textStart, textEnd - textStart);
  }
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject&) = default;
RegexObject& RegexObject::operator=(const RegexObject&) = default;

bool RegexObject::execute(std::string_view pattern, std::string_view subject, bool caseSensitive,
                          bool multiline, bool global, bool substituteQuotes) {
  state_.reset();
  auto state = std::make_shared<State>();
  state->pattern = substituteQuotes ? replaceAll(pattern, utf8ToText("#引号"), "\"") : Text(pattern);
  state->global = global;
  state->subject = textUpToZero(subject);
  state->subjectUtf8 = textToUtf8(state->subject);
  std::string patternUtf8 = textToUtf8(state->pattern);

  std::uint32_t options = PCRE2_UTF | PCRE2_NO_UTF_CHECK;
  if (!caseSensitive) options |= PCRE2_CASELESS;
  if (multiline) options |= PCRE2_MULTILINE;
  state->code = compiledPattern(patternUtf8, options);
  if (!state->code) {
    state_ = std::move(state);  // the pattern text stays readable; there are no matches
    return false;
  }
  std::uint32_t captureCount = 0;
  pcre2_pattern_info(state->code.get(), PCRE2_INFO_CAPTURECOUNT, &captureCount);
  state->groupCount = captureCount;

  MatchDataPtr matchData(pcre2_match_data_create_from_pattern(state->code.get(), nullptr));
  if (!matchData) return false;
  pcre2_match_context* context = threadMatchContext();
  const auto* subjectData = reinterpret_cast<PCRE2_SPTR>(state->subjectUtf8.data());
  std::size_t length = state->subjectUtf8.size();
  std::size_t start = 0;
  while (start <= length) {
    int result = pcre2_match(state->code.get(), subjectData, length, start, PCRE2_NO_UTF_CHECK,
                             matchData.get(), context);
    if (result < 0) break;  // no further match, or a limit was hit
    const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(matchData.get());
    for (std::size_t group = 0; group <= state->groupCount; ++group) {
      bool set = group < static_cast<std::size_t>(result) && vector[2 * group] != PCRE2_UNSET;
      state->offsets.push_back(set ? vector[2 * group] : kNoOffset);
      state->offsets.push_back(set ? vector[2 * group + 1] : kNoOffset);
    }
    if (!global) break;
    std::size_t end = vector[1];
    if (end > vector[0]) {
      start = end;
    } else if (end < length) {
      start = end + utf8CharLength(static_cast<unsigned char>(state->subjectUtf8[end]));
    } else {
      break;
    }
  }
  state_ = std::move(state);
  return true;
}

Text RegexObject::pattern() const {
  return state_ ? state_->pattern : Text();
}

Text RegexObject::replace(std::string_view replacement) const {
  if (!state_ || !state_->code) return {};
  std::string replacementUtf8 = textToUtf8(replacement);
  std::uint32_t options = PCRE2_SUBSTITUTE_OVERFLOW_LENGTH | PCRE2_NO_UTF_CHECK;
  if (state_->global) options |= PCRE2_SUBSTITUTE_GLOBAL;
  std::string output(state_->subjectUtf8.size() + 64, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    PCRE2_SIZE outputLength = output.size();
    int result =
        pcre2_substitute(state_->code.get(), reinterpret_cast<PCRE2_SPTR>(state_->subjectUtf8.data()),
                         state_->subjectUtf8.size(), 0, options, nullptr, threadMatchContext(),
                         reinterpret_cast<PCRE2_SPTR>(replacementUtf8.data()), replacementUtf8.size(),
                         reinterpret_cast<PCRE2_UCHAR*>(output.data()), &outputLength);
    if (result >= 0) {
      output.resize(outputLength);
      return utf8ToText(output);
    }
    if (result != PCRE2_ERROR_NOMEMORY) return {};
    output.assign(outputLength, '\0');
  }
  return {};
}

int RegexObject::matchCount() const {
  return state_ ? static_cast<int>(state_->matchCount()) : 0;
}

Text RegexObject::matchText(int matchIndex, int* position) const {
  if (!state_ || matchIndex < 1 || static_cast<std::size_t>(matchIndex) > state_->matchCount()) return {};
  return state_->textOf(static_cast<std::size_t>(matchIndex) - 1, 0, position);
}

Text RegexObject::subMatchText(int matchIndex, int groupIndex, int* position) const {
  if (!state_ || matchIndex < 1 || static_cast<std::size_t>(matchIndex) > state_->matchCount()) return {};
  if (groupIndex < 1 || static_cast<std::size_t>(groupIndex) > state_->groupCount) return {};
  return state_->textOf(static_cast<std::size_t>(matchIndex) - 1, static_cast<std::size_t>(groupIndex),
                        position);
}

int RegexObject::subMatchCount() const {
  return (state_ && state_->matchCount() > 0) ? static_cast<int>(state_->groupCount) : 0;
}

}  // namespace nc
