#include "pool/resp.h"

#include "base/text.h"

namespace qv::resp {
namespace {

enum class Step { Done, Short, Bad };

// Reads one item at `at`: a whole scalar (a bulk string with its bytes), or the head of an
// array whose elements follow as items of their own.
class Reader {
  public:
    Reader(std::string_view bytes, std::size_t at) : bytes_(bytes), at_(at) {}

    struct Item {
        Reply scalar;
        std::int64_t arrayCount = -1;  // >= 1: the head of an array of that many elements
    };

    Step Read(Item& item) {
        std::string_view line;
        if (const Step step = Line(line); step != Step::Done) {
            return step;
        }
        if (line.empty()) {
            return Fail("empty line");
        }
        const char kind = line.front();
        line.remove_prefix(1);
        Reply& reply = item.scalar;
        switch (kind) {
            case '+':
                reply.type = Reply::Type::Simple;
                reply.text = line;
                return Step::Done;
            case '-':
                reply.type = Reply::Type::Error;
                reply.text = line;
                return Step::Done;
            case ':':
                reply.type = Reply::Type::Integer;
                return Integer(line, reply.integer) ? Step::Done : Fail("bad integer");
            case '$':
                return Bulk(line, reply);
            case '*':
                return ArrayHead(line, item);
            default:
                return Fail("unknown reply type");
        }
    }

    std::size_t Used() const { return at_; }
    std::size_t Wanted() const { return wanted_; }
    const char* Problem() const { return problem_; }

  private:
    Step Fail(const char* problem) {
        problem_ = problem;
        return Step::Bad;
    }

    // Up to CRLF; a CR followed by anything else, or a line longer than any reply needs, is
    // malformed rather than awaited.
    Step Line(std::string_view& line) {
        const std::size_t cr = bytes_.find('\r', at_);
        const std::size_t lf = bytes_.find('\n', at_);
        if (lf < cr) {
            return Fail("bare LF");
        }
        if (cr == std::string_view::npos) {
            return bytes_.size() - at_ > kMaxLineLength ? Fail("line too long") : Step::Short;
        }
        if (cr - at_ > kMaxLineLength) {
            return Fail("line too long");
        }
        if (cr + 1 == bytes_.size()) {
            return Step::Short;
        }
        if (bytes_[cr + 1] != '\n') {
            return Fail("CR without LF");
        }
        line = bytes_.substr(at_, cr - at_);
        at_ = cr + 2;
        return Step::Done;
    }

    // "-"? digits, nothing else, within 64 bits.
    static bool Integer(std::string_view text, std::int64_t& value) {
        const bool negative = !text.empty() && text.front() == '-';
        if (negative) {
            text.remove_prefix(1);
        }
        if (text.empty() || text.size() > 19) {
            return false;
        }
        std::uint64_t magnitude = 0;
        for (char c : text) {
            if (!IsAsciiDigit(c)) {
                return false;
            }
            magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (magnitude > static_cast<std::uint64_t>(INT64_MAX) + (negative ? 1 : 0)) {
            return false;
        }
        value = negative ? static_cast<std::int64_t>(0 - magnitude)
                         : static_cast<std::int64_t>(magnitude);
        return true;
    }

    // The count of a bulk string or array: -1 (null) or 0..limit.
    Step Count(std::string_view text, std::size_t limit, std::int64_t& count) {
        if (!Integer(text, count) || count < -1) {
            return Fail("bad length");
        }
        if (count > static_cast<std::int64_t>(limit)) {
            return Fail("length beyond limit");
        }
        return Step::Done;
    }

    Step Bulk(std::string_view line, Reply& reply) {
        std::int64_t length = 0;
        if (const Step step = Count(line, kMaxBulkLength, length); step != Step::Done) {
            return step;
        }
        if (length < 0) {
            reply.type = Reply::Type::Null;
            return Step::Done;
        }
        const auto size = static_cast<std::size_t>(length);
        if (bytes_.size() - at_ < size + 2) {
            wanted_ = at_ + size + 2;
            return Step::Short;
        }
        if (bytes_.compare(at_ + size, 2, "\r\n") != 0) {
            return Fail("bulk string without CRLF");
        }
        reply.type = Reply::Type::Bulk;
        reply.text = bytes_.substr(at_, size);
        at_ += size + 2;
        return Step::Done;
    }

    Step ArrayHead(std::string_view line, Item& item) {
        std::int64_t count = 0;
        if (const Step step = Count(line, kMaxArrayCount, count); step != Step::Done) {
            return step;
        }
        item.scalar.type = count < 0 ? Reply::Type::Null : Reply::Type::Array;
        if (count > 0) {
            item.arrayCount = count;
        }
        return Step::Done;
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
    std::size_t wanted_ = 0;
    const char* problem_ = "";
};

void AppendLength(std::string& out, char kind, std::size_t n) {
    out += kind;
    out += std::to_string(n);
    out += "\r\n";
}

}  // namespace

std::string EncodeCommand(const Command& args) {
    std::string out;
    AppendLength(out, '*', args.size());
    for (const std::string& arg : args) {
        AppendLength(out, '$', arg.size());
        out += arg;
        out += "\r\n";
    }
    return out;
}

void ReplyParser::Feed(std::string_view bytes) {
    if (!malformed_) {
        buffer_.append(bytes);
    }
}

// Resumes where the last whole item ended: the arrays under way are kept on a stack, so a
// large reply that arrives in many pieces is read once, not again from its start each time.
ReplyParser::Status ReplyParser::Next(Reply& reply) {
    if (malformed_) {
        return Status::Malformed;
    }
    while (true) {
        if (buffer_.size() <= parsed_ || buffer_.size() < needed_) {
            return Status::NeedMore;
        }
        Reader reader(buffer_, parsed_);
        Reader::Item item;
        const Step step = reader.Read(item);
        if (step == Step::Bad) {
            return Fail(reader.Problem());
        }
        if (step == Step::Short) {
            if (buffer_.size() > maxReplyBytes_) {
                return Fail("reply too large");
            }
            needed_ = reader.Wanted();
            return Status::NeedMore;
        }
        // Judged on the reply's own size, so that the verdict is the same however the bytes
        // arrived.
        parsed_ = reader.Used();
        needed_ = 0;
        if (parsed_ > maxReplyBytes_) {
            return Fail("reply too large");
        }
        if (item.arrayCount > 0) {
            if (open_.size() >= static_cast<std::size_t>(kMaxDepth)) {
                return Fail("arrays nested too deep");
            }
            open_.push_back({std::move(item.scalar), item.arrayCount});
            continue;
        }
        Reply done = std::move(item.scalar);
        // Grown per element read, never reserved from the count the server claims.
        while (!open_.empty()) {
            OpenArray& top = open_.back();
            top.array.elements.push_back(std::move(done));
            if (--top.remaining > 0) {
                break;
            }
            done = std::move(top.array);
            open_.pop_back();
        }
        if (open_.empty()) {
            buffer_.erase(0, parsed_);
            parsed_ = 0;
            reply = std::move(done);
            return Status::Complete;
        }
    }
}

ReplyParser::Status ReplyParser::Fail(const char* problem) {
    problem_ = problem;
    malformed_ = true;
    buffer_.clear();
    open_.clear();
    return Status::Malformed;
}

}  // namespace qv::resp
