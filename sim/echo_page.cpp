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

}  // namespace

std::string EchoPageBody(const std::string& address) {
    std::string body = "<html><head><title>IP地址查询</title></head><body><center>";
    if (address.empty()) {
        body += "无法确定您的IP地址";
    } else {
        body += "您的IP是：[" + address + "] 来自：模拟宽带";
    }
    body += "</center></body></html>\r\n";
    return body;
}

std::string HttpResponse(const std::string& requestLine, const std::string& address,
                         bool& servedPage) {
    servedPage = false;
    const auto firstSpace = requestLine.find(' ');
    const auto secondSpace =
        requestLine.find(' ', firstSpace == std::string::npos ? std::string::npos : firstSpace + 1);
    if (firstSpace == std::string::npos) {
        return Response("400 Bad Request", "<html><body>400</body></html>\r\n", true);
    }
    const std::string method = requestLine.substr(0, firstSpace);
    const std::string path = requestLine.substr(firstSpace + 1, secondSpace == std::string::npos
                                                                    ? std::string::npos
                                                                    : secondSpace - firstSpace - 1);
    if (method != "GET" && method != "HEAD") {
        return Response("405 Method Not Allowed", "<html><body>405</body></html>\r\n", true);
    }
    // Absolute-form requests (through a proxy) carry the scheme and host as well.
    std::string localPath = path;
    if (localPath.rfind("http://", 0) == 0) {
        const auto slash = localPath.find('/', 7);
        localPath = slash == std::string::npos ? "/" : localPath.substr(slash);
    }
    if (!SamePath(localPath, "/ic.asp")) {
        return Response("404 Not Found", "<html><body>404</body></html>\r\n", method == "GET");
    }
    servedPage = true;
    return Response("200 OK", EchoPageBody(address), method == "GET");
}

}  // namespace qv::sim
