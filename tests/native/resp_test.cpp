#include <gtest/gtest.h>

#include <ctime>

#include "pool/resp.h"

namespace qv::resp {
namespace {

using Type = Reply::Type;
using Status = ReplyParser::Status;

TEST(EncodeCommand, WritesAnArrayOfBulkStringsBinarySafe) {
    EXPECT_EQ(EncodeCommand({"HSET", "adsl", "节点", "1.2.3.4:8080"}),
              "*4\r\n$4\r\nHSET\r\n$4\r\nadsl\r\n$4\r\n节点\r\n$12\r\n1.2.3.4:8080\r\n");
    EXPECT_EQ(EncodeCommand({"SET", std::string("a\r\n\0b", 5), ""}),
              std::string("*3\r\n$3\r\nSET\r\n$5\r\na\r\n\0b\r\n$0\r\n\r\n", 30));
}

// Renders a reply compactly so that a row can state the whole expected tree.
std::string Show(const Reply& reply) {
    switch (reply.type) {
        case Type::Simple:
            return "+" + reply.text;
        case Type::Error:
            return "-" + reply.text;
        case Type::Integer:
            return ":" + std::to_string(reply.integer);
        case Type::Bulk:
            return "$" + reply.text;
        case Type::Null:
            return "nil";
        case Type::Array: {
            std::string out = "[";
            for (const Reply& element : reply.elements) {
                out += (out.size() > 1 ? "," : "") + Show(element);
            }
            return out + "]";
        }
    }
    return "?";
}

const struct {
    std::string wire;
    const char* shown;
} kReplies[] = {
    {"+OK\r\n", "+OK"},
    {"+\r\n", "+"},
    {"-WRONGPASS invalid username-password pair\r\n", "-WRONGPASS invalid username-password pair"},
    {":0\r\n", ":0"},
    {":-9223372036854775808\r\n", ":-9223372036854775808"},
    {":9223372036854775807\r\n", ":9223372036854775807"},
    {"$5\r\nhello\r\n", "$hello"},
    {"$0\r\n\r\n", "$"},
    {std::string("$4\r\na\r\nb\r\n", 10), "$a\r\nb"},
    {"$-1\r\n", "nil"},
    {"*-1\r\n", "nil"},
    {"*0\r\n", "[]"},
    {"*3\r\n:1\r\n$-1\r\n*2\r\n+a\r\n-b\r\n", "[:1,nil,[+a,-b]]"},
    {"*1\r\n*1\r\n*1\r\n*1\r\n*0\r\n", "[[[[[]]]]]"},  // the deepest nesting taken
};

TEST(ReplyParser, ReadsEveryReplyTypeWholeAndByteByByte) {
    for (const auto& row : kReplies) {
        ReplyParser whole;
        whole.Feed(row.wire);
        Reply reply;
        ASSERT_EQ(whole.Next(reply), Status::Complete) << row.wire;
        EXPECT_EQ(Show(reply), row.shown);
        EXPECT_EQ(whole.Buffered(), 0u);
        EXPECT_EQ(whole.Next(reply), Status::NeedMore);

        ReplyParser trickled;
        for (std::size_t i = 0; i + 1 < row.wire.size(); ++i) {
            trickled.Feed(row.wire.substr(i, 1));
            ASSERT_EQ(trickled.Next(reply), Status::NeedMore) << row.wire << " cut at " << i + 1;
        }
        trickled.Feed(row.wire.substr(row.wire.size() - 1));
        ASSERT_EQ(trickled.Next(reply), Status::Complete) << row.wire;
        EXPECT_EQ(Show(reply), row.shown);
    }
}

TEST(ReplyParser, SplitsPipelinedRepliesInOrder) {
    ReplyParser parser;
    parser.Feed(":1\r\n+OK\r\n:0");
    Reply reply;
    ASSERT_EQ(parser.Next(reply), Status::Complete);
    EXPECT_EQ(Show(reply), ":1");
    ASSERT_EQ(parser.Next(reply), Status::Complete);
    EXPECT_EQ(Show(reply), "+OK");
    EXPECT_EQ(parser.Next(reply), Status::NeedMore);
    parser.Feed("\r\n");
    ASSERT_EQ(parser.Next(reply), Status::Complete);
    EXPECT_EQ(Show(reply), ":0");
}

TEST(ReplyParser, RefusesMalformedOversizedAndHostileInputAtOnce) {
    const std::string nested = "*1\r\n*1\r\n*1\r\n*1\r\n*1\r\n:1\r\n";
    const std::string rows[] = {
        "\r\n",
        "?x\r\n",
        "+OK\n",      // bare LF
        "+O\rK\r\n",  // CR without LF
        ":\r\n",
        ":12a\r\n",
        ":+5\r\n",
        ":99999999999999999999\r\n",  // beyond 64 bits
        ":9223372036854775808\r\n",
        "$-2\r\n",
        "$\r\n",
        "$ 5\r\n",
        "$5\r\nhelloXY",  // no CRLF after the body
        "$1048577\r\n",   // the length alone is refused, nothing is awaited
        "$99999999999999999999999\r\n",
        "*1025\r\n",
        "*-5\r\n",
        nested,                                      // one level deeper than taken
        "+" + std::string(kMaxLineLength + 1, 'a'),  // a line that never ends
        "HTTP/1.1 400 Bad Request\r\n",
    };
    for (const std::string& wire : rows) {
        ReplyParser parser;
        parser.Feed(wire);
        Reply reply;
        EXPECT_EQ(parser.Next(reply), Status::Malformed) << wire.substr(0, 40);
        EXPECT_FALSE(parser.Problem().empty());
        parser.Feed("+OK\r\n");
        EXPECT_EQ(parser.Next(reply), Status::Malformed) << "the stream stays lost";
    }
}

TEST(ReplyParser, AwaitsABulkBodyOnlyUpToItsCap) {
    ReplyParser parser;
    parser.Feed("$1048576\r\n");
    Reply reply;
    EXPECT_EQ(parser.Next(reply), Status::NeedMore);
    parser.Feed(std::string(kMaxBulkLength, 'x'));
    EXPECT_EQ(parser.Next(reply), Status::NeedMore);
    parser.Feed("\r\n");
    ASSERT_EQ(parser.Next(reply), Status::Complete);
    EXPECT_EQ(reply.text.size(), kMaxBulkLength);

    // Many bodies each within the cap, but together beyond what one reply may hold.
    ReplyParser flood;
    std::string big = "*1024\r\n";
    for (int i = 0; i < 3; ++i) {
        big += "$1048576\r\n" + std::string(kMaxBulkLength, 'y') + "\r\n";
    }
    flood.Feed(big);
    EXPECT_EQ(flood.Next(reply), Status::Malformed);
}

// A quarter of a million numbers, 1 MiB, in 4 KiB pieces as the socket gives them: each piece
// is read once. Parsed afresh per piece, such a reply took half a minute of CPU.
TEST(ReplyParser, ALargeReplyInPiecesIsReadOnceAndACapEndsItEarly) {
    std::string wire = "*250\r\n";
    for (int i = 0; i < 250; ++i) {
        wire += "*1024\r\n";
        for (int j = 0; j < 1024; ++j) {
            wire += ":1\r\n";
        }
    }
    ASSERT_LE(wire.size(), kMaxReplyBytes);
    ReplyParser parser;
    Reply reply;
    Status status = Status::NeedMore;
    const std::clock_t start = std::clock();  // processor time: <chrono> does not take GBK
    for (std::size_t at = 0; at < wire.size(); at += 4096) {
        parser.Feed(std::string_view(wire).substr(at, 4096));
        status = parser.Next(reply);
        if (status != Status::NeedMore) {
            break;
        }
    }
    EXPECT_LT(std::clock() - start, 2 * CLOCKS_PER_SEC);
    ASSERT_EQ(status, Status::Complete);
    ASSERT_EQ(reply.elements.size(), 250u);
    EXPECT_EQ(reply.elements[249].elements.size(), 1024u);

    ReplyParser capped(64 * 1024);
    capped.Feed(wire.substr(0, 70 * 1024));
    EXPECT_EQ(capped.Next(reply), Status::Malformed);
}

}  // namespace
}  // namespace qv::resp
