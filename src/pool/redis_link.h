#pragma once
// One connection to Redis, used by one thread: connect (and AUTH), then pipelined commands
// and their replies, each step under its own deadline. Asio stays inside the .cpp.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pool/resp.h"

namespace qv {

struct LinkConfig {
    std::string host;  // address literal or host name
    std::uint16_t port = 0;
    std::string user;      // with password: AUTH user password
    std::string password;  // empty: no AUTH
    int timeoutMs = 1000;  // each of connect, write, read
};

struct LinkResult {
    enum class Fault { None, Transport, Refused, Garbage };
    Fault fault = Fault::None;
    bool retryCanMend = true;  // false: the password or account was refused
    std::string detail;        // printable ASCII: the Redis error or the system's message

    bool ok() const { return fault == Fault::None; }
};

class RedisLink {
  public:
    explicit RedisLink(LinkConfig config);
    ~RedisLink();
    RedisLink(const RedisLink&) = delete;
    RedisLink& operator=(const RedisLink&) = delete;

    LinkResult Connect();
    // Sends every command at once, then reads one reply each. Error replies come back as
    // replies: which of them is a failure is the caller's call.
    LinkResult Exchange(const std::vector<resp::Command>& commands,
                        std::vector<resp::Reply>& replies);
    void Close();
    bool IsOpen() const;

    // Thread-safe, and final: any call in progress returns at once, every later one fails.
    void Interrupt();
    // Thread-safe, and not final: a call in progress fails at once and closes the connection;
    // later calls work (Connect first). For a wait on a connection a redial has left dead.
    void Abandon();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// An error reply that no retry can mend: a refused password or account, or a password missing.
bool RefusalIsFinal(std::string_view error);

// `text` with every byte outside printable ASCII replaced by '?', at most `limit` bytes.
std::string PrintableAscii(std::string_view text, std::size_t limit = 200);

// `detail` with each occurrence of `secret`, as sent or as PrintableAscii shows it, replaced
// by "***": no password reaches a balloon or the debug output, whatever an error quotes.
std::string WithoutSecret(std::string detail, std::string_view secret);

}  // namespace qv
