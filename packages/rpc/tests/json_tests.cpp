#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tarnwick/rpc/anycodable.h"
#include "tarnwick/rpc/json.h"

using namespace tarnwick;

TEST(JsonParse, RejectsWhatIsNotOneJsonText)
{
    for (const char* text : {"", " ", "junk", "{", "{\"a\":}", "[1,]", "{\"a\":1} x", "\"\xff\"", "nul"})
        EXPECT_FALSE(json::parse(text)) << text;
}

TEST(JsonParse, KeepsEveryKindApart)
{
    auto v = json::parse(R"({"a":true,"b":1,"c":1.5,"d":"s","e":null,"f":[1,"x"],"g":{"h":false},"i":3.0,"j":-7})");
    ASSERT_TRUE(v);
    const Object& o = *v->object();
    EXPECT_EQ(o.at("a").boolean(), true);
    EXPECT_EQ(o.at("b").integer(), 1);
    EXPECT_FALSE(o.at("b").boolean()) << "an integer 1 is not a boolean";
    EXPECT_EQ(o.at("c").floating(), 1.5);
    EXPECT_FALSE(o.at("c").integer());
    EXPECT_EQ(*o.at("d").string(), "s");
    ASSERT_TRUE(o.contains("e")) << "a null member is present";
    EXPECT_TRUE(o.at("e").isNull());
    EXPECT_EQ(o.at("f"), Value(Array{Value(1), Value("x")}));
    EXPECT_EQ(o.at("g"), Value(Object{{"h", false}}));
    EXPECT_EQ(o.at("i").kind(), Value::Kind::Double) << "3.0 keeps its fraction";
    EXPECT_EQ(o.at("j").integer(), -7);
}

TEST(JsonParse, IntegerRangeEdges)
{
    EXPECT_EQ(json::parse("9223372036854775807")->integer(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(json::parse("-9223372036854775808")->integer(), std::numeric_limits<std::int64_t>::min());
    auto tooBig = json::parse("9223372036854775808");
    ASSERT_TRUE(tooBig);
    EXPECT_EQ(tooBig->kind(), Value::Kind::Double) << "beyond 64-bit integers a number is a double";
}

TEST(JsonParse, RefusesNestingBeyondTheLimitWithoutCrashing)
{
    std::string deep(json::kMaxDepth, '[');
    deep += std::string(json::kMaxDepth, ']');
    EXPECT_TRUE(json::parse(deep));
    std::string tooDeep(1'000'000, '[');
    EXPECT_FALSE(json::parse(tooDeep));
}

TEST(JsonWrite, CompactWithSortedKeysAtEveryLevel)
{
    Value v(Object{{"b", Object{{"z", 1}, {"a", 2}}}, {"a", Array{false, 0, Null{}}}});
    EXPECT_EQ(json::toString(v), R"({"a":[false,0,null],"b":{"a":2,"z":1}})");
}

TEST(JsonWrite, DoublesKeepTheirKindAndRoundTrip)
{
    for (double d : {2.0, 0.1, -1.5e-300, 1e300, 123456789.125}) {
        auto text = json::toString(Value(d));
        ASSERT_TRUE(text);
        auto back = json::parse(*text);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->floating(), d) << *text;
    }
}

TEST(JsonWrite, FailsOnlyForValuesWithoutJsonForm)
{
    EXPECT_FALSE(json::toString(Value(std::numeric_limits<double>::infinity())));
    EXPECT_FALSE(json::toString(Value(Array{Value(std::nan(""))})));
    EXPECT_FALSE(json::toString(Value(std::string("\xC0\xAF")))) << "overlong UTF-8";
    EXPECT_EQ(json::toString(AnyCodable::fromAny(std::uint32_t{7}).value), "null");
    EXPECT_EQ(json::toString(AnyCodable::fromAny(1.5f).value), "null");
}

TEST(JsonWrite, EscapesControlCharactersAndKeepsUnicode)
{
    EXPECT_EQ(json::toString(Value("a\"b\\c\nd\x01\xC3\xA9\xF0\x9F\x93\xA7")),
              "\"a\\\"b\\\\c\\nd\\u0001\xC3\xA9\xF0\x9F\x93\xA7\"");
    auto back = json::parse(*json::toString(Value("line\r\nbreak\t")));
    EXPECT_EQ(*back->string(), "line\r\nbreak\t");
}

TEST(JsonWrite, PrettyFormForFilesPeopleRead)
{
    Value v(Object{{"b", Array{1, 2}}, {"a", Object{}}, {"c", Array{}}});
    EXPECT_EQ(json::toPrettyString(v), "{\n  \"a\" : {},\n  \"b\" : [\n    1,\n    2\n  ],\n  \"c\" : []\n}");
}

TEST(AnyCodable, FromAnyKeepsListedKindsAndNeverConverts)
{
    EXPECT_EQ(AnyCodable::fromAny(true).boolean(), true);
    EXPECT_EQ(AnyCodable::fromAny(std::int64_t{5}).integer(), 5);
    EXPECT_FALSE(AnyCodable::fromAny(std::int64_t{1}).boolean());
    EXPECT_FALSE(AnyCodable::fromAny(2.0).integer());
    EXPECT_FALSE(AnyCodable::fromAny(std::string("5")).integer());
    EXPECT_TRUE(AnyCodable::fromAny(std::any{}).value.isNull());
    EXPECT_EQ(AnyCodable::fromAny(std::int32_t{3}).value.kind(), Value::Kind::Foreign);
}

TEST(JsonRepair, ReplacesOnlyUnpairedSurrogateEscapes)
{
    struct Row {
        const char* text;
        const char* repaired; // nullptr: nothing to repair
    };
    const Row rows[] = {
        {"", nullptr},
        {"junk \\", nullptr},
        {R"("\u12)", nullptr},
        {R"("Hi \ud83d")", R"("Hi \ufffd")"},
        {R"("\uDE00 low first")", R"("\ufffd low first")"},
        {R"("\ud83d\ude00")", nullptr},
        {R"("\uD83D\uDE00 upper case pair")", nullptr},
        {R"("\ud83d\u0041")", R"("\ufffd\u0041")"},
        {R"("\ud83d\ud83d\ude00")", R"("\ufffd\ud83d\ude00")"},
        {R"("\\ud83d")", nullptr}, // an escaped backslash, then plain text
        {R"(["\ud800","\udfff"])", R"(["\ufffd","\ufffd"])"},
    };
    for (const Row& row : rows) {
        const auto repaired = json::withLoneSurrogatesReplaced(row.text);
        if (!row.repaired)
            EXPECT_FALSE(repaired) << row.text;
        else
            EXPECT_EQ(repaired.value_or("<nothing>"), row.repaired) << row.text;
    }
}
