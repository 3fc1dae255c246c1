// Reading and writing whole documents: byte-order marks, encodings (through iconv) and
// a save that never leaves a half-written file in place of the old one.

#include "app/profile/xml/XmlDocument.h"
#include "app/profile/xml/XmlInternal.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace xmlengine;

namespace {

const char* hostUtf16() {
    return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != iconv_t(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// Converts in (units of inUnit bytes) into out, whose bytes are appended in the target
// encoding. Input that cannot be converted is replaced by replacement and skipped one unit
// at a time (a whole surrogate pair for UTF-16 input); losses counts the replacements.
// False when the converter cannot be opened.
template <typename Out>
bool convert(const char* to, const char* from, const char* in, std::size_t inLen, Out& out,
             std::string_view replacement, std::size_t inUnit, std::size_t& losses,
             std::size_t estimate) {
    Iconv cd(to, from);
    if (!cd.ok())
        return false;
    constexpr std::size_t unit = sizeof(typename Out::value_type);
    std::size_t used = out.size() * unit;
    estimate += used + 16;
    out.resize((estimate + unit - 1) / unit);
    char* src = const_cast<char*>(in);
    std::size_t left = inLen;
    auto grow = [&] { out.resize(out.size() * 2 + 16); };
    auto put = [&](std::string_view bytes) {
        while (out.size() * unit - used < bytes.size())
            grow();
        std::memcpy(reinterpret_cast<char*>(out.data()) + used, bytes.data(), bytes.size());
        used += bytes.size();
    };
    while (left > 0) {
        char* dst = reinterpret_cast<char*>(out.data()) + used;
        std::size_t room = out.size() * unit - used;
        std::size_t before = room;
        std::size_t r = iconv(cd.get(), &src, &left, &dst, &room);
        used += before - room;
        if (r != std::size_t(-1))
            break;
        if (errno == E2BIG) {
            grow();
        } else if (errno == EILSEQ || errno == EINVAL) {
            std::size_t skip = std::min(left, inUnit);
            if (inUnit == 2 && left >= 4) {
                // A surrogate pair the target cannot hold is one character.
                const int h = std::endian::native == std::endian::little ? 1 : 0;
                unsigned hi = std::uint8_t(src[h]);
                unsigned lo = std::uint8_t(src[2 + h]);
                if (hi >= 0xD8 && hi <= 0xDB && lo >= 0xDC && lo <= 0xDF)
                    skip = 4;
            }
            put(replacement);
            ++losses;
            src += skip;
            left -= skip;
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        } else {
            out.resize((used + unit - 1) / unit);
            return false;
        }
    }
    // Flush any shift state.
    for (;;) {
        char* dst = reinterpret_cast<char*>(out.data()) + used;
        std::size_t room = out.size() * unit - used;
        std::size_t before = room;
        std::size_t r = iconv(cd.get(), nullptr, nullptr, &dst, &room);
        used += before - room;
        if (r != std::size_t(-1) || errno != E2BIG)
            break;
        grow();
    }
    out.resize((used + unit - 1) / unit);
    return true;
}

// Decodes bytes into UTF-16; undecodable bytes become U+FFFD.
bool decode(const char* encoding, std::string_view bytes, std::u16string& out,
            std::size_t& losses) {
    out.clear();
    const char16_t fffd = 0xFFFD;
    std::string_view rep(reinterpret_cast<const char*>(&fffd), sizeof fffd);
    // No byte decodes to more than one UTF-16 unit.
    return convert(hostUtf16(), encoding, bytes.data(), bytes.size(), out, rep, 1, losses,
                   bytes.size() * 2);
}

// The UTF-8 test: every byte from 0x80 on starts a sequence whose length its leading bits
// give, none cut off by the end. Following bytes must be continuation bytes (10xxxxxx):
// accepting any byte with the top bit set would take most Chinese ANSI text for UTF-8 and
// then garble it.
bool looksLikeUtf8(std::string_view b) {
    std::size_t n = b.size();
    for (std::size_t i = 0; i < n;) {
        unsigned char c = std::uint8_t(b[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = (c & 0xE0) == 0xC0   ? 2
                          : (c & 0xF0) == 0xE0 ? 3
                          : (c & 0xF8) == 0xF0 ? 4
                                               : 0;
        if (!len || i + len > n)
            return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((std::uint8_t(b[i + k]) & 0xC0) != 0x80)
                return false;
        i += len;
    }
    return true;
}

void logFileError(std::u16string& log, int err) {
    appendLog(log, XmlDocument::kResultLimit, "file_error",
              {{"msg", widen(std::strerror(err))}, {"n", number(err)}});
}

bool writeAll(int fd, const char* data, std::size_t size, int& err) {
    while (size > 0) {
        ssize_t w = ::write(fd, data, size);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        data += w;
        size -= std::size_t(w);
    }
    return true;
}

// Writes data to a new file beside target and renames it over target once it is safely on
// disk. A failure at any point leaves target as it was.
bool replaceFile(const std::filesystem::path& path, const std::string& data, int& err) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = path;
    // Saving through a symbolic link replaces the file it points to, not the link.
    if (fs::is_symlink(path, ec)) {
        fs::path link = fs::read_symlink(path, ec);
        if (!ec)
            target = link.is_absolute() ? link : path.parent_path() / link;
    }
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    struct stat old {};
    bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        err = EISDIR;
        return false;
    }

    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    fs::path tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        std::string name = "." + target.filename().string() + ".tmp-" + std::to_string(::getpid()) +
                           "-" + std::to_string(counter++) + "-" + std::to_string(rd() & 0xFFFFF);
        tmp = dir / name;
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            err = errno;
            return false;
        }
    }
    if (fd < 0) {
        err = EEXIST;
        return false;
    }
    bool ok = writeAll(fd, data.data(), data.size(), err);
    if (ok && ::fsync(fd) != 0) {
        err = errno;
        ok = false;
    }
    if (ok && exists)
        (void)::fchmod(fd, old.st_mode & 07777);
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here no longer endangers either file.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool appendToFile(const std::filesystem::path& path, const std::string& data, int& err) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        err = errno;
        return false;
    }
    bool ok = writeAll(fd, data.data(), data.size(), err);
    if (ok && ::fsync(fd) != 0) {
        err = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    return ok;
}

} // namespace

std::string XmlDocument::ansiCodePage() {
    const char* cs = nl_langinfo(CODESET);
    std::string s = cs ? cs : "";
    std::string low;
    for (char c : s)
        low += char(lowerAscii(char16_t(std::uint8_t(c))));
    if (low.empty() || low == "utf-8" || low == "utf8" || low == "ansi_x3.4-1968" ||
        low == "ascii" || low == "us-ascii")
        return "GB18030";
    return s;
}

std::string XmlDocument::codePageForName(std::u16string_view name) {
    std::string n;
    for (char16_t c : name) {
        if (c >= 0x80)
            return {};
        n += char(lowerAscii(c));
    }
    if (n == "utf-32")
        return "UTF-32LE";
    struct Name {
        const char* declared;
        const char* iconvName;
    };
    static const Name kNames[] = {
        {"utf-8", "UTF-8"},
        {"utf8", "UTF-8"},
        {"utf-16", "UTF-16LE"},
        {"utf-16le", "UTF-16LE"},
        {"utf-16be", "UTF-16BE"},
        {"ucs-2", "UTF-16LE"},
        {"unicode", "UTF-16LE"},
        {"utf-32le", "UTF-32LE"},
        {"utf-32be", "UTF-32BE"},
        {"us-ascii", "ASCII"},
        {"ascii", "ASCII"},
        {"iso-8859-1", "ISO-8859-1"},
        {"latin1", "ISO-8859-1"},
        {"iso-8859-2", "ISO-8859-2"},
        {"iso-8859-3", "ISO-8859-3"},
        {"iso-8859-4", "ISO-8859-4"},
        {"iso-8859-5", "ISO-8859-5"},
        {"iso-8859-6", "ISO-8859-6"},
        {"iso-8859-7", "ISO-8859-7"},
        {"iso-8859-8", "ISO-8859-8"},
        {"iso-8859-9", "ISO-8859-9"},
        {"iso-8859-13", "ISO-8859-13"},
        {"iso-8859-15", "ISO-8859-15"},
        {"windows-1250", "CP1250"},
        {"windows-1251", "CP1251"},
        {"windows-1252", "CP1252"},
        {"windows-1253", "CP1253"},
        {"windows-1254", "CP1254"},
        {"windows-1255", "CP1255"},
        {"windows-1256", "CP1256"},
        {"windows-1257", "CP1257"},
        {"windows-1258", "CP1258"},
        {"windows-874", "CP874"},
        {"cp1252", "CP1252"},
        {"gb2312", "GB18030"},
        {"gbk", "GB18030"},
        {"cp936", "GB18030"},
        {"x-gbk", "GB18030"},
        {"gb18030", "GB18030"},
        {"big5", "BIG5"},
        {"cp950", "BIG5"},
        {"shift_jis", "SHIFT_JIS"},
        {"shift-jis", "SHIFT_JIS"},
        {"sjis", "SHIFT_JIS"},
        {"cp932", "CP932"},
        {"euc-jp", "EUC-JP"},
        {"iso-2022-jp", "ISO-2022-JP"},
        {"euc-kr", "EUC-KR"},
        {"ks_c_5601-1987", "CP949"},
        {"cp949", "CP949"},
        {"koi8-r", "KOI8-R"},
        {"koi8-u", "KOI8-U"},
        {"ibm437", "CP437"},
        {"cp437", "CP437"},
        {"ibm850", "CP850"},
        {"cp850", "CP850"},
    };
    for (const Name& e : kNames)
        if (n == e.declared)
            return e.iconvName;
    return {};
}

bool XmlDocument::loadFile(const std::filesystem::path& path, std::u16string& text, int& flags,
                           std::u16string& result) {
    result.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        logFileError(result, errno);
        return false;
    }
    std::string bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        if (std::uintmax_t(st.st_size) > kMaxFileSize) {
            appendLog(result, kResultLimit, "truncation_error",
                      {{"length", number((long long)st.st_size)},
                       {"n", number((long long)kMaxFileSize)}});
            ::close(fd);
            return false;
        }
        bytes.reserve(std::size_t(st.st_size));
    }
    char buf[1 << 16];
    for (;;) {
        ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            ::close(fd);
            logFileError(result, err);
            return false;
        }
        if (r == 0)
            break;
        if (bytes.size() + std::size_t(r) > kMaxFileSize) {
            appendLog(result, kResultLimit, "truncation_error",
                      {{"length", number((long long)(bytes.size() + std::size_t(r)))},
                       {"n", number((long long)kMaxFileSize)}});
            ::close(fd);
            return false;
        }
        bytes.append(buf, std::size_t(r));
    }
    ::close(fd);

    auto at = [&](std::size_t i) { return std::uint8_t(bytes[i]); };
    int bom = 0;
    std::size_t skip = 0;
    if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
        bom = kBomUtf8;
        skip = 3;
    } else if (bytes.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE) {
        bom = kBomUtf16LE;
        skip = 2;
    } else if (bytes.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF) {
        bom = kBomUtf16BE;
        skip = 2;
    }
    if (bom)
        appendLog(result, kResultLimit, "bom",
                  {{"encoding", bom == kBomUtf8      ? u"UTF-8"
                                : bom == kBomUtf16LE ? u"UTF-16LE"
                                                     : u"UTF-16BE"}});

    std::u16string decoded;
    if (bom == kBomUtf16LE || bom == kBomUtf16BE) {
        std::size_t n = bytes.size() - skip;
        if (n % 2) {
            appendLog(result, kResultLimit, "truncation_error",
                      {{"length", number((long long)n)},
                       {"offset", number((long long)(bytes.size() - 1))}});
            --n;
        }
        bool big = bom == kBomUtf16BE;
        if (big)
            appendLog(result, kResultLimit, "endian_swap", {{"length", number((long long)n / 2)}});
        decoded.resize(n / 2);
        const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + skip;
        std::size_t units = 0;
        for (std::size_t i = 0; i < n; i += 2) {
            char16_t u = big ? char16_t(p[i] << 8 | p[i + 1]) : char16_t(p[i + 1] << 8 | p[i]);
            if (u)
                decoded[units++] = u;
        }
        std::size_t nulls = n / 2 - units;
        decoded.resize(units);
        if (nulls)
            appendLog(result, kResultLimit, "nulls_removed", {{"count", number((long long)nulls)}});
        appendLog(result, kResultLimit, "read",
                  {{"encoding", big ? u"UTF-16BE" : u"UTF-16LE"},
                   {"length", number((long long)(n / 2))}});
    } else {
        std::string_view data(bytes);
        data.remove_prefix(skip);
        std::size_t readCount = data.size();
        std::string cleaned;
        if (std::memchr(data.data(), 0, data.size())) {
            cleaned.assign(data);
            cleaned.erase(std::remove(cleaned.begin(), cleaned.end(), '\0'), cleaned.end());
            appendLog(result, kResultLimit, "nulls_removed",
                      {{"count", number((long long)(data.size() - cleaned.size()))}});
            data = cleaned;
        }
        std::string cp;
        if (bom == kBomUtf8) {
            cp = "UTF-8";
        } else {
            std::u16string head;
            std::size_t lost = 0;
            decode("UTF-8", data.substr(0, 1024), head, lost);
            cp = codePageForName(xmlengine::declaredEncoding(head));
            if (cp.empty() && !data.empty() && data[0] == '<')
                cp = "UTF-8";
            if (cp.empty()) {
                cp = looksLikeUtf8(data) ? "UTF-8" : ansiCodePage();
                appendLog(result, kResultLimit, "utf8_detection", {{"encoding", widen(cp)}});
            }
        }
        std::size_t lost = 0;
        if (!decode(cp.c_str(), data, decoded, lost)) {
            // A code page this system's iconv does not have: fall back to UTF-8.
            appendLog(result, kResultLimit, "converted_to",
                      {{"encoding", widen(cp)}, {"msg", u"no converter"}});
            cp = "UTF-8";
            lost = 0;
            decode(cp.c_str(), data, decoded, lost);
        }
        appendLog(result, kResultLimit, "converted_to",
                  {{"encoding", u"UTF-16"}, {"length", number((long long)decoded.size())}});
        appendLog(result, kResultLimit, "read",
                  {{"encoding", widen(cp)}, {"length", number((long long)readCount)}});
    }
    text = std::move(decoded);
    flags = (flags & ~kBomFlags) | bom;
    return true;
}

bool XmlDocument::saveFile(const std::filesystem::path& path, const std::u16string& text,
                           int& flags, std::u16string& result) {
    result.clear();
    std::string cp;
    if (flags & kBomUtf16LE)
        cp = "UTF-16LE";
    else if (flags & kBomUtf16BE)
        cp = "UTF-16BE";
    else {
        cp = codePageForName(declaredEncoding(std::u16string_view(text).substr(0, 1024)));
        if (cp.empty())
            cp = "UTF-8";
    }

    std::string bytes;
    if (flags & kBomUtf16LE)
        bytes = "\xFF\xFE";
    else if (flags & kBomUtf16BE)
        bytes = "\xFE\xFF";
    else if ((flags & kBomUtf8) && cp == "UTF-8")
        bytes = "\xEF\xBB\xBF";

    // The replacement for what the target cannot hold, in the target encoding.
    std::string question;
    {
        const char16_t q = u'?';
        std::size_t unused = 0;
        convert(cp.c_str(), hostUtf16(), reinterpret_cast<const char*>(&q), sizeof q, question, "?",
                2, unused, 8);
        if (question.empty())
            question = "?";
    }
    std::size_t losses = 0;
    if (!convert(cp.c_str(), hostUtf16(), reinterpret_cast<const char*>(text.data()),
                 text.size() * 2, bytes, question, 2, losses, text.size() + 16)) {
        // A code page this system's iconv does not have: UTF-8 holds everything.
        cp = "UTF-8";
        bytes.clear();
        convert("UTF-8", hostUtf16(), reinterpret_cast<const char*>(text.data()), text.size() * 2,
                bytes, "?", 2, losses, text.size() + 16);
    }
    appendLog(result, kResultLimit, "converted_from",
              {{"encoding", u"UTF-16"}, {"length", number((long long)text.size())}});
    if (losses)
        appendLog(result, kResultLimit, "conversion_loss",
                  {{"encoding", widen(cp)}, {"count", number((long long)losses)}});

    int err = 0;
    bool ok =
        (flags & kAppendFile) ? appendToFile(path, bytes, err) : replaceFile(path, bytes, err);
    if (!ok) {
        logFileError(result, err);
        return false;
    }
    appendLog(result, kResultLimit, "write",
              {{"encoding", widen(cp)}, {"length", number((long long)bytes.size())}});
    return true;
}
