#pragma once

#include "library/transport/HidBackend.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

namespace qorvantctl {

// Watches every report that crosses between the library and the keyboard: writes them to
// the trace file when one is wanted, and remembers whether the link failed, because the
// store's synchronisation operations do not say so themselves.
class ReportLog {
public:
    ReportLog() = default;
    ~ReportLog();
    ReportLog(const ReportLog&) = delete;
    ReportLog& operator=(const ReportLog&) = delete;

    // Appends to file. false: the file cannot be opened for appending.
    bool openTrace(const std::filesystem::path& file);

    // direction '>' (to the keyboard) or '<' (from it); report[0] is the report ID, the
    // body is report[1..64] (zeros where the report was shorter).
    void record(char direction, const std::uint8_t* report, std::size_t length);
    void noteFailure();

    // Whether a write failed, a read failed, or a read that waited got nothing, since the
    // last reset.
    bool linkFailed() const;
    void resetFailure();
    // Whether writing the trace file failed at some point.
    bool traceWriteFailed() const;

    // The text of one trace line for a report, without the line end.
    static std::string formatLine(char direction, const std::uint8_t* report, std::size_t length);

private:
    mutable std::mutex mutex;
    std::FILE* trace = nullptr;
    bool failed = false;
    bool traceFailed = false;
};

// Decorates whichever backend is in use (hidapi or the simulated keyboard): the library
// sees the same interfaces, and every device it opens reports to the log.
class TraceBackend : public HidBackend {
public:
    TraceBackend(std::shared_ptr<HidBackend> inner, std::shared_ptr<ReportLog> log);

    bool enumerate(std::vector<std::string>& paths) override;
    std::unique_ptr<HidDevice> open(const std::string& path) override;

private:
    std::shared_ptr<HidBackend> inner;
    std::shared_ptr<ReportLog> log;
};

} // namespace qorvantctl
