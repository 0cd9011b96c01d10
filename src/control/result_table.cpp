#include "control/result_table.h"

#include <algorithm>

namespace qv {

void ResultTable::Add(const std::string& id) {
    DropExpired();
    Forget(id);
    if (entries_.size() >= kKeptResults) {
        // The oldest finished one; a pending one is kept (at most 16 wait in the queue).
        const auto oldest = std::find_if(entries_.begin(), entries_.end(),
                                         [](const Entry& entry) { return entry.json.has_value(); });
        entries_.erase(oldest == entries_.end() ? entries_.begin() : oldest);
    }
    entries_.push_back({id, std::nullopt, 0});
}

void ResultTable::Finish(const std::string& id, std::string json) {
    for (Entry& entry : entries_) {
        if (entry.id == id && !entry.json) {
            entry.json = std::move(json);
            entry.finishedAt = tick_();
        }
    }
}

void ResultTable::Forget(const std::string& id) {
    std::erase_if(entries_, [&](const Entry& entry) { return entry.id == id; });
}

ResultTable::Found ResultTable::Find(const std::string& id) {
    DropExpired();
    for (const Entry& entry : entries_) {
        if (entry.id == id) {
            return entry.json ? Found{State::Done, *entry.json} : Found{State::Pending, {}};
        }
    }
    return {};
}

void ResultTable::DropExpired() {
    const std::uint32_t now = tick_();
    std::erase_if(entries_, [&](const Entry& entry) {
        return entry.json && now - entry.finishedAt >= kResultKeptMs;
    });
}

}  // namespace qv
