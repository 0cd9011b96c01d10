#include "e2e/support/script_driver.h"

#include "e2e/support/e2e_driver.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <nlohmann/json.hpp>

namespace qv::e2e {
namespace {

struct WinsockUser {
    WinsockUser() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUser() { WSACleanup(); }
};

}  // namespace

SOCKET ConnectTo(std::uint16_t port, DWORD timeoutMs) {
    static WinsockUser winsock;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        return s;
    }
    const DWORD timeout = timeoutMs;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

std::optional<ClientRun> RunClient(const std::string& folder, const std::string& arguments,
                                   DWORD timeoutMs) {
    // Started from elsewhere, like a script would: the program must find its own folder.
    return testing::RunCapturingOutput("\"" + folder + "\\Quorvane.exe\" " + arguments, "C:\\",
                                       timeoutMs);
}

HANDLE StartDetached(const std::string& folder, const std::string& arguments) {
    std::string command = "\"" + folder + "\\Quorvane.exe\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        "C:\\", &startup, &info)) {
        return nullptr;
    }
    CloseHandle(info.hThread);
    return info.hProcess;
}

std::optional<std::string> WaitForBoxText(DWORD processId, DWORD timeoutMs) {
    std::optional<std::string> text;
    testing::WaitUntil(
        [&] {
            HWND box = FindTopLevel(processId, "#32770");
            char buffer[1024] = {};
            // The box's text is its static control 0xFFFF.
            if (box != nullptr && GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer) > 0) {
                text = buffer;
            }
            return text.has_value();
        },
        timeoutMs);
    return text;
}

bool SendRequest(HWND program, HWND replyWindow, const std::string& arguments,
                 const std::string& cookie) {
    const std::string payload = arguments + '\0' + cookie;
    COPYDATASTRUCT data = {0x51565251, static_cast<DWORD>(payload.size()),
                           const_cast<char*>(payload.data())};
    DWORD_PTR taken = 0;
    return SendMessageTimeoutA(program, WM_COPYDATA, reinterpret_cast<WPARAM>(replyWindow),
                               reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000, &taken) &&
           taken == TRUE;
}

HttpAnswer HttpExchange(std::uint16_t port, const std::string& request, DWORD timeoutMs) {
    HttpAnswer answer;
    SOCKET s = ConnectTo(port, timeoutMs);
    if (s == INVALID_SOCKET) {
        return answer;
    }
    std::size_t sent = 0;
    while (sent < request.size()) {
        const int n = send(s, request.data() + sent, static_cast<int>(request.size() - sent), 0);
        if (n <= 0) {
            break;  // the server may answer and close before reading everything
        }
        sent += static_cast<std::size_t>(n);
    }
    std::string all;
    char buffer[4096];
    for (;;) {
        const int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        all.append(buffer, static_cast<std::size_t>(n));
    }
    closesocket(s);
    const std::size_t headEnd = all.find("\r\n\r\n");
    if (all.rfind("HTTP/1.1 ", 0) != 0 || headEnd == std::string::npos) {
        return answer;
    }
    answer.status = std::atoi(all.c_str() + 9);
    answer.head = all.substr(0, headEnd);
    answer.body = all.substr(headEnd + 4);
    return answer;
}

std::string HttpRequest(const std::string& method, const std::string& target,
                        const std::string& token, const std::string& body) {
    std::string request = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!token.empty()) {
        request += "Authorization: Bearer " + token + "\r\n";
    }
    if (!body.empty() || method == "POST") {
        request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    return request + "\r\n" + body;
}

bool PortOpen(std::uint16_t port) {
    SOCKET s = ConnectTo(port, 2000);
    if (s == INVALID_SOCKET) {
        return false;
    }
    closesocket(s);
    return true;
}

namespace {

template <typename Table>
std::optional<std::set<std::uint16_t>> PortsOf(ULONG family) {
    ULONG size = 0;
    GetExtendedTcpTable(nullptr, &size, FALSE, family, TCP_TABLE_OWNER_PID_LISTENER, 0);
    std::vector<char> buffer(size + 4096);
    size = static_cast<ULONG>(buffer.size());
    if (GetExtendedTcpTable(buffer.data(), &size, FALSE, family, TCP_TABLE_OWNER_PID_LISTENER, 0) !=
        NO_ERROR) {
        return std::nullopt;
    }
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    std::set<std::uint16_t> ports;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        ports.insert(ntohs(static_cast<u_short>(table->table[i].dwLocalPort)));
    }
    return ports;
}

}  // namespace

std::optional<std::set<std::uint16_t>> ListeningPorts() {
    auto v4 = PortsOf<MIB_TCPTABLE_OWNER_PID>(AF_INET);
    auto v6 = PortsOf<MIB_TCP6TABLE_OWNER_PID>(AF_INET6);
    if (!v4) {
        return std::nullopt;
    }
    if (v6) {
        v4->insert(v6->begin(), v6->end());
    }
    return v4;
}

std::optional<std::string> JsonField(const std::string& json, const std::string& name) {
    const auto object = nlohmann::json::parse(json, nullptr, false);
    if (object.is_discarded() || !object.is_object() || !object.contains(name)) {
        return std::nullopt;
    }
    const auto& value = object[name];
    return value.is_string() ? value.get<std::string>() : value.dump();
}

}  // namespace qv::e2e
