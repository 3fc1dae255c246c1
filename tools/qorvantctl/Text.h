#pragma once

#include <string>
#include <string_view>

namespace qorvantctl {

// UTF-16 (as the store keeps its texts) to UTF-8 (as the terminal wants them). A lone
// surrogate becomes U+FFFD rather than producing invalid output.
std::string toUtf8(std::u16string_view text);

// Every message the tool prints exists in English and Chinese.
struct Message {
    std::string en;
    std::string zh;
    const std::string& in(const std::string& language) const {
        return language == "zh-CN" ? zh : en;
    }
};

} // namespace qorvantctl
