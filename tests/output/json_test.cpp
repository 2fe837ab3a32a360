// The JSON reader and writer the browser driver's requests and replies go through.
#include "output/json.h"

#include <gtest/gtest.h>

namespace vorn::output {
namespace {

Json parsed(std::string_view text) {
    Json v;
    const Status st = parse_json(text, &v);
    EXPECT_TRUE(st) << text << ": " << st.message();
    return v;
}

TEST(Json, ReadsEveryKindOfValue) {
    const Json v = parsed(R"( {"a": [1, -2.5e3, true, false, null], "b": {"c": "d"}, "e": ""} )");
    ASSERT_TRUE(v.is_object());
    const Json* a = v.find("a");
    ASSERT_TRUE(a && a->is_array());
    ASSERT_EQ(a->items().size(), 5u);
    EXPECT_EQ(a->items()[1].text(), "-2.5e3");
    EXPECT_TRUE(a->items()[2].boolean());
    EXPECT_TRUE(a->items()[4].is_null());
    EXPECT_EQ(v.find("b")->find("c")->text(), "d");
    EXPECT_EQ(v.find("e")->text(), "");
    EXPECT_EQ(v.find("zz"), nullptr);
}

TEST(Json, DecodesEscapesIntoUtf8) {
    EXPECT_EQ(parsed(R"("a\"b\\c\/d\n\t")").text(), "a\"b\\c/d\n\t");
    EXPECT_EQ(parsed(R"("a\u00e7\u00e3o")").text(), "ação");
    EXPECT_EQ(parsed(R"("\u20ac \ud83d\ude00")").text(), "€ 😀");
    EXPECT_EQ(parsed("\"já\"").text(), "já");
}

TEST(Json, RefusesMalformedText) {
    for (const char* bad :
         {"", "{", "[1,]", "{\"a\" 1}", "{a:1}", "\"open", "01", "1.", "-", "tru", "[1] x",
          "\"\\x\"", "\"\\u12\"", "\"\\ud83d\"", "\"\\ude00\"", "\"a\nb\"", "{\"a\":1,}", "nul"}) {
        Json v;
        const Status st = parse_json(bad, &v);
        EXPECT_FALSE(st) << bad;
        EXPECT_EQ(st.code(), Status::Code::kCorrupt) << bad;
    }
}

TEST(Json, RefusesNestingBeyondTheLimitInsteadOfOverflowingTheStack) {
    Json v;
    EXPECT_TRUE(parse_json(std::string(100, '[') + std::string(100, ']'), &v));
    EXPECT_FALSE(parse_json(std::string(100000, '['), &v));
}

TEST(Json, WritesStringsThatReadBackUnchanged) {
    const std::string nasty = "aspas \" barra \\ ação \x01 nova\nlinha '); alert(1); //";
    const Json doc(
        Json::Object{{"k\"ey", Json(nasty)}, {"n", Json(7)}, {"l", Json(Json::Array{})}});
    const std::string text = doc.dump();
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_NE(text.find("\\u0001"), std::string::npos);
    const Json back = parsed(text);
    EXPECT_EQ(back.find("k\"ey")->text(), nasty);
    EXPECT_EQ(back.find("n")->text(), "7");
    EXPECT_TRUE(back.find("l")->is_array());
}

}  // namespace
}  // namespace vorn::output
