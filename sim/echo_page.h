#pragma once
// The ISP's IP echo page: the caller's public address between "[" and "]", in GBK.
#include <string>

namespace qv::sim {

// The page body for `address`; without an address the page says so and has no brackets.
std::string EchoPageBody(const std::string& address);

// The whole HTTP/1.0 response for a request's first line. Counts as a page fetch (sets
// `servedPage`) only for GET or HEAD of /ic.asp.
std::string HttpResponse(const std::string& requestLine, const std::string& address,
                         bool& servedPage);

}  // namespace qv::sim
