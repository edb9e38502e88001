#include "script/json_object.h"

#include <boost/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "text/code_page.h"

namespace nc {
namespace json = boost::json;

namespace {

constexpr std::string_view kRootName = "da";
constexpr int kSyntaxErrorNumber = 1002;
constexpr std::size_t kMaxPadding = 1'000'000;  // furthest an element may be set past the end

// One step of a path: a member name (UTF-8) or an element index.
struct Step {
  bool isIndex = false;
  std::string name;
  std::size_t index = 0;
};
using Steps = std::vector<Step>;

void skipSpaces(std::string_view text, std::size_t& at) {
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
}

// Reads ".name", "[12]" and "['name']" steps from `text` (UTF-8); nothing on a malformed path.
std::optional<Steps> parseSteps(std::string_view text) {
  Steps steps;
  std::size_t at = 0;
  while (at < text.size()) {
    Step step;
    if (text[at] == '.') {
      std::size_t end = text.find_first_of(".[", at + 1);
      if (end == std::string_view::npos) end = text.size();
      step.name = std::string(text.substr(at + 1, end - at - 1));
      if (step.name.empty()) return std::nullopt;
      at = end;
    } else if (text[at] == '[') {
      ++at;
      skipSpaces(text, at);
      if (at >= text.size()) return std::nullopt;
      char quote = text[at];
      if (quote == '\'' || quote == '"') {
        ++at;
        while (at < text.size() && text[at] != quote) {
          if (text[at] == '\\' && at + 1 < text.size()) ++at;
          step.name.push_back(text[at++]);
        }
        if (at >= text.size()) return std::nullopt;
        ++at;
      } else {
        auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), step.index);
        if (error != std::errc() || end == text.data() + at) return std::nullopt;
        at = static_cast<std::size_t>(end - text.data());
        step.isIndex = true;
      }
      skipSpaces(text, at);
      if (at >= text.size() || text[at] != ']') return std::nullopt;
      ++at;
    } else {
      return std::nullopt;
    }
    steps.push_back(std::move(step));
  }
  return steps;
}

// A member name that is an array index ("0", "12"; no sign, no leading zero).
std::optional<std::size_t> indexName(std::string_view name) {
  if (name.empty() || (name.size() > 1 && name[0] == '0')) return std::nullopt;
  std::size_t index = 0;
  auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), index);
  if (error != std::errc() || end != name.data() + name.size()) return std::nullopt;
  return index;
}

std::string keyOf(const Step& step) {
  return step.isIndex ? std::to_string(step.index) : step.name;
}

// Where a path leads: failed (a step below null, undefined or a missing parent), undefined
// (a missing member or element), or a value.
struct Found {
  enum Kind { kFailed, kUndefined, kValue } kind = kFailed;
  json::value* value = nullptr;
};

Found child(json::value& parent, const Step& step) {
  if (parent.is_object()) {
    json::value* member = parent.get_object().if_contains(keyOf(step));
    return member ? Found{Found::kValue, member} : Found{Found::kUndefined, nullptr};
  }
  if (parent.is_array()) {
    std::optional<std::size_t> index = step.isIndex ? std::optional(step.index) : indexName(step.name);
    json::array& array = parent.get_array();
    if (index && *index < array.size()) return {Found::kValue, &array[*index]};
    return {Found::kUndefined, nullptr};
  }
  if (parent.is_null()) return {Found::kFailed, nullptr};
  return {Found::kUndefined, nullptr};  // a member of a string, number or boolean
}

Found walk(json::value& root, const Steps& steps) {
  Found found{Found::kValue, &root};
  for (const Step& step : steps) {
    if (found.kind != Found::kValue) return {Found::kFailed, nullptr};
    found = child(*found.value, step);
  }
  return found;
}

bool isNullish(const Found& found) {
  return found.kind != Found::kValue || found.value->is_null();
}

double toDouble(const json::value& value) {
  if (value.is_double()) return value.get_double();
  if (value.is_int64()) return static_cast<double>(value.get_int64());
  return static_cast<double>(value.get_uint64());
}

// Text form of a value as the script language's String() gives it; arrays nest at most as
// deep as the tree, which parse bounds.
void appendScriptText(std::string& out, const json::value& value) {
  switch (value.kind()) {
    case json::kind::string:
      out.append(value.get_string().data(), value.get_string().size());
      break;
    case json::kind::bool_:
      out.append(value.get_bool() ? "true" : "false");
      break;
    case json::kind::int64:
    case json::kind::uint64:
    case json::kind::double_:
      out.append(numberToScriptText(toDouble(value)));
      break;
    case json::kind::object:
      out.append("[object Object]");
      break;
    case json::kind::array: {
      bool first = true;
      for (const json::value& element : value.get_array()) {
        if (!first) out.push_back(',');
        first = false;
        if (!element.is_null()) appendScriptText(out, element);
      }
      break;
    }
    case json::kind::null:
      break;
  }
}

void appendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (std::size_t at = 0; at < text.size(); ++at) {
    auto byte = static_cast<unsigned char>(text[at]);
    switch (byte) {
      case '"':
        out.append("\\\"");
        continue;
      case '\\':
        out.append("\\\\");
        continue;
      case '\b':
        out.append("\\b");
        continue;
      case '\t':
        out.append("\\t");
        continue;
      case '\n':
        out.append("\\n");
        continue;
      case '\f':
        out.append("\\f");
        continue;
      case '\r':
        out.append("\\r");
        continue;
      default:
        break;
    }
    if (byte < 0x20 || byte == 0x7F) {
      out.append("\\u00");
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0xF]);
    } else if (byte == 0xE2 && at + 2 < text.size() && text[at + 1] == '\x80' &&
               (text[at + 2] == '\xA8' || text[at + 2] == '\xA9')) {
      out.append(text[at + 2] == '\xA8' ? "\\u2028" : "\\u2029");  // line and paragraph separators
      at += 2;
    } else {
      out.push_back(static_cast<char>(byte));
    }
  }
  out.push_back('"');
}

// Compact JSON with numbers in the script language's form (non-finite numbers as null).
void appendJson(std::string& out, const json::value& value) {
  switch (value.kind()) {
    case json::kind::null:
      out.append("null");
      break;
    case json::kind::bool_:
      out.append(value.get_bool() ? "true" : "false");
      break;
    case json::kind::int64:
    case json::kind::uint64:
    case json::kind::double_: {
      double number = toDouble(value);
      out.append(std::isfinite(number) ? numberToScriptText(number) : "null");
      break;
    }
    case json::kind::string:
      appendJsonString(out, value.get_string());
      break;
    case json::kind::array: {
      out.push_back('[');
      bool first = true;
      for (const json::value& element : value.get_array()) {
        if (!first) out.push_back(',');
        first = false;
        appendJson(out, element);
      }
      out.push_back(']');
      break;
    }
    case json::kind::object: {
      out.push_back('{');
      bool first = true;
      for (const json::key_value_pair& member : value.get_object()) {
        if (!first) out.push_back(',');
        first = false;
        appendJsonString(out, member.key());
        out.push_back(':');
        appendJson(out, member.value());
      }
      out.push_back('}');
      break;
    }
  }
}

// Parses UTF-8 JSON text with the nesting bound; on failure fills `error` when given.
std::optional<json::value> parseJson(std::string_view utf8, ScriptError* error) {
  json::parse_options options;
  options.max_depth = JsonObject::kMaxDepth;
  json::parser parser(json::storage_ptr(), options);
  json::error_code code;
  std::size_t used = parser.write(utf8.data(), utf8.size(), code);
  if (!code) {
    try {
      json::value value = parser.release();
      if (error != nullptr) *error = ScriptError();
      return value;
    } catch (const std::exception&) {
      code = json::error::incomplete;
    }
  }
  if (error != nullptr) {
    *error = ScriptError();
    error->number = kSyntaxErrorNumber;
    error->source = "JSON";
    int line = 1;
    std::size_t lineStart = 0;
    for (std::size_t at = 0; at < used && at < utf8.size(); ++at) {
      if (utf8[at] == '\n') {
        ++line;
        lineStart = at + 1;
      }
    }
    error->line = line;
    error->column = static_cast<int>(used - lineStart) + 1;
    error->description = "Syntax error at character " + std::to_string(used + 1) + " (line " +
                         std::to_string(error->line) + ", column " + std::to_string(error->column) +
                         "): " + code.message();
  }
  return std::nullopt;
}

// Merges `source` into the object `target` member by member: objects merge, arrays take the
// source's elements at their end, anything else is replaced.
void extend(json::value& target, const json::value& source, int depth) {
  if (target.is_array() && source.is_array()) {
    for (const json::value& element : source.get_array()) target.get_array().push_back(element);
    return;
  }
  if (!target.is_object() || !source.is_object() || depth > JsonObject::kMaxDepth) {
    target = source;
    return;
  }
  json::object& object = target.get_object();
  for (const json::key_value_pair& member : source.get_object()) {
    json::value* existing = object.if_contains(member.key());
    if (existing != nullptr && (existing->is_object() || existing->is_array())) {
      extend(*existing, member.value(), depth + 1);
    } else {
      object[member.key()] = member.value();
    }
  }
}

// The script language's numeric conversion of a string ("" and blanks are 0; junk is NaN).
double stringToNumber(std::string_view text) {
  auto blank = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
  };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return 0;
  std::string_view body = text;
  bool negative = false;
  if (body.front() == '+' || body.front() == '-') {
    negative = body.front() == '-';
    body.remove_prefix(1);
  }
  if (body == "Infinity") return negative ? -HUGE_VAL : HUGE_VAL;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::uint64_t number = 0;
    auto [end, error] = std::from_chars(text.data() + 2, text.data() + text.size(), number, 16);
    return (error == std::errc() && end == text.data() + text.size()) ? static_cast<double>(number) : NAN;
  }
  if (body.find_first_not_of("0123456789.eE+-") != std::string_view::npos) return NAN;
  std::string copy(text);
  char* end = nullptr;
  double number = std::strtod(copy.c_str(), &end);
  return (end == copy.c_str() + copy.size()) ? number : NAN;
}

}  // namespace

Text numberToScriptText(double number) {
  if (std::isnan(number)) return "NaN";
  if (std::isinf(number)) return number < 0 ? "-Infinity" : "Infinity";
  if (number == 0) return "0";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::scientific);
  std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
  Text out;
  if (scientific.front() == '-') {
    out.push_back('-');
    scientific.remove_prefix(1);
  }
  std::size_t exponentAt = scientific.find('e');
  std::string digits;
  for (char c : scientific.substr(0, exponentAt)) {
    if (c != '.') digits.push_back(c);
  }
  int exponent = std::atoi(std::string(scientific.substr(exponentAt + 1)).c_str());
  const int k = static_cast<int>(digits.size());
  const int n = exponent + 1;  // the decimal point sits after n digits
  if (k <= n && n <= 21) {
    out += digits;
    out.append(static_cast<std::size_t>(n - k), '0');
  } else if (0 < n && n <= 21) {
    out += digits.substr(0, static_cast<std::size_t>(n));
    out.push_back('.');
    out += digits.substr(static_cast<std::size_t>(n));
  } else if (-6 < n && n <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-n), '0');
    out += digits;
  } else {
    out.push_back(digits[0]);
    if (k > 1) {
      out.push_back('.');
      out += digits.substr(1);
    }
    out.push_back('e');
    out.push_back(n - 1 < 0 ? '-' : '+');
    out += std::to_string(std::abs(n - 1));
  }
  return out;
}

struct JsonObject::State {
  json::value tree = json::object();

  // Resolves a code-page-936 path to its steps below the root; nothing for a malformed path.
  std::optional<Steps> resolve(std::string_view path) {
    std::string utf8 = textToUtf8(path);
    std::string_view view(utf8);
    if (view.starts_with(kRootName)) {
      std::optional<Steps> absolute = parseSteps(view.substr(kRootName.size()));
      if (absolute && !isNullish(walk(tree, *absolute))) return absolute;
    }
    return parseSteps(!view.empty() && view.front() != '[' ? "." + utf8 : utf8);
  }

  Found find(std::string_view path) {
    std::optional<Steps> steps = resolve(path);
    return steps ? walk(tree, *steps) : Found{};
  }

  // The place a value can be stored at: the root, a member of an object or an element of an
  // array (padded with nulls up to it). Nothing when the parent is missing or not a container.
  json::value* slot(std::string_view path) {
    std::optional<Steps> steps = resolve(path);
    if (!steps) return nullptr;
    if (steps->empty()) return &tree;
    Step last = std::move(steps->back());
    steps->pop_back();
    Found parent = walk(tree, *steps);
    if (parent.kind != Found::kValue) return nullptr;
    if (parent.value->is_object()) return &parent.value->get_object()[keyOf(last)];
    if (parent.value->is_array()) {
      std::optional<std::size_t> index = last.isIndex ? std::optional(last.index) : indexName(last.name);
      json::array& array = parent.value->get_array();
      if (!index || *index > array.size() + kMaxPadding) return nullptr;
      if (*index >= array.size()) array.resize(*index + 1);
      return &array[*index];
    }
    return nullptr;
  }
};

namespace {

std::optional<json::value> valueFrom(std::string_view value, bool valueIsJson) {
  if (!valueIsJson) return json::value(json::string(textToUtf8(value)));
  return parseJson(textToUtf8(value), nullptr);
}

Text toJsonText(const json::value& value) {
  std::string out;
  appendJson(out, value);
  return utf8ToText(out);
}

}  // namespace

JsonObject::JsonObject() : state_(std::make_shared<State>()) {}
JsonObject::~JsonObject() = default;
JsonObject::JsonObject(const JsonObject&) = default;
JsonObject& JsonObject::operator=(const JsonObject&) = default;

Text JsonObject::rootName() const {
  return Text(kRootName);
}

bool JsonObject::parse(std::string_view text, bool /*direct*/, ScriptError* error) {
  state_ = std::make_shared<State>();
  std::optional<json::value> value = parseJson(textToUtf8(text), error);
  state_->tree = value ? std::move(*value) : json::value();
  return !state_->tree.is_null();
}

bool JsonObject::clear() {
  state_->tree = json::object();
  return true;
}

Text JsonObject::toJson() const {
  return toJsonText(state_->tree);
}

bool JsonObject::resolvePath(Text& path) const {
  Found found = state_->find(path);
  std::string_view view(path);
  bool absolute = false;
  if (view.starts_with(kRootName)) {
    std::optional<Steps> steps = parseSteps(textToUtf8(view.substr(kRootName.size())));
    absolute = steps && !isNullish(walk(state_->tree, *steps));
  }
  if (!absolute) {
    if (view.empty()) {
      path = Text(kRootName);
    } else {
      path = Text(kRootName) + (view.front() == '[' ? "" : ".") + path;
    }
  }
  return !isNullish(found);
}

bool JsonObject::exists(std::string_view path) const {
  return !isNullish(state_->find(path));
}

int JsonObject::typeOf(std::string_view path) const {
  Found found = state_->find(path);
  if (found.kind == Found::kFailed) return kTypeFailed;
  if (isNullish(found)) return kTypeNull;
  switch (found.value->kind()) {
    case json::kind::bool_:
      return kTypeBoolean;
    case json::kind::int64:
    case json::kind::uint64:
    case json::kind::double_:
      return kTypeNumber;
    case json::kind::object:
      return kTypeObject;
    case json::kind::array:
      return kTypeArray;
    case json::kind::string:
      return kTypeString;
    case json::kind::null:
      break;
  }
  return kTypeNull;
}

Text JsonObject::getText(std::string_view path, bool asJson) const {
  Found found = state_->find(path);
  if (found.kind != Found::kValue) return {};
  if (asJson) return toJsonText(*found.value);
  std::string out;
  appendScriptText(out, *found.value);
  return utf8ToText(out);
}

int JsonObject::getCount(std::string_view path) const {
  Found found = state_->find(path);
  return (found.kind == Found::kValue && found.value->is_array())
             ? static_cast<int>(found.value->get_array().size())
             : 0;
}

double JsonObject::getNumber(std::string_view path) const {
  Found found = state_->find(path);
  if (found.kind == Found::kFailed) return 0;
  if (found.kind == Found::kUndefined) return NAN;
  const json::value& value = *found.value;
  switch (value.kind()) {
    case json::kind::null:
      return 0;
    case json::kind::bool_:
      return value.get_bool() ? 1 : 0;
    case json::kind::int64:
    case json::kind::uint64:
    case json::kind::double_:
      return toDouble(value);
    case json::kind::string:
      return stringToNumber(value.get_string());
    case json::kind::array: {
      std::string text;
      appendScriptText(text, value);
      return stringToNumber(text);
    }
    case json::kind::object:
      break;
  }
  return NAN;
}

Text JsonObject::getJson(std::string_view path) const {
  Found found = state_->find(path);
  return found.kind == Found::kValue ? toJsonText(*found.value) : Text();
}

int JsonObject::getMemberNames(std::vector<Text>& names, std::string_view path) const {
  names.clear();
  Found found = state_->find(path);
  if (found.kind != Found::kValue || !found.value->is_object()) return 0;
  for (const json::key_value_pair& member : found.value->get_object())
    names.push_back(utf8ToText(member.key()));
  return static_cast<int>(names.size());
}

int JsonObject::getValues(std::vector<Text>& values, std::string_view path, bool recursive) const {
  values.clear();
  Found found = state_->find(path);
  if (found.kind != Found::kValue) return 0;
  // Depth-first in enumeration order with an explicit stack of (container, next position).
  struct Level {
    const json::value* container;
    std::size_t next;
  };
  std::vector<Level> stack{{found.value, 0}};
  while (!stack.empty()) {
    Level& level = stack.back();
    const json::value* item = nullptr;
    if (level.container->is_object()) {
      const json::object& object = level.container->get_object();
      if (level.next < object.size()) item = &(object.begin() + level.next)->value();
    } else if (level.container->is_array()) {
      const json::array& array = level.container->get_array();
      if (level.next < array.size()) item = &array[level.next];
    }
    if (item == nullptr) {
      stack.pop_back();
      continue;
    }
    ++level.next;
    if (item->is_object() || item->is_array()) {
      if (recursive) stack.push_back({item, 0});
    } else if (!item->is_null()) {
      std::string text;
      appendScriptText(text, *item);
      values.push_back(utf8ToText(text));
    }
  }
  return static_cast<int>(values.size());
}

JsonObject JsonObject::getObject(std::string_view path) const {
  JsonObject copy;
  Found found = state_->find(path);
  copy.state_->tree = found.kind == Found::kValue ? *found.value : json::value();
  return copy;
}

JsonObject JsonObject::getElementObject(int index, std::string_view path) const {
  JsonObject copy;
  copy.state_->tree = json::value();
  Found found = state_->find(path);
  if (index >= 0 && found.kind == Found::kValue) {
    Found element = child(*found.value, Step{true, {}, static_cast<std::size_t>(index)});
    if (element.kind == Found::kValue) copy.state_->tree = *element.value;
  }
  return copy;
}

Text JsonObject::getElementText(int index, std::string_view path, bool asJson) const {
  Found found = state_->find(path);
  if (index < 0 || found.kind != Found::kValue) return {};
  Found element = child(*found.value, Step{true, {}, static_cast<std::size_t>(index)});
  if (element.kind != Found::kValue) return {};
  if (asJson) return toJsonText(*element.value);
  return element.value->is_string() ? utf8ToText(element.value->get_string()) : Text();
}

bool JsonObject::setText(std::string_view path, std::string_view value, bool valueIsJson) {
  std::optional<json::value> parsed =
      valueFrom(valueIsJson && value.empty() ? std::string_view("{}") : value, valueIsJson);
  if (!parsed) return false;
  Found found = state_->find(path);
  if (valueIsJson && found.kind == Found::kValue && found.value->is_object()) {
    extend(*found.value, *parsed, 0);
    return true;
  }
  json::value* target = state_->slot(path);
  if (target == nullptr) return false;
  *target = std::move(*parsed);
  return true;
}

bool JsonObject::setJson(std::string_view path, std::string_view jsonText) {
  std::optional<json::value> parsed = parseJson(textToUtf8(jsonText), nullptr);
  if (!parsed) return false;
  json::value* target = state_->slot(path);
  if (target == nullptr) return false;
  *target = std::move(*parsed);
  return true;
}

bool JsonObject::append(std::string_view value, std::string_view path, bool valueIsJson, bool atFront) {
  std::optional<json::value> parsed = valueFrom(value, valueIsJson);
  if (!parsed) return false;
  json::value* target = state_->slot(path);
  if (target == nullptr) return false;
  if (!target->is_array()) *target = json::array();
  json::array& array = target->get_array();
  if (atFront) {
    array.insert(array.begin(), std::move(*parsed));
  } else {
    array.push_back(std::move(*parsed));
  }
  return true;
}

bool JsonObject::setElement(int index, std::string_view path, std::string_view value, bool valueIsJson) {
  std::optional<json::value> parsed = valueFrom(value, valueIsJson);
  if (!parsed || index < 0) return false;
  Found found = state_->find(path);
  if (found.kind != Found::kValue) return false;
  json::value& container = *found.value;
  auto position = static_cast<std::size_t>(index);
  if (container.is_object()) {
    container.get_object()[std::to_string(position)] = std::move(*parsed);
    return true;
  }
  if (!container.is_array() || position > container.get_array().size() + kMaxPadding) return false;
  json::array& array = container.get_array();
  if (position >= array.size()) array.resize(position + 1);
  array[position] = std::move(*parsed);
  return true;
}

bool JsonObject::removeElement(int index, std::string_view path) {
  Found found = state_->find(path);
  if (found.kind != Found::kValue || !found.value->is_array()) return false;
  json::array& array = found.value->get_array();
  long long position = index < 0 ? static_cast<long long>(array.size()) + index : index;  // from the end
  if (position < 0) position = 0;
  if (static_cast<std::size_t>(position) < array.size()) array.erase(array.begin() + position);
  return true;
}

bool JsonObject::remove(std::string_view path) {
  std::optional<Steps> steps = state_->resolve(path);
  if (!steps || steps->empty()) return false;  // the root itself cannot be removed
  Step last = std::move(steps->back());
  steps->pop_back();
  Found parent = walk(state_->tree, *steps);
  if (isNullish(parent)) return false;
  if (parent.value->is_object()) {
    parent.value->get_object().erase(keyOf(last));
  } else if (parent.value->is_array()) {
    Found element = child(*parent.value, last);
    if (element.kind == Found::kValue) *element.value = nullptr;  // leaves a hole, as delete does
  }
  return true;
}

bool JsonObject::setNumber(std::string_view path, double number) {
  json::value* target = state_->slot(path);
  if (target == nullptr) return false;
  *target = number;
  return true;
}

}  // namespace nc
