#include <gtest/gtest.h>

#include "tarnwick/share/sharehandoff.h"

using namespace tarnwick;

TEST(ShareHandoff, QueryComponentsKeepDataIntact)
{
    struct Row {
        const char* in;
        const char* out;
    };
    const Row rows[] = {
        {"", ""},
        {"plain-._~/path", "plain-._~/path"},
        {"a&b=c#d e", "a%26b%3Dc%23d%20e"},
        {"1+1?%", "1%2B1%3F%25"},
        {"café", "caf%C3%A9"},
        {"line\nbreak", "line%0Abreak"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(sharehandoff::encodeQueryComponent(row.in), row.out) << row.in;
}

TEST(ShareHandoff, ItemsInOrderFilesTextUrl)
{
    EXPECT_EQ(sharehandoff::buildUrl({}, std::nullopt, std::nullopt), "tarnwick://share");
    EXPECT_EQ(sharehandoff::buildUrl({}, std::string("hi & bye"), std::nullopt), "tarnwick://share?text=hi%20%26%20bye");
    EXPECT_EQ(sharehandoff::buildUrl({"/s/a.pdf", "/s/b c.txt"}, std::string(""), std::string("https://x.org/?q=1#f")),
              "tarnwick://share?files=/s/a.pdf&files=/s/b%20c.txt&text=&url=https%3A//x.org/%3Fq%3D1%23f");
}
