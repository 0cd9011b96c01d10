#pragma once
// The ISP's IP echo page: the caller's public address between "[" and "]", in GBK; and an
// error page that never shows one.
#include <string>

namespace qv::sim {

enum class PageKind {
    None,   // not a GET or HEAD of a page of ours
    Echo,   // /ic.asp
    Error,  // /html.asp
};

// Which page a request's first line asks for.
PageKind RequestedPage(const std::string& requestLine);

// The page body for `address`; without an address the page says so and has no brackets.
// `garbage`: a server fault's text between the brackets instead of the address.
std::string EchoPageBody(const std::string& address, bool garbage = false);

// The whole HTTP/1.0 response for a request's first line.
std::string HttpResponse(const std::string& requestLine, const std::string& address,
                         bool garbage = false);

}  // namespace qv::sim
