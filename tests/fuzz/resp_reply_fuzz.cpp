// The RESP reply parser on any bytes a server might send, fed in pieces whose sizes come from
// the input. Input: one byte, the piece size (0 reads as 1), then the bytes. Whatever the
// pieces, the replies and the verdict must be those of feeding everything at once.
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "pool/resp.h"

namespace {

using qv::resp::Reply;
using qv::resp::ReplyParser;

bool Same(const Reply& a, const Reply& b) {
    if (a.type != b.type || a.text != b.text || a.integer != b.integer ||
        a.elements.size() != b.elements.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.elements.size(); ++i) {
        if (!Same(a.elements[i], b.elements[i])) {
            return false;
        }
    }
    return true;
}

void CheckBounds(const Reply& reply, int depth) {
    QV_FUZZ_CHECK(depth <= qv::resp::kMaxDepth);
    QV_FUZZ_CHECK(reply.text.size() <=
                  std::max(qv::resp::kMaxBulkLength, qv::resp::kMaxLineLength));
    QV_FUZZ_CHECK(reply.elements.size() <= qv::resp::kMaxArrayCount);
    for (const Reply& element : reply.elements) {
        CheckBounds(element, depth + 1);
    }
}

// Every reply the parser gives, and how it ended.
ReplyParser::Status Drain(ReplyParser& parser, std::vector<Reply>& replies) {
    while (true) {
        Reply reply;
        const ReplyParser::Status status = parser.Next(reply);
        if (status != ReplyParser::Status::Complete) {
            return status;
        }
        CheckBounds(reply, 0);
        replies.push_back(std::move(reply));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv::fuzz::Input input(data, size);
    const std::size_t piece = std::max<std::size_t>(1, input.Number<std::uint8_t>());
    const std::string bytes = input.Rest();

    ReplyParser whole;
    whole.Feed(bytes);
    std::vector<Reply> wholeReplies;
    const ReplyParser::Status wholeEnd = Drain(whole, wholeReplies);

    ReplyParser pieces;
    std::vector<Reply> pieceReplies;
    ReplyParser::Status pieceEnd = ReplyParser::Status::NeedMore;
    for (std::size_t at = 0; at < bytes.size() && pieceEnd != ReplyParser::Status::Malformed;
         at += piece) {
        pieces.Feed(std::string_view(bytes).substr(at, piece));
        pieceEnd = Drain(pieces, pieceReplies);
    }
    QV_FUZZ_CHECK(pieceEnd == wholeEnd);
    QV_FUZZ_CHECK(pieceReplies.size() == wholeReplies.size());
    for (std::size_t i = 0; i < wholeReplies.size(); ++i) {
        QV_FUZZ_CHECK(Same(pieceReplies[i], wholeReplies[i]));
    }
    // What a whole reply encodes back to, read again, is the same reply.
    for (const Reply& reply : wholeReplies) {
        if (reply.type == Reply::Type::Bulk) {
            ReplyParser again;
            again.Feed(qv::resp::EncodeCommand({reply.text}));
            Reply array;
            QV_FUZZ_CHECK(again.Next(array) == ReplyParser::Status::Complete);
            QV_FUZZ_CHECK(array.elements.size() == 1 && array.elements[0].text == reply.text);
        }
    }
    return 0;
}
