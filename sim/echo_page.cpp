#include "echo_page.h"

#include <cctype>

namespace qv::sim {
namespace {

std::string Response(const char* status, const std::string& body, bool withBody) {
    std::string response = std::string("HTTP/1.0 ") + status + "\r\n";
    response += "Content-Type: text/html; charset=gb2312\r\n";
    response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    response += "Cache-Control: no-cache\r\nConnection: close\r\n\r\n";
    if (withBody) {
        response += body;
    }
    return response;
}

bool SamePath(std::string path, const char* expected) {
    const auto query = path.find('?');
    if (query != std::string::npos) {
        path.resize(query);
    }
    for (char& c : path) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return path == expected;
}

// The request's method and its path, without the scheme and host of an absolute form.
bool SplitRequest(const std::string& requestLine, std::string& method, std::string& path) {
    const auto firstSpace = requestLine.find(' ');
    if (firstSpace == std::string::npos) {
        return false;
    }
    const auto secondSpace = requestLine.find(' ', firstSpace + 1);
    method = requestLine.substr(0, firstSpace);
    path = requestLine.substr(firstSpace + 1, secondSpace == std::string::npos
                                                  ? std::string::npos
                                                  : secondSpace - firstSpace - 1);
    // Absolute-form requests (through a proxy) carry the scheme and host as well.
    if (path.rfind("http://", 0) == 0) {
        const auto slash = path.find('/', 7);
        path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    return true;
}

}  // namespace

PageKind RequestedPage(const std::string& requestLine) {
    std::string method;
    std::string path;
    if (!SplitRequest(requestLine, method, path) || (method != "GET" && method != "HEAD")) {
        return PageKind::None;
    }
    if (SamePath(path, "/ic.asp")) {
        return PageKind::Echo;
    }
    return SamePath(path, "/html.asp") ? PageKind::Error : PageKind::None;
}

std::string EchoPageBody(const std::string& address, bool garbage) {
    std::string body = "<html><head><title>IP地址查询</title></head><body><center>";
    if (garbage) {
        body += "您的IP是：[<b>Server Error</b>] 来自：模拟宽带";
    } else if (address.empty()) {
        body += "无法确定您的IP地址";
    } else {
        body += "您的IP是：[" + address + "] 来自：模拟宽带";
    }
    body += "</center></body></html>\r\n";
    return body;
}

std::string HttpResponse(const std::string& requestLine, const std::string& address, bool garbage) {
    std::string method;
    std::string path;
    if (!SplitRequest(requestLine, method, path)) {
        return Response("400 Bad Request", "<html><body>400</body></html>\r\n", true);
    }
    if (method != "GET" && method != "HEAD") {
        return Response("405 Method Not Allowed", "<html><body>405</body></html>\r\n", true);
    }
    const bool withBody = method == "GET";
    switch (RequestedPage(requestLine)) {
        case PageKind::Echo:
            return Response("200 OK", EchoPageBody(address, garbage), withBody);
        case PageKind::Error:
            return Response("500 Internal Server Error",
                            "<html><head><title>Server Error</title></head><body><h1>Server "
                            "Error</h1><p>The page cannot be shown.</p></body></html>\r\n",
                            withBody);
        case PageKind::None:
            break;
    }
    return Response("404 Not Found", "<html><body>404</body></html>\r\n", withBody);
}

}  // namespace qv::sim
