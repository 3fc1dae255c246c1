#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace xmlengine {
// Tag-name hashing for the parser's count of open elements; case-blind, so that it also
// serves the ignore-case comparison.
struct NameHash {
    std::size_t operator()(std::u16string_view s) const;
};
struct NameEq {
    bool ignoreCase = false;
    bool operator()(std::u16string_view a, std::u16string_view b) const;
};
} // namespace xmlengine

// The program's own small XML document engine: one UTF-16 text, an index of the elements
// found in it and a current position. It is tolerant: malformed input never stops parsing,
// problems become records in a result log that nobody has to look at.
//
// Navigation works level by level: seekElement() looks among the children of the element
// being visited, descend() enters the current element, ascend() leaves it again so that the
// next seekElement() continues after the element that was left.
//
// Appending is cheap when it happens where a writer naturally writes: after the element
// last appended or at the end of the innermost open element. Only the closing tags that
// follow the insertion point move, so building a document from start to end stays linear.
class XmlDocument {
public:
    // Document flags.
    enum : int {
        kBomUtf16LE = 0x01,
        kBomUtf8 = 0x04,
        kIgnoreCase = 0x08, // tag-name comparisons ignore ASCII case
        kReadFile = 0x10,
        kWriteFile = 0x20,
        kAppendFile = 0x40,
        kBomUtf16BE = 0x80,
    };
    static constexpr int kBomFlags = kBomUtf16LE | kBomUtf8 | kBomUtf16BE;
    static constexpr int kFileModeFlags = kReadFile | kWriteFile | kAppendFile;

    // Element record flags.
    enum : std::uint32_t {
        kEmptyElement = 0x1, // start tag closed by "/>"
        kUnended = 0x2,      // no end tag was found; the element is only its start tag
    };

    // One element of the index. Offsets and lengths count UTF-16 units of text().
    // Record 0 stands for the document itself. prev of a first child points to the last
    // child of the same parent.
    struct Element {
        std::uint32_t start = 0;          // offset of the start tag's "<"
        std::uint32_t length = 0;         // start tag to the end of the end tag
        std::uint32_t startTagLength = 0; // "<" to ">" of the start tag
        std::uint32_t endTagLength = 0;   // 0 for empty and unended elements
        std::uint32_t nameLength = 0;     // tag name, which starts at start + 1
        std::uint32_t flags = 0;
        std::int32_t parent = 0;
        std::int32_t firstChild = 0;
        std::int32_t next = 0;
        std::int32_t prev = 0;
    };

    // Longest text that is indexed; offsets are 32-bit. Anything beyond is not parsed and a
    // "truncation_error" is recorded.
    static constexpr std::size_t kMaxTextLength = 0x7FFFFFF0;
    // Largest file loadFile() reads: several times the largest profile the program writes
    // in practice, and small enough that the index of a hostile file of tiny elements
    // still fits in memory.
    static constexpr std::uintmax_t kMaxFileSize = std::uintmax_t(256) << 20;
    // The result log takes no further record once it is longer than this.
    static constexpr std::size_t kResultLimit = 999;

    XmlDocument();
    explicit XmlDocument(int flags);

    // Replaces the text, empties the result log, parses and resets the position.
    // Does nothing and returns false while a file-mode flag is set.
    bool loadText(const std::u16string& text = {});
    bool loadText(std::u16string&& text);

    // Room for a document that is about to be built by appending, so that a large one
    // does not grow by repeated copying.
    void reserve(std::size_t textLength, std::size_t elementCount);

    // Back to the document level, before its first element.
    void rewind();
    // Makes the next element named name at the current level current (after the current
    // one, or from the first child when there is no current one). Deeper levels are not
    // searched. False, with the position unchanged, when there is none.
    bool seekElement(std::u16string_view name);
    // Enters the current element: its children are visited next.
    bool descend();
    // Leaves the element being visited; it becomes current again.
    bool ascend();

    // Unescaped value of the current element's attribute; empty when there is none.
    std::u16string readAttribute(std::u16string_view name) const;
    // Sets or adds an attribute of the current element; false without a current element.
    bool writeAttribute(std::u16string_view name, std::u16string_view value);
    bool writeAttribute(std::u16string_view name, long long value);
    // Appends the empty element "<name/>" and a line break after the current element (or at
    // the end of the element being visited) and makes it current. The name is not checked.
    bool appendElement(std::u16string_view name);

    // Reads and decodes a whole file: byte-order mark, declared encoding, UTF-8 test, the
    // ANSI code page otherwise. flags receive the byte-order-mark flag found; result
    // receives the log of what happened.
    static bool loadFile(const std::filesystem::path& path, std::u16string& text, int& flags,
                         std::u16string& result);
    // Encodes text in the encoding it declares (UTF-8 when none) and writes it. An existing
    // file is replaced only once the new contents are completely on disk, so a failed save
    // never destroys it. With kAppendFile the text is appended to the file instead. A byte-
    // order mark is written only when flags ask for one.
    static bool saveFile(const std::filesystem::path& path, const std::u16string& text, int& flags,
                         std::u16string& result);

    const std::u16string& text() const { return text_; }
    // Hands the text over without copying it; the document is empty afterwards.
    std::u16string releaseText();
    const std::u16string& result() const { return result_; }
    int flags() const { return flags_; }
    void setFlags(int flags) { flags_ = flags; }

    // Position and index, for callers that need to look closer.
    int parentElement() const { return parent_; }
    int currentElement() const { return current_; }
    int childElement() const { return child_; }
    // Node kind of the current position: 1 for an element, 0 for none.
    int currentNodeKind() const { return current_ ? 1 : 0; }
    std::size_t elementCount() const { return elements_.size(); }
    const Element& element(int index) const { return elements_[std::size_t(index)]; }
    std::u16string_view elementName(int index) const;
    // Tag name of the current element; empty when there is none.
    std::u16string_view tagName() const;

    static std::u16string escapeAttribute(std::u16string_view value);
    static std::u16string escapeContent(std::u16string_view value);
    // Undoes decimal, hexadecimal and named (XML and HTML 4) character references; an
    // ampersand that starts none of them stays as it is.
    static std::u16string unescape(std::u16string_view value);

    // The ANSI code page used for undeclared text that is not UTF-8: the locale's character
    // set when it is neither UTF-8 nor plain ASCII, GB18030 (a superset of the Chinese
    // Windows page 936) otherwise.
    static std::string ansiCodePage();
    // Maps a declared encoding name to an iconv name; empty when it is not known.
    static std::string codePageForName(std::u16string_view name);

private:
    void parse();
    void noteSyntax(const char* event, const char16_t* type, std::size_t offset,
                    std::size_t offset2);

    std::int32_t newRecord(std::int32_t parent);
    void linkAfter(std::int32_t record, std::int32_t after, std::int32_t parent);
    void linkLast(std::int32_t record, std::int32_t parent);
    void closeUnended(std::int32_t record);
    bool namesEqual(std::u16string_view a, std::u16string_view b) const;

    // Moves every element that starts after from (its following siblings and those of its
    // ancestors, and from's own descendants when asked) by delta and grows from's
    // ancestors by delta.
    void adjustAfterEdit(std::int32_t from, std::ptrdiff_t delta, bool descendants);
    void shiftSubtree(std::int32_t root, std::ptrdiff_t delta);

    // Where an attribute lies in a start tag: the end of its name and its value with the
    // quotes (an attribute written without "=" has no value).
    struct AttributeSpan {
        std::size_t nameEnd = 0;
        std::size_t valueStart = 0;
        std::size_t valueEnd = 0;
        bool hasValue = false;
        bool quoted = false;
    };
    bool findAttribute(std::int32_t record, std::u16string_view name, AttributeSpan& span) const;

    using NameHash = xmlengine::NameHash;
    using NameEq = xmlengine::NameEq;
    using NameCounts = std::unordered_map<std::u16string_view, std::int32_t, NameHash, NameEq>;

    std::u16string text_;
    std::u16string result_;
    std::vector<Element> elements_;
    int flags_ = 0;
    std::int32_t parent_ = 0;
    std::int32_t current_ = 0;
    std::int32_t child_ = 0;

    // Parsing state, kept between calls only to reuse its storage.
    std::vector<std::int32_t> open_;
    NameCounts openNames_;
    bool trackNames_ = false;
};
