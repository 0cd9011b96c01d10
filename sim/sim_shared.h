#pragma once
// Access to the simulated ISP's shared section, and the rules of the simulated line that
// every party applies the same way (states by elapsed time, addresses, the call log).
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "sim_layout.h"

namespace qv::sim {

// The section and its mutex, opened (or created with the default scenario) once per process
// and kept open until the process ends. Null when the objects cannot be made.
struct Shared {
    HANDLE mutex = nullptr;
    HANDLE mapping = nullptr;
    SimLayout* layout = nullptr;

    static Shared* Get();
};

// Holds the mutex; finished hang-ups are cleared away as soon as it is taken, so whoever looks
// sees the line as it is now. A mutex left behind by a dead process is taken over.
class Lock {
  public:
    explicit Lock(Shared& shared);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    explicit operator bool() const { return held_; }
    SimLayout& operator*() const { return *shared_.layout; }
    SimLayout* operator->() const { return shared_.layout; }

  private:
    Shared& shared_;
    bool held_ = false;
};

// Named object names, with ".<QV_SIM_NAME>" appended when that variable is set, so separate
// runs on one Wine server can keep separate lines. `out` holds at least 128 bytes.
void ObjectName(const char* base, char* out, std::size_t capacity);

std::uint32_t Now();

// Cuts `text` to fit `capacity` bytes with its zero.
void CopyText(char* field, std::size_t capacity, const char* text);
template <std::size_t N>
void CopyText(char (&field)[N], const char* text) {
    CopyText(field, N, text);
}

void ResetScenario(SimLayout& s);  // knobs back to their defaults
void ResetLine(SimLayout& s);      // no connections
void ResetCalls(SimLayout& s);

// A connection's state now, and the error it reports (0 unless failed or dropped).
std::uint32_t StateOf(const SimConnection& c, std::uint32_t now, std::uint32_t* error);

SimConnection* FindConnection(SimLayout& s, std::uint32_t handle);
// Whether hanging this connection up frees a port: a dial that has already failed held none.
bool HoldsPort(const SimConnection& c, std::uint32_t now);
// Within "busy after hang-up" of the last hang-up that freed a port.
bool PortBusy(const SimLayout& s, std::uint32_t now);

// The connection has ended (dropped, hung up, cleared): sets the events registered for it or
// for every connection, once per connection, unless notifications are off.
void SignalEnd(SimLayout& s, SimConnection& c);
// Signals its end and frees its slot.
void EndConnection(SimLayout& s, SimConnection& c);
// Registers `event` (this process's) for the end of `connection` or kAllConnections. Returns
// 0 or the system error (6: no such connection, 8: no free slot).
std::uint32_t AddNotification(SimLayout& s, std::uint32_t connection, HANDLE event,
                              std::uint32_t flags);
bool AnyRegistration(const SimLayout& s);
// A fresh connection in a free slot, started now; null when every slot is taken.
SimConnection* NewConnection(SimLayout& s, const char* entryName);
// The address for a newly established connection: the previous one when asked to keep it
// once, otherwise the next one from the pool.
void AssignAddress(SimLayout& s, char (&address)[kAddressField]);
// Connections in the order they were made (handles only grow). Returns how many.
int OrderedConnections(SimLayout& s, SimConnection* (&out)[kMaxConnections]);
// What the echo page shows now: the first established connection's address, the router's
// in router mode, nothing when offline.
const char* PublicAddress(SimLayout& s, std::uint32_t now);
bool CredentialsAccepted(const SimLayout& s, const char* userName, const char* password);

SimCall& AppendCall(SimLayout& s, RasFunction function);
// The logged call with this sequence number, if the ring still holds it.
SimCall* CallWithSequence(SimLayout& s, std::uint32_t sequence);

const char* StateName(std::uint32_t state);

}  // namespace qv::sim
