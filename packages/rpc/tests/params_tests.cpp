#include <gtest/gtest.h>

#include "tarnwick/rpc/json.h"
#include "tarnwick/rpc/params.h"

using namespace tarnwick;

namespace {
Object parseObject(const char* text)
{
    return *json::parse(text)->object();
}
} // namespace

TEST(Params, ListsMustHoldOnlyTheStatedKind)
{
    Object p = parseObject(R"({"ids":["a","b"],"mixed":["a",1],"objs":[{"id":"a"},5],"empty":[],"notList":"a"})");
    EXPECT_EQ(params::stringList(p, "ids"), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(params::stringList(p, "mixed"));
    EXPECT_FALSE(params::objectList(p, "objs"));
    EXPECT_EQ(params::stringList(p, "empty"), std::vector<std::string>{});
    EXPECT_FALSE(params::stringList(p, "notList"));
    EXPECT_FALSE(params::stringList(p, "missing"));
}

TEST(Params, ScalarsAreTakenOnlyWithTheirOwnKind)
{
    Object p = parseObject(R"({"s":"x","n":3,"b":false,"one":1,"f":2.0,"o":{}})");
    EXPECT_EQ(*params::string(p, "s"), "x");
    EXPECT_EQ(params::string(p, "n"), nullptr);
    EXPECT_EQ(params::boolean(p, "b"), false);
    EXPECT_FALSE(params::boolean(p, "one"));
    EXPECT_FALSE(params::integer(p, "f"));
    EXPECT_NE(params::object(p, "o"), nullptr);
    EXPECT_EQ(params::object(p, "s"), nullptr);
}

TEST(Params, BrowserProfilesNeedStringValuesThroughout)
{
    Object good = parseObject(R"({"bp":{"chrome":[{"id":"Default","name":"Me"}],"firefox":[]}})");
    auto profiles = params::profileMap(good, "bp");
    ASSERT_TRUE(profiles);
    EXPECT_EQ(profiles->at("chrome").at(0).at("name"), "Me");
    EXPECT_TRUE(profiles->at("firefox").empty());

    for (const char* bad : {R"({"bp":{"chrome":[{"id":1}]}})", R"({"bp":{"chrome":{}}})", R"({"bp":[]})"})
        EXPECT_FALSE(params::profileMap(parseObject(bad), "bp")) << bad;
}
