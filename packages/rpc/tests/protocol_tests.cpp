#include <gtest/gtest.h>

#include "tarnwick/rpc/json.h"
#include "tarnwick/rpc/protocol.h"

using namespace tarnwick;

TEST(RPCRequestDecode, AcceptsWhatTheWireAllows)
{
    auto bare = RPCRequest::decode(std::string_view(R"({"method":"tray.create"})"));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->method, "tray.create");
    EXPECT_FALSE(bare->id);
    EXPECT_FALSE(bare->params);

    auto nulls = RPCRequest::decode(std::string_view(R"({"id":null,"method":"x","params":null})"));
    ASSERT_TRUE(nulls);
    EXPECT_FALSE(nulls->id);
    EXPECT_FALSE(nulls->params);

    auto extra = RPCRequest::decode(std::string_view(R"({"id":4,"method":"x","extra":1})"));
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->id, 4);

    auto arrayParams = RPCRequest::decode(std::string_view(R"({"method":"x","params":[1]})"));
    ASSERT_TRUE(arrayParams);
    EXPECT_FALSE(arrayParams->params->dict()) << "params of any kind decode; consumers want objects";
}

TEST(RPCRequestDecode, RejectsMalformedRecords)
{
    for (const char* line : {R"({"id":"7","method":"x"})", R"({"id":1.5,"method":"x"})", R"({"id":true,"method":"x"})",
                             R"({"id":1})", R"({"id":1,"method":5})", R"({"Method":"x"})", R"(["method"])", "null", "1"})
        EXPECT_FALSE(RPCRequest::decode(std::string_view(line))) << line;
}

TEST(RPCEncode, LeavesAbsentKeysOutAndSortsTheRest)
{
    EXPECT_EQ(json::toString(RPCResponse{3, AnyCodable(Value("ok")), std::nullopt}.encode()), R"({"id":3,"result":"ok"})");
    EXPECT_EQ(json::toString(RPCResponse{7, std::nullopt, "Unknown method: foo"}.encode()),
              R"({"error":"Unknown method: foo","id":7})");
    EXPECT_EQ(json::toString(RPCResponse{9, std::nullopt, std::nullopt}.encode()), R"({"id":9})");
    EXPECT_EQ(json::toString(RPCEvent{"app.quit", std::nullopt}.encode()), R"({"method":"app.quit"})");
    EXPECT_EQ(json::toString(RPCEvent{"e", AnyCodable(Value(Object{{"b", 0}, {"a", false}}))}.encode()),
              R"({"method":"e","params":{"a":false,"b":0}})");
}

TEST(RPCEncode, MessagesReadBackToTheSameRecord)
{
    RPCRequest request{42, "notify.dispatch", AnyCodable(Value(Object{{"k", Array{1, 2.5, "s", Null{}}}}))};
    EXPECT_EQ(RPCRequest::decode(request.encode()), request);
    RPCResponse response{-1, AnyCodable(Value(Object{{"x", true}})), "e"};
    EXPECT_EQ(RPCResponse::decode(response.encode()), response);
    RPCEvent event{"tray.refresh", AnyCodable(Value(Object{}))};
    EXPECT_EQ(RPCEvent::decode(event.encode()), event);
}
