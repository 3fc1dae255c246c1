#pragma once

#include <cstdio>
#include <string>

namespace qorvantctl {

// A one-line progress bar for long transfers. It draws only when it was enabled (stderr
// is a terminal), so scripts and pipes see nothing of it.
class ProgressBar {
public:
    ProgressBar(std::FILE* out, bool enabled) : out(out), enabled(enabled) {}
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // total: the step value that means complete.
    void start(std::string label, long total);
    void step(long value);
    // Ends the line when a bar was drawn.
    void finish();

    static std::string render(const std::string& label, int percent);

private:
    std::FILE* out;
    bool enabled;
    bool active = false;
    std::string label;
    long total = 1;
    int shown = -1;
};

} // namespace qorvantctl
