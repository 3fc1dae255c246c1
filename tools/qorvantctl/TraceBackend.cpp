#include "TraceBackend.h"

#include <algorithm>

namespace qorvantctl {

namespace {

constexpr std::size_t kBodyBytes = 64;

class TraceDevice : public HidDevice {
public:
    TraceDevice(std::unique_ptr<HidDevice> inner, std::shared_ptr<ReportLog> log)
        : inner(std::move(inner)), log(std::move(log)) {}

    bool write(const std::uint8_t* report, std::size_t length) override {
        bool ok = inner->write(report, length);
        if (ok) {
            log->record('>', report, length);
        } else {
            log->noteFailure();
        }
        return ok;
    }

    int read(std::uint8_t* report, std::size_t length, int timeoutMs) override {
        int got = inner->read(report, length, timeoutMs);
        if (got > 0) {
            log->record('<', report, std::min<std::size_t>(static_cast<std::size_t>(got), length));
        } else if (got < 0 || timeoutMs > 0) {
            // A reply that did not come within a real wait is a failed exchange, even
            // where the library hands out what it has anyway (the press counters). A
            // poll without a wait, which the library makes to drop stale input before a
            // request, may well find nothing.
            log->noteFailure();
        }
        return got;
    }

private:
    std::unique_ptr<HidDevice> inner;
    std::shared_ptr<ReportLog> log;
};

} // namespace

ReportLog::~ReportLog() {
    if (trace) {
        std::fclose(trace);
    }
}

bool ReportLog::openTrace(const std::filesystem::path& file) {
    std::lock_guard lock(mutex);
    std::FILE* f = std::fopen(file.c_str(), "a");
    if (!f) {
        return false;
    }
    if (trace) {
        std::fclose(trace);
    }
    trace = f;
    return true;
}

std::string ReportLog::formatLine(char direction, const std::uint8_t* report, std::size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string line;
    line.reserve(2 + kBodyBytes * 3);
    line += direction;
    line += ' ';
    for (std::size_t i = 1; i <= kBodyBytes; ++i) {
        std::uint8_t b = i < length ? report[i] : 0;
        if (i > 1) {
            line += ' ';
        }
        line += digits[b >> 4];
        line += digits[b & 0x0F];
    }
    return line;
}

void ReportLog::record(char direction, const std::uint8_t* report, std::size_t length) {
    std::lock_guard lock(mutex);
    if (!trace) {
        return;
    }
    std::string line = formatLine(direction, report, length);
    line += '\n';
    // Flushed line by line: a trace is most wanted when the run ends badly.
    if (std::fwrite(line.data(), 1, line.size(), trace) != line.size() || std::fflush(trace) != 0) {
        traceFailed = true;
    }
}

void ReportLog::noteFailure() {
    std::lock_guard lock(mutex);
    failed = true;
}

bool ReportLog::linkFailed() const {
    std::lock_guard lock(mutex);
    return failed;
}

void ReportLog::resetFailure() {
    std::lock_guard lock(mutex);
    failed = false;
}

bool ReportLog::traceWriteFailed() const {
    std::lock_guard lock(mutex);
    return traceFailed;
}

TraceBackend::TraceBackend(std::shared_ptr<HidBackend> inner, std::shared_ptr<ReportLog> log)
    : inner(std::move(inner)), log(std::move(log)) {}

bool TraceBackend::enumerate(std::vector<std::string>& paths) {
    return inner->enumerate(paths);
}

std::unique_ptr<HidDevice> TraceBackend::open(const std::string& path) {
    auto device = inner->open(path);
    if (!device) {
        return nullptr;
    }
    return std::make_unique<TraceDevice>(std::move(device), log);
}

} // namespace qorvantctl
