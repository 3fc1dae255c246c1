// Reading and writing whole files: byte-order marks, encodings, the result log, and saves
// that fail safely.

#include "app/profile/xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

void writeBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary);
    f << bytes;
}

std::string readBytes(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string narrow(std::u16string_view s) {
    std::string out;
    for (char16_t c : s)
        out += c < 0x80 ? char(c) : '#';
    return out;
}

bool logHas(const std::u16string& log, std::u16string_view record) {
    return log.find(record) != std::u16string::npos;
}

struct ReadCase {
    const char* name;
    std::string bytes;
    std::u16string text;
    int bom;
    std::vector<std::u16string> logged;    // records (or their beginnings) expected
    std::vector<std::u16string> notLogged; // events that must not appear
};

class LoadFileTest : public testing::TestWithParam<ReadCase> {};

TEST_P(LoadFileTest, DecodesByMarkDeclarationOrTest) {
    const ReadCase& c = GetParam();
    TempDir dir;
    fs::path file = dir.path() / "in.xml";
    writeBytes(file, c.bytes);
    std::u16string text = u"old";
    std::u16string log;
    int flags = XmlDocument::kBomUtf16BE | XmlDocument::kIgnoreCase;
    ASSERT_TRUE(XmlDocument::loadFile(file, text, flags, log));
    EXPECT_EQ(text, c.text) << narrow(text);
    EXPECT_EQ(flags, c.bom | XmlDocument::kIgnoreCase);
    for (const auto& r : c.logged)
        EXPECT_TRUE(logHas(log, r)) << narrow(r) << " in " << narrow(log);
    for (const auto& r : c.notLogged)
        EXPECT_FALSE(logHas(log, r)) << narrow(r) << " in " << narrow(log);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadFileTest,
    testing::Values(ReadCase{"Utf8Bom",
                             "\xEF\xBB\xBF<a>\xE4\xB8\xAD</a>",
                             u"<a>\u4e2d</a>",
                             XmlDocument::kBomUtf8,
                             {u"<bom encoding=\"UTF-8\"/>", u"<read encoding=\"UTF-8\""},
                             {u"utf8_detection"}},
                    ReadCase{"Utf16LittleEndian",
                             std::string("\xFF\xFE<\0a\0>\0\x2d\x4e<\0/\0a\0>\0", 18),
                             u"<a>\u4e2d</a>",
                             XmlDocument::kBomUtf16LE,
                             {u"<bom encoding=\"UTF-16LE\"/>",
                              u"<read encoding=\"UTF-16LE\" length=\"8\"/>"},
                             {u"endian_swap"}},
                    ReadCase{"Utf16BigEndian",
                             std::string("\xFE\xFF\0<\0a\0>\x4e\x2d\0<\0/\0a\0>", 18),
                             u"<a>\u4e2d</a>",
                             XmlDocument::kBomUtf16BE,
                             {u"<bom encoding=\"UTF-16BE\"/>", u"<endian_swap"},
                             {}},
                    ReadCase{"Utf16OddLength",
                             std::string("\xFF\xFE<\0a\0/\0>\0X", 11),
                             u"<a/>",
                             XmlDocument::kBomUtf16LE,
                             {u"<truncation_error"},
                             {}},
                    ReadCase{"Utf16Nulls",
                             std::string("\xFF\xFE<\0\0\0a\0/\0>\0", 12),
                             u"<a/>",
                             XmlDocument::kBomUtf16LE,
                             {u"<nulls_removed count=\"1\"/>"},
                             {}},
                    ReadCase{"LtWithoutDeclarationIsUtf8Untested",
                             "<a>\xE4\xB8\xAD</a>",
                             u"<a>\u4e2d</a>",
                             0,
                             {u"<read encoding=\"UTF-8\" length=\"10\"/>"},
                             {u"utf8_detection", u"bom"}},
                    ReadCase{"InvalidUtf8AfterLtIsStillUtf8",
                             "<a>\xFF</a>",
                             u"<a>\uFFFD</a>",
                             0,
                             {u"<read encoding=\"UTF-8\""},
                             {u"utf8_detection"}},
                    ReadCase{"OtherStartValidUtf8",
                             " <a>\xE4\xB8\xAD</a>",
                             u" <a>\u4e2d</a>",
                             0,
                             {u"<utf8_detection encoding=\"UTF-8\"/>"},
                             {}},
                    // "中文" in the Chinese ANSI code page, which is not valid UTF-8.
                    ReadCase{"OtherStartInvalidUtf8IsAnsi",
                             " <a>\xD6\xD0\xCE\xC4</a>",
                             u" <a>\u4e2d\u6587</a>",
                             0,
                             {u"<utf8_detection encoding=\"GB18030\"/>"},
                             {}},
                    ReadCase{"CutOffSequenceIsNotUtf8",
                             "x\xE4\xB8",
                             u"x\u6d93",
                             0,
                             {u"<utf8_detection encoding=\"GB18030\"/>"},
                             {}},
                    ReadCase{"DeclaredLatin1",
                             "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a t=\"\xE9\"/>",
                             u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a t=\"\u00e9\"/>",
                             0,
                             {u"<read encoding=\"ISO-8859-1\""},
                             {u"utf8_detection"}},
                    ReadCase{"DeclaredNameIsCaseBlind",
                             "<?xml version='1.0' encoding='windows-1252'?><a>\x80</a>",
                             u"<?xml version='1.0' encoding='windows-1252'?><a>\u20ac</a>",
                             0,
                             {u"<read encoding=\"CP1252\""},
                             {}},
                    ReadCase{"UnknownDeclarationFallsBackToUtf8",
                             "<?xml version=\"1.0\" encoding=\"x-nonsense\"?><a/>",
                             u"<?xml version=\"1.0\" encoding=\"x-nonsense\"?><a/>",
                             0,
                             {u"<read encoding=\"UTF-8\""},
                             {}},
                    ReadCase{"HtmlMetaCharset",
                             "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                             "charset=ISO-8859-1\"><title>\xE9",
                             u"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                             u"charset=ISO-8859-1\"><title>\u00e9",
                             0,
                             {u"<read encoding=\"ISO-8859-1\""},
                             {}},
                    ReadCase{"NullBytesRemoved",
                             std::string("<a\0/>", 5),
                             u"<a/>",
                             0,
                             {u"<nulls_removed count=\"1\"/>"},
                             {}},
                    ReadCase{"EmptyFile", "", u"", 0, {u"<read"}, {}}),
    [](const testing::TestParamInfo<ReadCase>& i) { return std::string(i.param.name); });

TEST(XmlFileTest, MissingFileIsAFileError) {
    TempDir dir;
    std::u16string text = u"keep", log;
    int flags = 0;
    EXPECT_FALSE(XmlDocument::loadFile(dir.path() / "none.xml", text, flags, log));
    EXPECT_TRUE(logHas(log, u"<file_error msg=\"No such file or directory\" n=\"2\"/>"))
        << narrow(log);
    EXPECT_FALSE(XmlDocument::loadFile(dir.path(), text, flags, log)); // a folder
    EXPECT_TRUE(logHas(log, u"<file_error"));
}

struct WriteCase {
    const char* name;
    std::u16string text;
    int flags;
    std::string bytes;
    bool loss;
};

class SaveFileTest : public testing::TestWithParam<WriteCase> {};

TEST_P(SaveFileTest, EncodesAsDeclaredAndReadsBack) {
    const WriteCase& c = GetParam();
    TempDir dir;
    fs::path file = dir.path() / "out.xml";
    int flags = c.flags;
    std::u16string log;
    ASSERT_TRUE(XmlDocument::saveFile(file, c.text, flags, log)) << narrow(log);
    EXPECT_EQ(readBytes(file), c.bytes);
    EXPECT_EQ(logHas(log, u"<conversion_loss"), c.loss) << narrow(log);
    EXPECT_TRUE(logHas(log, u"<write "));
    if (!c.loss) {
        std::u16string back, log2;
        int f = 0;
        ASSERT_TRUE(XmlDocument::loadFile(file, back, f, log2));
        EXPECT_EQ(back, c.text);
        EXPECT_EQ(f, c.flags & XmlDocument::kBomFlags);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveFileTest,
    testing::Values(
        WriteCase{
            "Utf8NoMark", u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a t=\"\u4e2d\"/>\r\n", 0,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a t=\"\xE4\xB8\xAD\"/>\r\n", false},
        WriteCase{"NothingDeclaredIsUtf8", u"<a>\u00e9</a>", 0, "<a>\xC3\xA9</a>", false},
        WriteCase{"Utf8MarkOnRequest", u"<a/>", XmlDocument::kBomUtf8, "\xEF\xBB\xBF<a/>", false},
        WriteCase{"Utf16LittleEndianMark", u"<a>\u4e2d</a>", XmlDocument::kBomUtf16LE,
                  std::string("\xFF\xFE<\0a\0>\0\x2d\x4e<\0/\0a\0>\0", 18), false},
        WriteCase{"Utf16BigEndianMark", u"<a/>", XmlDocument::kBomUtf16BE,
                  std::string("\xFE\xFF\0<\0a\0/\0>", 10), false},
        WriteCase{"Latin1LosesWhatItCannotHold",
                  u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\u00e9\u4e2d</a>", 0,
                  "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9?</a>", true},
        WriteCase{"LoneSurrogateInUtf8", std::u16string(u"<a>") + char16_t(0xD800) + u"</a>", 0,
                  "<a>?</a>", true}),
    [](const testing::TestParamInfo<WriteCase>& i) { return std::string(i.param.name); });

TEST(XmlFileTest, SaveReplacesTheFileKeepingItsPermissionsAndLeavesNoTemporaries) {
    TempDir dir;
    fs::path file = dir.path() / "p.xml";
    writeBytes(file, "old contents");
    ::chmod(file.c_str(), 0640);
    int flags = 0;
    std::u16string log;
    ASSERT_TRUE(XmlDocument::saveFile(file, u"<new/>", flags, log));
    EXPECT_EQ(readBytes(file), "<new/>");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

TEST(XmlFileTest, SaveThroughASymbolicLinkReplacesTheTarget) {
    TempDir dir;
    fs::path target = dir.path() / "real.xml";
    fs::path link = dir.path() / "link.xml";
    writeBytes(target, "old");
    fs::create_symlink("real.xml", link);
    int flags = 0;
    std::u16string log;
    ASSERT_TRUE(XmlDocument::saveFile(link, u"<new/>", flags, log));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(target), "<new/>");
}

TEST(XmlFileTest, FailedSavesAreReportedAndDestroyNothing) {
    TempDir dir;
    int flags = 0;
    std::u16string log;
    EXPECT_FALSE(
        XmlDocument::saveFile(dir.path() / "no" / "such" / "dir.xml", u"<a/>", flags, log));
    EXPECT_TRUE(logHas(log, u"<file_error msg=\"No such file or directory\""));
    fs::create_directory(dir.path() / "sub");
    EXPECT_FALSE(XmlDocument::saveFile(dir.path() / "sub", u"<a/>", flags, log));
    EXPECT_TRUE(fs::is_directory(dir.path() / "sub"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

TEST(XmlFileTest, AppendModeAppends) {
    TempDir dir;
    fs::path file = dir.path() / "log.xml";
    int flags = XmlDocument::kAppendFile;
    std::u16string log;
    ASSERT_TRUE(XmlDocument::saveFile(file, u"<a/>", flags, log));
    ASSERT_TRUE(XmlDocument::saveFile(file, u"<b/>", flags, log));
    EXPECT_EQ(readBytes(file), "<a/><b/>");
}

TEST(XmlFileTest, EncodingNamesMapToConverters) {
    EXPECT_EQ(XmlDocument::codePageForName(u"UTF-8"), "UTF-8");
    EXPECT_EQ(XmlDocument::codePageForName(u"utf-16"), "UTF-16LE");
    EXPECT_EQ(XmlDocument::codePageForName(u"UTF-16BE"), "UTF-16BE");
    EXPECT_EQ(XmlDocument::codePageForName(u"UTF-32"), "UTF-32LE");
    EXPECT_EQ(XmlDocument::codePageForName(u"GB2312"), "GB18030");
    EXPECT_EQ(XmlDocument::codePageForName(u"nonsense"), "");
    EXPECT_EQ(XmlDocument::codePageForName(u"utf-8\u00e9"), "");
}

} // namespace
