#include "Progress.h"

#include <algorithm>

namespace qorvantctl {

namespace {
constexpr int kWidth = 30;
}

std::string ProgressBar::render(const std::string& label, int percent) {
    percent = std::clamp(percent, 0, 100);
    int filled = percent * kWidth / 100;
    std::string line = "\r" + label + " [";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kWidth - filled), ' ');
    char tail[8];
    std::snprintf(tail, sizeof tail, "] %3d%%", percent);
    line += tail;
    return line;
}

void ProgressBar::start(std::string newLabel, long newTotal) {
    finish();
    label = std::move(newLabel);
    total = newTotal > 0 ? newTotal : 1;
    shown = -1;
    active = true;
}

void ProgressBar::step(long value) {
    if (!active || !enabled) {
        return;
    }
    int percent = static_cast<int>(std::clamp(value, 0L, total) * 100 / total);
    if (percent == shown) {
        return;
    }
    shown = percent;
    std::fputs(render(label, percent).c_str(), out);
    std::fflush(out);
}

void ProgressBar::finish() {
    if (active && enabled && shown >= 0) {
        std::fputc('\n', out);
        std::fflush(out);
    }
    active = false;
    shown = -1;
}

} // namespace qorvantctl
