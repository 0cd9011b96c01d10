#include "control/metrics.h"

#include <cstdio>

#include "app/keep_line.h"

namespace qv {
namespace {

constexpr const char* kCauses[] = {"account", "busy", "line", "other"};
constexpr const char* kRedialOutcomes[] = {"new_address", "same_address", "failed"};

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

void Family(std::string& out, const char* name, const char* type, const char* help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

void Sample(std::string& out, const std::string& name, const std::string& labels, double value) {
    out += name + (labels.empty() ? "" : "{" + labels + "}") + " " + Number(value) + "\n";
}

void Buckets(std::string& out, const char* name, const Metrics::Histogram& histogram) {
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i <= histogram.bounds.size(); ++i) {
        cumulative += histogram.counts[i];
        const std::string le = i < histogram.bounds.size() ? Number(histogram.bounds[i]) : "+Inf";
        Sample(out, std::string(name) + "_bucket", "le=\"" + le + "\"",
               static_cast<double>(cumulative));
    }
    Sample(out, std::string(name) + "_sum", "", histogram.sum);
    Sample(out, std::string(name) + "_count", "", static_cast<double>(cumulative));
}

Metrics::Histogram Seconds(std::vector<double> bounds) {
    Metrics::Histogram histogram;
    histogram.counts.assign(bounds.size() + 1, 0);
    histogram.bounds = std::move(bounds);
    return histogram;
}

}  // namespace

void Metrics::Histogram::Observe(double seconds) {
    std::size_t i = 0;
    while (i < bounds.size() && seconds > bounds[i]) {
        ++i;
    }
    ++counts[i];
    sum += seconds;
}

Metrics::Metrics(std::function<std::uint32_t()> tick, std::function<std::int64_t()> now)
    : tick_(std::move(tick)),
      now_(std::move(now)),
      dialSeconds_(Seconds({1, 2, 5, 10, 20, 30, 60, 120})),
      offlineSeconds_(Seconds({1, 2, 5, 10, 20, 30, 60, 120, 300})) {}

void Metrics::OnLineEvent(const LineEvent& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    switch (event.kind) {
        case LineEventKind::Dropped:
            ++drops_;
            [[fallthrough]];
        case LineEventKind::Disconnected:
            if (!offline_) {
                offline_ = true;
                offlineSince_ = tick_();
            }
            break;
        case LineEventKind::Failed:
            break;
        case LineEventKind::Connected:
            if (event.ip.empty()) {
                ++lookupFailures_;
                break;
            }
            if (offline_) {
                offlineSeconds_.Observe((tick_() - offlineSince_) / 1000.0);
                offline_ = false;
            }
            if (event.newAddress && event.kept) {
                addressChanged_ = now_();
            }
            break;
    }
}

void Metrics::OnDial(std::uint32_t code, std::uint32_t milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++dials_[code == 0 ? 0 : static_cast<std::size_t>(ClassifyDialError(code))];
    dialSeconds_.Observe(milliseconds / 1000.0);
}

void Metrics::OnCommand(const CommandRecord& record) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++commands_[static_cast<std::size_t>(record.source)];
    const CommandResult& result = record.result;
    if (record.verb != CommandVerb::Redial || result.status == CommandStatus::Refused ||
        result.status == CommandStatus::GaveWay) {
        return;
    }
    // A redial that kept a line but no new address (its tries used up) is a same address.
    const bool lineKept = !result.ipAfter.empty() && result.rasError == 0;
    ++redials_[result.newAddress ? 0 : lineKept ? 1 : 2];
}

std::string Metrics::Text(const MetricsFacts& facts) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string out;
    Family(out, "quorvane_build_info", "gauge", "The program's version, always 1.");
    Sample(out, "quorvane_build_info", "version=\"" QV_VERSION "\"", 1);
    Family(out, "quorvane_line_up", "gauge", "1 while the dial-up line is up.");
    Sample(out, "quorvane_line_up", "", facts.lineUp ? 1 : 0);
    Family(out, "quorvane_dials_total", "counter", "Dials made, retries included.");
    Sample(out, "quorvane_dials_total", "result=\"ok\",cause=\"none\"",
           static_cast<double>(dials_[0]));
    for (std::size_t i = 0; i < 4; ++i) {
        Sample(out, "quorvane_dials_total",
               std::string("result=\"failed\",cause=\"") + kCauses[i] + "\"",
               static_cast<double>(dials_[i + 1]));
    }
    Family(out, "quorvane_redials_total", "counter", "Redial commands by what they ended with.");
    for (std::size_t i = 0; i < 3; ++i) {
        Sample(out, "quorvane_redials_total", std::string("outcome=\"") + kRedialOutcomes[i] + "\"",
               static_cast<double>(redials_[i]));
    }
    Family(out, "quorvane_line_drops_total", "counter", "Lines that went down by themselves.");
    Sample(out, "quorvane_line_drops_total", "", static_cast<double>(drops_));
    Family(out, "quorvane_ip_lookup_failures_total", "counter",
           "Lines up whose address no echo page told.");
    Sample(out, "quorvane_ip_lookup_failures_total", "", static_cast<double>(lookupFailures_));
    Family(out, "quorvane_dial_duration_seconds", "histogram", "How long each dial took.");
    Buckets(out, "quorvane_dial_duration_seconds", dialSeconds_);
    Family(out, "quorvane_offline_duration_seconds", "histogram",
           "From a hang-up or drop to the next address known.");
    Buckets(out, "quorvane_offline_duration_seconds", offlineSeconds_);
    Family(out, "quorvane_address_changed_timestamp_seconds", "gauge",
           "When the line last kept a new address, in seconds since 1970; 0 before.");
    Sample(out, "quorvane_address_changed_timestamp_seconds", "",
           static_cast<double>(addressChanged_));
    Family(out, "quorvane_pool_up", "gauge", "1 while the proxy pool's Redis took the address.");
    Sample(out, "quorvane_pool_up", "", facts.poolUp ? 1 : 0);
    Family(out, "quorvane_commands_waiting", "gauge", "Scripted commands waiting their turn.");
    Sample(out, "quorvane_commands_waiting", "", facts.commandsWaiting);
    Family(out, "quorvane_commands_total", "counter", "Commands run, by who asked.");
    for (int i = 0; i < kCommandSourceCount; ++i) {
        Sample(out, "quorvane_commands_total",
               "source=\"" + std::string(SourceName(static_cast<CommandSource>(i))) + "\"",
               static_cast<double>(commands_[static_cast<std::size_t>(i)]));
    }
    return out;
}

}  // namespace qv
