// JsonObject: holds one JSON value (the tree) and answers questions about it by path; texts in
// and out are code page 936.
//
// Paths are member-access expressions below the root variable "da": identifiers after ".",
// decimal indexes in brackets and quoted names in brackets ("[3]['url_list']", "date.debug",
// "date.Attributes['Picture_output 1']"); an empty path is the whole tree, and a path that
// already starts with "da" and names an existing value is taken as written. Values read back as
// the script language converts them to text (numbers in shortest form, arrays joined by ",",
// objects as "[object Object]"). Only JSON text is accepted; texts given to the mutators are
// stored as data. A missing value or a failed look-up gives the empty result.
//
// An object belongs to one thread at a time. Copies share one tree (changes through one show
// in the other) until one of them parses, which gives it a tree of its own.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace nc {

// What parse reports about text it could not read.
struct ScriptError {
  int number = 0;  // 0 when the text was read
  Text source;
  Text description;  // says what is wrong and at which character
  Text helpFile;
  int helpContext = 0;
  Text text;
  int line = 0;    // 1-based line of the fault
  int column = 0;  // 1-based byte column of the fault (UTF-8 form)
};

class JsonObject {
 public:
  // Type codes of typeOf.
  static constexpr int kTypeFailed = -1;
  static constexpr int kTypeNull = 0;
  static constexpr int kTypeBoolean = 1;
  static constexpr int kTypeNumber = 2;
  static constexpr int kTypeObject = 4;
  static constexpr int kTypeArray = 5;
  static constexpr int kTypeString = 6;

  // Deepest nesting of arrays and objects that parse accepts.
  static constexpr int kMaxDepth = 512;

  JsonObject();  // the tree is the empty object
  ~JsonObject();
  JsonObject(const JsonObject&);  // shares the tree
  JsonObject& operator=(const JsonObject&);

  Text rootName() const;

  // Replaces the tree (for this object only) by the JSON value of `text`. True when that value
  // is not null. Text that is not JSON leaves the tree null, returns false and fills `error`.
  // `direct` is accepted for compatibility; both modes read JSON.
  bool parse(std::string_view text, bool direct = false, ScriptError* error = nullptr);

  bool clear();                                   // the tree becomes {}
  Text toJson() const;                            // JSON text of the whole tree
  bool resolvePath(Text& path) const;             // path becomes "da..."; true when non-null
  bool exists(std::string_view path = {}) const;  // value there is not null
  int typeOf(std::string_view path = {}) const;   // one of the kType codes
  Text getText(std::string_view path = {}, bool asJson = false) const;
  int getCount(std::string_view path = {}) const;  // array length, 0 for anything else
  double getNumber(std::string_view path = {}) const;
  Text getJson(std::string_view path = {}) const;  // empty when there is no value

  // Names of the members of an object in order; returns their number.
  int getMemberNames(std::vector<Text>& names, std::string_view path = {}) const;
  // Strings, numbers and booleans directly under the value (and, with `recursive`, below its
  // member objects and arrays) in order, in text form; returns their number.
  int getValues(std::vector<Text>& values, std::string_view path = {}, bool recursive = false) const;
  // Deep copies; a missing value gives an object whose tree is null.
  JsonObject getObject(std::string_view path = {}) const;
  JsonObject getElementObject(int index = 0, std::string_view path = {}) const;
  // An element's text when it is a string (or its JSON text with `asJson`).
  Text getElementText(int index = 0, std::string_view path = {}, bool asJson = false) const;

  // Mutators: true on success, false when the path cannot take the value or the JSON is bad.
  // With valueIsJson false the value is stored as a string, exactly as given.
  bool setText(std::string_view path = {}, std::string_view value = {}, bool valueIsJson = false);
  bool setJson(std::string_view path = {}, std::string_view json = {});
  bool append(std::string_view value = {}, std::string_view path = {}, bool valueIsJson = false,
              bool atFront = false);
  bool setElement(int index = 0, std::string_view path = {}, std::string_view value = {},
                  bool valueIsJson = false);
  bool removeElement(int index = 0, std::string_view path = {});
  bool remove(std::string_view path = {});
  bool setNumber(std::string_view path = {}, double number = 0);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// The script language's text form of a number: 12, 1.5, 1e+21, 0.000001, 1e-7, NaN, Infinity.
Text numberToScriptText(double number);

}  // namespace nc
