// The simulated ISP: owns the simulated line (keeps the shared state alive while it runs)
// and serves the IP echo page on 127.0.0.1. Stops on "ispctl stop", Ctrl+C or Ctrl+Break.
//   isp.exe [--port N]
#include <windows.h>
#include <winsock2.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "echo_page.h"
#include "sim_shared.h"

using namespace qv::sim;

namespace {

HANDLE stopEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD) {
    SetEvent(stopEvent);
    return TRUE;
}

bool ProcessAlive(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) {
        return false;
    }
    const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

constexpr DWORD kShutdownWaitMs = 3000;

// Requests being answered; each has its own thread, so a delayed echo page holds up nothing
// else.
volatile LONG activeClients = 0;

void SendAll(SOCKET client, const std::string& response) {
    std::size_t sent = 0;
    while (sent < response.size()) {
        const int n =
            send(client, response.data() + sent, static_cast<int>(response.size() - sent), 0);
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
}

// Reads the request head (up to the blank line, 16 KB at most) and answers it.
void Serve(Shared& shared, SOCKET client) {
    DWORD timeoutMs = 2000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
               sizeof timeoutMs);
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        request.append(buffer, static_cast<std::size_t>(got));
    }
    const std::string line = request.substr(0, request.find("\r\n"));
    const PageKind page = RequestedPage(line);
    DWORD delayMs = 0;
    if (page == PageKind::Echo) {
        Lock lock(shared);
        delayMs = lock ? lock->pageDelayMs : 0;
    }
    // A slow page answers with the line as it is when it answers; a stop cuts the wait short.
    if (delayMs > 0 && WaitForSingleObject(stopEvent, delayMs) == WAIT_OBJECT_0) {
        return;
    }
    std::string response;
    std::string address;
    bool garbage = false;
    {
        Lock lock(shared);
        if (!lock) {
            return;
        }
        address = PublicAddress(*lock, Now());
        garbage = page == PageKind::Echo && lock->pageGarbage != 0;
        response = HttpResponse(line, address, garbage);
        if (page == PageKind::Echo) {
            ++lock->pageFetches;
            CopyText(lock->lastPageAddress, garbage ? "" : address.c_str());
        } else if (page == PageKind::Error) {
            ++lock->errorPageFetches;
        }
    }
    std::printf("%s -> [%s]%s\n", line.c_str(), address.c_str(), garbage ? " (garbage)" : "");
    std::fflush(stdout);
    SendAll(client, response);
    shutdown(client, SD_SEND);
}

DWORD WINAPI ServeClient(void* parameter) {
    const auto client = static_cast<SOCKET>(reinterpret_cast<std::uintptr_t>(parameter));
    if (Shared* shared = Shared::Get()) {
        Serve(*shared, client);
    }
    closesocket(client);
    InterlockedDecrement(&activeClients);
    return 0;
}

void StartServing(SOCKET client) {
    InterlockedIncrement(&activeClients);
    const auto parameter = reinterpret_cast<void*>(static_cast<std::uintptr_t>(client));
    HANDLE thread = CreateThread(nullptr, 0, ServeClient, parameter, 0, nullptr);
    if (thread == nullptr) {
        closesocket(client);
        InterlockedDecrement(&activeClients);
        return;
    }
    CloseHandle(thread);
}

}  // namespace

int main(int argc, char** argv) {
    unsigned port = kDefaultPort;
    for (int i = 1; i < argc; ++i) {
        if ((std::strcmp(argv[i], "--port") == 0 || std::strcmp(argv[i], "-p") == 0) &&
            i + 1 < argc) {
            port = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            std::fprintf(stderr, "usage: isp.exe [--port N]   (default %u)\n", kDefaultPort);
            return 2;
        }
    }
    if (port == 0 || port > 65535) {
        std::fprintf(stderr, "isp: bad port\n");
        return 2;
    }
    Shared* shared = Shared::Get();
    if (shared == nullptr) {
        std::fprintf(stderr, "isp: cannot open the shared line state\n");
        return 1;
    }
    {
        Lock lock(*shared);
        if (lock && lock->ispPid != 0 && lock->ispPid != GetCurrentProcessId() &&
            ProcessAlive(lock->ispPid)) {
            std::fprintf(stderr, "isp: another simulated ISP (pid %u) is running on port %u\n",
                         lock->ispPid, lock->ispPort);
            return 3;
        }
    }

    char name[160];
    ObjectName("QuorvaneSimIsp.Stop", name, sizeof name);
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, name);
    if (stopEvent == nullptr) {
        std::fprintf(stderr, "isp: cannot create the stop event\n");
        return 1;
    }
    ResetEvent(stopEvent);

    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        std::fprintf(stderr, "isp: no sockets\n");
        return 1;
    }
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    // A restarted ISP must get its port back while old connections linger in TIME_WAIT.
    BOOL reuse = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
               sizeof reuse);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<u_short>(port));
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never anything but 127.0.0.1
    if (listener == INVALID_SOCKET ||
        bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        listen(listener, 16) != 0) {
        std::fprintf(stderr, "isp: cannot listen on 127.0.0.1:%u (error %d)\n", port,
                     WSAGetLastError());
        WSACleanup();
        return 1;
    }
    {
        Lock lock(*shared);
        if (lock) {
            lock->ispPid = GetCurrentProcessId();
            lock->ispPort = port;
        }
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    std::printf("simulated ISP: echo page at http://127.0.0.1:%u/ic.asp (pid %lu)\n", port,
                GetCurrentProcessId());
    std::fflush(stdout);

    while (WaitForSingleObject(stopEvent, 0) != WAIT_OBJECT_0) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener, &readable);
        timeval wait = {0, 100 * 1000};
        if (select(0, &readable, nullptr, nullptr, &wait) == 1) {
            const SOCKET client = accept(listener, nullptr, nullptr);
            if (client != INVALID_SOCKET) {
                StartServing(client);
            }
        } else {
            // Taking the lock completes the hang-ups that are due and sets their events, even
            // when the process that started them has ended since.
            Lock lock(*shared);
        }
    }

    // Answers under way end soon: a delayed one wakes on the stop event.
    closesocket(listener);
    const DWORD stopStart = GetTickCount();
    while (activeClients > 0 && GetTickCount() - stopStart < kShutdownWaitMs) {
        Sleep(10);
    }
    {
        Lock lock(*shared);
        if (lock && lock->ispPid == GetCurrentProcessId()) {
            lock->ispPid = 0;
            lock->ispPort = 0;
        }
    }
    WSACleanup();
    std::printf("simulated ISP: stopped\n");
    return 0;
}
