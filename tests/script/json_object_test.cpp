#include "script/json_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "text/code_page.h"

namespace nc {
namespace {

Text gbk(const char* utf8) {
  return utf8ToText(utf8);
}

constexpr const char* kNotice =
    R"({"date":{"debug":true,"version_number":"v1.1","Picture_on":"false","nothing":null,)"
    R"("Attributes":{"download_link":"http://x/y.zip","information":"line\nnext",)"
    R"("Check-for-updates":"yes","Picture_output 1":"p1","Picture_output 2":"p2","名字":"值"}},)"
    R"("list":[1,2.5,null,"s",[3,[4]],{"a":1},true],"n":1.50,"big":1e21,"small":1e-7,)"
    R"("micro":0.000001,"neg":-0,"int":12,"quote":"a\"b\\c\u4e2d"})";

class NoticeTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(json_.parse(gbk(kNotice))); }
  JsonObject json_;
};

TEST_F(NoticeTest, GetTextFollowsEveryPathForm) {
  struct Case {
    const char* path;
    const char* text;
  };
  const Case cases[] = {
      {"date.debug", "true"},
      {"da.date.debug", "true"},
      {"date['version_number']", "v1.1"},
      {"date[\"version_number\"]", "v1.1"},
      {"date['Picture_on']", "false"},
      {"date.Attributes['download_link']", "http://x/y.zip"},
      {"date.Attributes.information", "line\nnext"},
      {"date.Attributes['Check-for-updates']", "yes"},
      {"date.Attributes['Picture_output 1']", "p1"},
      {"date.Attributes[ 'Picture_output 2' ]", "p2"},
      {"date.Attributes['名字']", "值"},
      {"date.Attributes.名字", "值"},
      {"date.nothing", ""},
      {"date.missing", ""},
      {"missing.parent.deep", ""},
      {"list", "1,2.5,,s,3,4,[object Object],true"},
      {"list[0]", "1"},
      {"list[4][1][0]", "4"},
      {"list[4]['1']", "4"},
      {"list[5]", "[object Object]"},
      {"list[99]", ""},
      {"date", "[object Object]"},
      {"n", "1.5"},
      {"big", "1e+21"},
      {"small", "1e-7"},
      {"micro", "0.000001"},
      {"neg", "0"},
      {"int", "12"},
      {"quote", "a\"b\\c中"},
      {"list[", ""},
      {"list[x]", ""},
      {"date..debug", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(json_.getText(gbk(c.path)), gbk(c.text)) << c.path;
}

TEST_F(NoticeTest, TypeOfCodes) {
  struct Case {
    const char* path;
    int type;
  };
  const Case cases[] = {
      {"", 4},
      {"date", 4},
      {"list", 5},
      {"list[3]", 6},
      {"n", 2},
      {"date.debug", 1},
      {"date.nothing", 0},
      {"date.missing", 0},
      {"missing.deep", -1},
      {"date.nothing.x", -1},
      {"int.x", 0},
      {"list[", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(json_.typeOf(c.path), c.type) << c.path;
}

TEST_F(NoticeTest, CountsNumbersAndExistence) {
  EXPECT_EQ(json_.getCount("list"), 7);
  EXPECT_EQ(json_.getCount("date"), 0);
  EXPECT_EQ(json_.getCount("missing.x"), 0);
  EXPECT_DOUBLE_EQ(json_.getNumber("n"), 1.5);
  EXPECT_DOUBLE_EQ(json_.getNumber("date.debug"), 1);
  EXPECT_DOUBLE_EQ(json_.getNumber("missing.x"), 0);
  EXPECT_TRUE(std::isnan(json_.getNumber("date.missing")));
  EXPECT_TRUE(json_.exists("date.debug"));
  EXPECT_FALSE(json_.exists("date.nothing"));
  Text path = "date.debug";
  EXPECT_TRUE(json_.resolvePath(path));
  EXPECT_EQ(path, "da.date.debug");
  path = "da.date.debug";
  EXPECT_TRUE(json_.resolvePath(path));
  EXPECT_EQ(path, "da.date.debug");
  path = "[0].author";
  EXPECT_FALSE(json_.resolvePath(path));
  EXPECT_EQ(path, "da[0].author");
  path = "";
  EXPECT_TRUE(json_.resolvePath(path));
  EXPECT_EQ(path, "da");
}

TEST_F(NoticeTest, JsonFormsAreValidJson) {
  EXPECT_EQ(json_.getText("list", true), R"([1,2.5,null,"s",[3,[4]],{"a":1},true])");
  EXPECT_EQ(json_.getJson("quote"), gbk(R"("a\"b\\c中")"));
  EXPECT_EQ(json_.getJson("date.missing"), "");
  EXPECT_EQ(json_.getElementText(3, "list"), "s");
  EXPECT_EQ(json_.getElementText(0, "list"), "");
  EXPECT_EQ(json_.getElementText(5, "list", true), R"({"a":1})");
  JsonObject again;
  EXPECT_TRUE(again.parse(json_.toJson()));
  EXPECT_EQ(again.toJson(), json_.toJson());
}

TEST(JsonParse, ListingPage) {
  JsonObject json;
  ASSERT_TRUE(json.parse(gbk(R"([{"author":"A","url_list":"/b/1"},{"author":"B"}])")));
  EXPECT_EQ(json.getCount(""), 2);
  EXPECT_EQ(json.getText("[1].author"), "B");
  EXPECT_EQ(json.getText("[0]['url_list']"), "/b/1");
  EXPECT_EQ(json.getText("[2].author"), "");
}

TEST(JsonParse, RejectsWhatIsNotJson) {
  const char* texts[] = {"", "{", "[1,2,]", "{'a':1}", "alert(1)", "[1] [2]", "null", "{\"a\":1}x"};
  for (const char* text : texts) {
    JsonObject json;
    ScriptError error;
    EXPECT_FALSE(json.parse(text, false, &error)) << text;
    EXPECT_EQ(json.getCount(), 0) << text;
    EXPECT_EQ(json.getText("a"), "") << text;
    EXPECT_EQ(json.toJson(), "null") << text;
    if (std::string(text) != "null") {
      EXPECT_NE(error.number, 0) << text;
      EXPECT_NE(error.description.find("character"), Text::npos) << text;
    }
  }
  ScriptError error;
  JsonObject json;
  EXPECT_FALSE(json.parse("[1,\n2,x]", false, &error));
  EXPECT_EQ(error.line, 2);
  EXPECT_EQ(error.column, 3);
  EXPECT_TRUE(json.parse("5", false, &error));
  EXPECT_EQ(error.number, 0);
  EXPECT_EQ(json.getText(), "5");
}

TEST(JsonParse, DuplicateMembersKeepTheFirstPlaceAndTheLastValue) {
  JsonObject json;
  ASSERT_TRUE(json.parse(R"({"a":1,"b":2,"a":3})"));
  EXPECT_EQ(json.toJson(), R"({"a":3,"b":2})");
}

TEST(JsonParse, NestingIsBounded) {
  const std::size_t hostile = 100'000;
  JsonObject json;
  ScriptError error;
  EXPECT_FALSE(json.parse(std::string(hostile, '[') + std::string(hostile, ']'), false, &error));
  EXPECT_NE(error.number, 0);
  const std::size_t allowed = JsonObject::kMaxDepth;
  EXPECT_TRUE(json.parse(std::string(allowed, '[') + std::string(allowed, ']')));
  EXPECT_EQ(json.getText(), "");
}

TEST(JsonParse, LargeCollections) {
  std::string members = "{";
  for (int i = 0; i < 100'000; ++i)
    members += (i ? ",\"k" : "\"k") + std::to_string(i) + "\":" + std::to_string(i);
  members += "}";
  JsonObject json;
  ASSERT_TRUE(json.parse(members));
  EXPECT_EQ(json.getText("k99999"), "99999");
  std::string elements = "[0";
  for (int i = 1; i < 1'000'000; ++i) elements += ",1";
  elements += "]";
  ASSERT_TRUE(json.parse(elements));
  EXPECT_EQ(json.getCount(), 1'000'000);
}

TEST(JsonNumbers, ScriptTextForm) {
  struct Case {
    double number;
    const char* text;
  };
  const Case cases[] = {
      {12, "12"},         {1.5, "1.5"},          {1e21, "1e+21"},       {1e20, "100000000000000000000"},
      {1e-6, "0.000001"}, {1e-7, "1e-7"},        {-0.0, "0"},           {0.1 + 0.2, "0.30000000000000004"},
      {-2.5, "-2.5"},     {1.5e300, "1.5e+300"}, {123e-20, "1.23e-18"}, {NAN, "NaN"}};
  for (const Case& c : cases) EXPECT_EQ(numberToScriptText(c.number), c.text) << c.text;
}

TEST(JsonEdit, SetTextStoresDataThatSurvives) {
  JsonObject json;
  const Text value = gbk("a\\b'c\"d\r\ne中");
  ASSERT_TRUE(json.setText("x", value));
  EXPECT_EQ(json.getText("x"), value);
  EXPECT_EQ(json.toJson(), gbk(R"({"x":"a\\b'c\"d\r\ne中"})"));
  JsonObject again;
  ASSERT_TRUE(again.parse(json.toJson()));
  EXPECT_EQ(again.getText("x"), value);
  ASSERT_TRUE(json.parse("{}"));
  EXPECT_EQ(json.getText("x"), "");
}

TEST(JsonEdit, SetTextAsJsonMergesIntoObjects) {
  JsonObject json;
  ASSERT_TRUE(json.parse(R"({"o":{"a":"1","n":5,"s":{"x":1},"l":[1]}})"));
  EXPECT_TRUE(json.setText("o", R"({"a":"2","n":6,"s":{"y":2},"l":[2],"new":true})", true));
  EXPECT_EQ(json.getJson("o"), R"({"a":"2","n":6,"s":{"x":1,"y":2},"l":[1,2],"new":true})");
  EXPECT_TRUE(json.setText("v", "[1]", true));
  EXPECT_EQ(json.getJson("v"), "[1]");
  EXPECT_FALSE(json.setText("v", "{bad", true));
  EXPECT_FALSE(json.setText("missing.x", "1"));
  EXPECT_FALSE(json.setJson("w", "alert('x')"));
  EXPECT_TRUE(json.setJson("w", R"({"k":[true]})"));
  EXPECT_EQ(json.getText("w.k"), "true");
}

TEST(JsonEdit, ArraysGrowShrinkAndRemove) {
  JsonObject json;
  EXPECT_TRUE(json.append("x", "list"));
  EXPECT_TRUE(json.append("w'\\", "list", false, true));
  EXPECT_TRUE(json.append("{\"o\":1}", "list", true));
  EXPECT_EQ(json.getJson("list"), R"(["w'\\","x",{"o":1}])");
  EXPECT_FALSE(json.append("{", "list", true));
  EXPECT_TRUE(json.setElement(4, "list", "y"));
  EXPECT_EQ(json.getJson("list"), R"(["w'\\","x",{"o":1},null,"y"])");
  EXPECT_TRUE(json.removeElement(0, "list"));
  EXPECT_TRUE(json.removeElement(-1, "list"));
  EXPECT_EQ(json.getJson("list"), R"(["x",{"o":1},null])");
  EXPECT_FALSE(json.removeElement(0, "missing"));
  EXPECT_TRUE(json.remove("list[1]"));
  EXPECT_EQ(json.getJson("list"), R"(["x",null,null])");
  EXPECT_TRUE(json.setNumber("n", 0.25));
  EXPECT_TRUE(json.remove("list"));
  EXPECT_EQ(json.toJson(), R"({"n":0.25})");
  EXPECT_FALSE(json.remove("a.b.c"));
  EXPECT_TRUE(json.clear());
  EXPECT_EQ(json.toJson(), "{}");
}

TEST(JsonCollections, NamesValuesAndCopies) {
  JsonObject json;
  ASSERT_TRUE(json.parse(R"({"a":1,"b":{"c":"x","d":[true,null]},"e":""})"));
  std::vector<Text> names{"stale"};
  EXPECT_EQ(json.getMemberNames(names), 3);
  EXPECT_EQ(names, (std::vector<Text>{"a", "b", "e"}));
  EXPECT_EQ(json.getMemberNames(names, "b.d"), 0);
  EXPECT_TRUE(names.empty());
  std::vector<Text> values;
  EXPECT_EQ(json.getValues(values, "", true), 4);
  EXPECT_EQ(values, (std::vector<Text>{"1", "x", "true", ""}));
  EXPECT_EQ(json.getValues(values), 2);
  EXPECT_EQ(values, (std::vector<Text>{"1", ""}));

  JsonObject part = json.getObject("b");
  EXPECT_TRUE(part.setText("c", "changed"));
  EXPECT_EQ(json.getText("b.c"), "x");
  EXPECT_EQ(part.getText("d"), "true,");
  EXPECT_EQ(json.getElementObject(0, "b.d").toJson(), "true");
  EXPECT_EQ(json.getObject("nothing.here").toJson(), "null");
  EXPECT_FALSE(json.getObject("nothing.here").exists());
}

TEST(JsonCollections, CopiesShareTheTreeUntilOneParses) {
  JsonObject first;
  JsonObject second = first;
  EXPECT_TRUE(first.setText("a", "1"));
  EXPECT_EQ(second.getText("a"), "1");
  EXPECT_TRUE(second.parse("[2]"));
  EXPECT_EQ(first.getText("a"), "1");
  EXPECT_EQ(second.getText("[0]"), "2");
}

TEST(JsonPaths, RootPrefixRule) {
  JsonObject json;
  ASSERT_TRUE(json.parse(R"({"date":{"debug":true},"da":{"x":"inner"},"x":"outer"})"));
  EXPECT_EQ(json.getText("date.debug"), "true");
  EXPECT_EQ(json.getText("da.date.debug"), "true");
  EXPECT_EQ(json.getText("da.x"), "outer");  // names an existing value from the root
  EXPECT_EQ(json.getText("da"), "[object Object]");
}

}  // namespace
}  // namespace nc
