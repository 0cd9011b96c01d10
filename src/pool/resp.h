#pragma once
// RESP2, the Redis wire format: commands out as arrays of bulk strings, replies in through an
// incremental parser that trusts no length the server sends.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::resp {

// Bounds on what one reply may hold; beyond them the reply is malformed, not awaited.
inline constexpr std::size_t kMaxBulkLength = 1024 * 1024;
inline constexpr std::size_t kMaxArrayCount = 1024;
inline constexpr int kMaxDepth = 4;
inline constexpr std::size_t kMaxLineLength = 64 * 1024;
inline constexpr std::size_t kMaxReplyBytes = 2 * 1024 * 1024;

using Command = std::vector<std::string>;

// "*<n>\r\n" then "$<len>\r\n<arg>\r\n" per argument: binary-safe, so any key or value goes.
std::string EncodeCommand(const Command& args);

struct Reply {
    enum class Type { Simple, Error, Integer, Bulk, Null, Array };
    Type type = Type::Null;
    std::string text;  // Simple, Error, Bulk
    std::int64_t integer = 0;
    std::vector<Reply> elements;  // Array
};

class ReplyParser {
  public:
    enum class Status { Complete, NeedMore, Malformed };

    // A reply larger than `maxReplyBytes` is malformed: a caller that knows its commands'
    // replies are small says so, and a hostile server's flood ends early.
    explicit ReplyParser(std::size_t maxReplyBytes = kMaxReplyBytes)
        : maxReplyBytes_(maxReplyBytes) {}

    void Feed(std::string_view bytes);
    // Takes the first whole reply off the bytes fed so far. After Malformed the stream is
    // lost (there is no way to find the next reply's start): the parser stays Malformed.
    Status Next(Reply& reply);
    const std::string& Problem() const { return problem_; }
    std::size_t Buffered() const { return buffer_.size(); }

  private:
    struct OpenArray {
        Reply array;
        std::int64_t remaining = 0;
    };
    Status Fail(const char* problem);

    std::size_t maxReplyBytes_;
    std::string buffer_;
    std::size_t parsed_ = 0;  // the bytes of the reply under way already read into open_
    std::vector<OpenArray> open_;
    std::size_t needed_ = 0;  // no next item before this many bytes
    bool malformed_ = false;
    std::string problem_;
};

}  // namespace qv::resp
