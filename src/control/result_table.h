#pragma once
// Answers that outlive the line: a command asked for with async=1 gets an id at once, and its
// JSON answer is kept here for a caller that asks again later (after a redial has changed the
// address it came from). The HTTP control's thread only.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace qv {

inline constexpr std::size_t kKeptResults = 64;
inline constexpr std::uint32_t kResultKeptMs = 10 * 60 * 1000;

class ResultTable {
  public:
    // `tick`: milliseconds like the system tick count.
    explicit ResultTable(std::function<std::uint32_t()> tick) : tick_(std::move(tick)) {}

    // A command taken: pending until Finish. The oldest answer goes when 64 are kept.
    void Add(const std::string& id);
    void Finish(const std::string& id, std::string json);
    // A command the queue refused after all.
    void Forget(const std::string& id);

    enum class State : std::uint8_t { Unknown, Pending, Done };
    struct Found {
        State state = State::Unknown;
        std::string json;  // Done: the command's answer
    };
    Found Find(const std::string& id);

  private:
    struct Entry {
        std::string id;
        std::optional<std::string> json;
        std::uint32_t finishedAt = 0;
    };
    void DropExpired();

    std::function<std::uint32_t()> tick_;
    std::deque<Entry> entries_;  // oldest first
};

}  // namespace qv
