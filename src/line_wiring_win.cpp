#include "line_wiring_win.h"

namespace qv {

LineWiring::LineWiring(Assistant& assistant, Services& services, Scripting& scripting, Inbox& inbox)
    : assistant_(assistant), s_(services), scripting_(scripting), inbox_(inbox) {}

void LineWiring::Start() {
    log_.Start(listeners_);
    listeners_.Add(scripting_.BoardFollower());
    listeners_.Add(scripting_.MetricsFollower());
    s_.proxied = &proxied_;
    scripting_.Channel().SetAnswer([this](const std::string& id, std::string json) {
        pool_.AnswerCommand(id, std::move(json));
    });
    pool_.Start(listeners_, assistant_.StartUpAddress(), assistant_.EchoPages().front(),
                [this](std::string element, std::optional<std::int64_t> now) {
                    scripting_.Channel().Take(element, now);
                });
    if (pool_.On()) {
        s_.fleet = &pool_.Fleet();
        scripting_.Board().SetPoolFacts([this] {
            PoolStatusWords words = pool_.Words();
            return PoolFacts{std::move(words.state), std::move(words.value)};
        });
    }
    notify_.Start(listeners_);
    s_.listeners = &listeners_;
    // Only what a drop would change is worth watching for.
    if (assistant_.KeepLine().redialOnDrop || pool_.On() || notify_.On() || log_.On()) {
        listeners_.Add(watchFeed_);
        scripting_.Board().SetWatch(
            watch_.Start([this] { inbox_.Post([this] { scripting_.LineDown(); }); }));
    }
}

void LineWiring::Stop() {
    watch_.Stop();
    s_.listeners = nullptr;
    s_.fleet = nullptr;
    pool_.Stop();
    notify_.Stop();
    log_.Stop();
}

}  // namespace qv
