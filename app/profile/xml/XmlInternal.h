#pragma once

// Helpers shared by the parts of the XML engine; not for use outside app/profile/xml.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace xmlengine {

inline bool isSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

inline char16_t lowerAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

// Widens ASCII text; the log and the encoding names only ever hold ASCII.
inline std::u16string widen(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

inline std::string narrowAscii(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char16_t c : s)
        out.push_back(c < 0x80 ? char(c) : '?');
    return out;
}

inline std::u16string number(long long value) {
    std::string s = std::to_string(value);
    return widen(s);
}

struct LogAttr {
    const char* name;
    std::u16string value;
};

// Adds one record to a result log: an element named after the event, no line break. The
// log stops growing once it is longer than limit characters.
void appendLog(std::u16string& log, std::size_t limit, const char* event,
               std::initializer_list<LogAttr> attrs);

// Named character reference (at most 9 characters) -> code point, 0 when unknown.
std::uint32_t lookupEntity(std::u16string_view name);

// Declared encoding of a text's beginning: the "encoding" of a leading xml declaration, or
// the charset of an HTML meta Content-Type. Empty when nothing is declared.
std::u16string declaredEncoding(std::u16string_view head);

} // namespace xmlengine
