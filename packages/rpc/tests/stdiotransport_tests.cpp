#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <vector>

#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/stdiotransport.h"

using namespace tarnwick;

namespace {

// Captures log records for the life of a test.
class LogCapture {
public:
    LogCapture()
    {
        HelperLog::setSink([this](HelperLog::Level, std::string_view, std::string_view, std::string_view record) {
            std::lock_guard lock(m_mutex);
            m_records.emplace_back(record);
            m_logged.notify_all();
        });
    }
    ~LogCapture() { HelperLog::setSink(nullptr); }
    std::vector<std::string> records() const
    {
        std::lock_guard lock(m_mutex);
        return m_records;
    }
    // Waits (on the records, not a clock) until one starts with `prefix`.
    bool waitFor(std::string_view prefix)
    {
        std::unique_lock lock(m_mutex);
        return m_logged.wait_for(lock, std::chrono::seconds(20), [&] {
            return std::any_of(m_records.begin(), m_records.end(),
                               [&](const std::string& r) { return r.rfind(prefix, 0) == 0; });
        });
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_logged;
    std::vector<std::string> m_records;
};

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(::pipe(m_pipe), 0);
        createTransport(StdioTransport::kMaxQueuedRequests);
    }
    void createTransport(std::size_t maxQueued)
    {
        transport = StdioTransport::create(queue, {m_pipe[0], [this](std::string_view line) { lines.emplace_back(line); },
                                                   [this] { terminated = true; }, maxQueued});
        transport->onMessage([this](const RPCRequest& r) { handled.push_back(r); });
    }
    int inputFd() const { return m_pipe[1]; }
    void TearDown() override
    {
        if (m_pipe[1] >= 0)
            ::close(m_pipe[1]);
    }
    void feed(std::string_view bytes) { ASSERT_EQ(::write(m_pipe[1], bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    // Closes the input and runs every task the reader posted, the terminate task last.
    void finish()
    {
        ::close(m_pipe[1]);
        m_pipe[1] = -1;
        while (!terminated) {
            queue.waitForPending(1);
            queue.runAll();
        }
    }

    LogCapture log;
    ManualMainQueue queue;
    std::shared_ptr<StdioTransport> transport;
    std::vector<std::string> lines;
    std::vector<RPCRequest> handled;
    bool terminated = false;

private:
    int m_pipe[2] = {-1, -1};
};

std::vector<std::int64_t> idsOf(const std::vector<RPCRequest>& requests)
{
    std::vector<std::int64_t> ids;
    for (const auto& r : requests)
        ids.push_back(r.id.value_or(-1));
    return ids;
}

} // namespace

TEST_F(TransportTest, FramesOnLineFeedsAcrossAndWithinReads)
{
    transport->startReading();
    feed("{\"id\":1,\"method\":\"a\"}\n{\"id\":2,\"method\":\"b\"}\n");
    feed("{\"id\":3,\"me");
    feed("thod\":\"c\"}\r\n");
    feed("\n\n{\"id\":4,\"method\":\"d\"}\n");
    feed("not json\n{\"id\":5,\"method\":\"e\"}\n{\"id\":9,");
    finish();

    EXPECT_EQ(idsOf(handled), (std::vector<std::int64_t>{1, 2, 3, 4, 5}))
        << "CRLF decodes, blank lines are skipped, a bad line does not stop reading, a half line at EOF is dropped";
    const std::vector<std::string> expected = {
        "I|RPC|Started reading from stdin\n",      "I|RPC|Dispatching request: a\n",
        "I|RPC|Dispatching request: b\n",          "I|RPC|Dispatching request: c\n",
        "I|RPC|Dispatching request: d\n",          "W|RPC|Failed to decode RPC request from stdin\n",
        "I|RPC|Dispatching request: e\n",          "I|RPC|stdin closed \xE2\x80\x94 exiting helper process\n",
    };
    EXPECT_EQ(log.records(), expected);
}

TEST_F(TransportTest, HandsOneHugeLineOverWhole)
{
    transport->startReading();
    std::string big = "{\"id\":1,\"method\":\"big\",\"params\":{\"blob\":\"" + std::string(8 << 20, 'x') + "\"}}\n";
    feed(big.substr(0, 100));
    feed(big.substr(100));
    finish();
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0].params->dict()->at("blob").string()->size(), std::size_t(8 << 20));
}

TEST_F(TransportTest, ProcessLineReportsWhetherItDispatched)
{
    EXPECT_FALSE(transport->processLine(""));
    EXPECT_FALSE(transport->processLine("{\"id\":\"7\",\"method\":\"x\"}"));
    EXPECT_TRUE(transport->processLine("{\"method\":\"x\"}"));
    EXPECT_EQ(queue.pending(), 1u) << "dispatch is a main-queue task, not a direct call";
    EXPECT_TRUE(handled.empty());
    queue.runAll();
    EXPECT_EQ(handled.size(), 1u);
}

TEST_F(TransportTest, UsesTheHandlerHeldWhenTheLineArrives)
{
    std::vector<std::string> second;
    transport->processLine("{\"method\":\"first\"}");
    transport->onMessage([&](const RPCRequest& r) { second.push_back(r.method); });
    transport->processLine("{\"method\":\"second\"}");
    queue.runAll();
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0].method, "first");
    EXPECT_EQ(second, std::vector<std::string>{"second"});
}

TEST_F(TransportTest, WritesOneCompactSortedLinePerMessage)
{
    transport->sendEvent("app.quit");
    transport->sendResponse(5, Value("ok"), std::nullopt);
    transport->sendEvent("e", Object{{"b", 1}, {"a", Array{true, 0}}});
    transport->sendResponse(6, std::nullopt, "Unknown method: x");
    transport->sendEvent("bad", Object{{"n", std::numeric_limits<double>::quiet_NaN()}});
    transport->sendResponse(7, Value(Array{std::numeric_limits<double>::infinity()}), std::nullopt);
    transport->sendResponse(8, std::nullopt, std::nullopt);
    transport->sendResponse(9, Value(Object{{"z", 1}, {"a", Null{}}}), "say \"x\"\n");
    transport->sendEvent("after");
    transport->closeOutput();
    transport->sendEvent("dropped");
    const std::vector<std::string> expected = {
        "{\"method\":\"app.quit\"}\n",
        "{\"id\":5,\"result\":\"ok\"}\n",
        "{\"method\":\"e\",\"params\":{\"a\":[true,0],\"b\":1}}\n",
        "{\"error\":\"Unknown method: x\",\"id\":6}\n",
        "{\"id\":8}\n",
        "{\"error\":\"say \\\"x\\\"\\n\",\"id\":9,\"result\":{\"a\":null,\"z\":1}}\n",
        "{\"method\":\"after\"}\n",
    };
    EXPECT_EQ(lines, expected) << "an unencodable message vanishes without affecting later ones";
}

TEST_F(TransportTest, ReadsALoneSurrogateAsTheReplacementCharacter)
{
    // JSON.stringify writes the half of an emoji a sliced string ends with as a lone escape.
    EXPECT_TRUE(transport->processLine(R"({"id":1,"method":"a","params":{"s":"Hi \ud83d","t":"\ud83d\ude00"}})"));
    EXPECT_FALSE(transport->processLine("{\"id\":2,\"method\":\"a\",\"params\":{\"s\":\"\xff\"}}"))
        << "invalid UTF-8 is still refused";
    queue.runAll();
    ASSERT_EQ(handled.size(), 1u);
    const Object& params = *handled[0].params->dict();
    EXPECT_EQ(*params.at("s").string(), "Hi \xEF\xBF\xBD");
    EXPECT_EQ(*params.at("t").string(), "\xF0\x9F\x98\x80") << "a proper pair is left alone";
}

TEST_F(TransportTest, StopsReadingWhileTooManyRequestsWaitThenCatchesUpInOrder)
{
    createTransport(64);
    // All of it waits in the pipe before the reader starts, so its first read takes thousands.
    ASSERT_GE(::fcntl(inputFd(), F_SETPIPE_SZ, 1 << 20), 1 << 19);
    std::string burst;
    constexpr int kRequests = 20000;
    for (int id = 0; id < kRequests; ++id)
        burst += "{\"id\":" + std::to_string(id) + ",\"method\":\"m\"}\n";
    feed(burst);
    transport->startReading();

    ASSERT_TRUE(log.waitFor("W|RPC|Requests arrive faster than they are handled: reading stdin paused"));
    EXPECT_EQ(queue.pending(), 1u) << "the reader waits for the main queue instead of reading on";
    EXPECT_TRUE(handled.empty());

    finish();
    ASSERT_EQ(handled.size(), std::size_t(kRequests));
    for (int id = 0; id < kRequests; ++id)
        ASSERT_EQ(handled[std::size_t(id)].id, id);
    const auto records = log.records();
    EXPECT_EQ(std::count_if(records.begin(), records.end(),
                            [](const std::string& r) { return r.find("reading stdin paused") != std::string::npos; }),
              1)
        << "said once";
}
