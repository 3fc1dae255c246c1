#include "app/profile/xml/XmlDocument.h"

#include "app/profile/xml/XmlInternal.h"

#include <algorithm>
#include <string>

using namespace xmlengine;

namespace {

using Traits = std::char_traits<char16_t>;

// "A".."Z", anything above 0x60 (lower case and every non-ASCII character), "_" and ":"
// start a tag name; a digit, white space or other punctuation does not.
bool isNameStart(char16_t c) {
    return (c >= u'A' && c <= u'Z') || c > 0x60 || c == u'_' || c == u':';
}

bool endsTagName(char16_t c) {
    return isSpace(c) || c == u'/' || c == u'>';
}

// Position of the first occurrence of c in t[from, n), or n.
std::size_t findChar(const char16_t* t, std::size_t from, std::size_t n, char16_t c) {
    if (from >= n)
        return n;
    const char16_t* p = Traits::find(t + from, n - from, c);
    return p ? std::size_t(p - t) : n;
}

// Position just after the first occurrence of the terminator in t[from, n), or n + 1 when
// the text ends first.
std::size_t findEnd(const char16_t* t, std::size_t from, std::size_t n, std::u16string_view term) {
    while (from < n) {
        std::size_t p = findChar(t, from, n, term[0]);
        if (p >= n)
            break;
        if (n - p >= term.size() && Traits::compare(t + p, term.data(), term.size()) == 0)
            return p + term.size();
        from = p + 1;
    }
    return n + 1;
}

bool equalIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::uint32_t add32(std::uint32_t v, std::ptrdiff_t delta) {
    return std::uint32_t(std::int64_t(v) + delta);
}

} // namespace

std::size_t xmlengine::NameHash::operator()(std::u16string_view s) const {
    std::size_t h = 1469598103934665603ull;
    for (char16_t c : s)
        h = (h ^ lowerAscii(c)) * 1099511628211ull;
    return h;
}

bool xmlengine::NameEq::operator()(std::u16string_view a, std::u16string_view b) const {
    return ignoreCase ? equalIgnoreCase(a, b) : a == b;
}

XmlDocument::XmlDocument() : XmlDocument(0) {}

XmlDocument::XmlDocument(int flags) : flags_(flags) {
    elements_.assign(1, Element{});
}

bool XmlDocument::loadText(const std::u16string& text) {
    if (flags_ & kFileModeFlags)
        return false;
    text_ = text;
    result_.clear();
    parse();
    rewind();
    return true;
}

bool XmlDocument::loadText(std::u16string&& text) {
    if (flags_ & kFileModeFlags)
        return false;
    text_ = std::move(text);
    result_.clear();
    parse();
    rewind();
    return true;
}

void XmlDocument::reserve(std::size_t textLength, std::size_t elementCount) {
    text_.reserve(std::min(textLength, kMaxTextLength));
    elements_.reserve(std::min(elementCount + 1, std::size_t(INT32_MAX)));
}

std::u16string XmlDocument::releaseText() {
    std::u16string out = std::move(text_);
    text_.clear();
    elements_.assign(1, Element{});
    rewind();
    return out;
}

void XmlDocument::rewind() {
    parent_ = current_ = child_ = 0;
}

std::u16string_view XmlDocument::elementName(int index) const {
    if (index <= 0 || std::size_t(index) >= elements_.size())
        return {};
    const Element& e = elements_[std::size_t(index)];
    return std::u16string_view(text_).substr(e.start + 1, e.nameLength);
}

std::u16string_view XmlDocument::tagName() const {
    return elementName(current_);
}

bool XmlDocument::namesEqual(std::u16string_view a, std::u16string_view b) const {
    return (flags_ & kIgnoreCase) ? equalIgnoreCase(a, b) : a == b;
}

void XmlDocument::noteSyntax(const char* event, const char16_t* type, std::size_t offset,
                             std::size_t offset2) {
    if (result_.size() > kResultLimit)
        return;
    appendLog(result_, kResultLimit, event,
              {{"type", type},
               {"offset", number((long long)offset)},
               {"offset2", number((long long)offset2)}});
}

// ---------------------------------------------------------------------------------------
// Parsing

std::int32_t XmlDocument::newRecord(std::int32_t parent) {
    elements_.emplace_back();
    elements_.back().parent = parent;
    return std::int32_t(elements_.size() - 1);
}

void XmlDocument::linkLast(std::int32_t record, std::int32_t parent) {
    Element& p = elements_[std::size_t(parent)];
    Element& e = elements_[std::size_t(record)];
    e.parent = parent;
    e.next = 0;
    if (!p.firstChild) {
        p.firstChild = record;
        e.prev = record;
        return;
    }
    Element& first = elements_[std::size_t(p.firstChild)];
    std::int32_t last = first.prev;
    elements_[std::size_t(last)].next = record;
    e.prev = last;
    first.prev = record;
}

void XmlDocument::linkAfter(std::int32_t record, std::int32_t after, std::int32_t parent) {
    Element& a = elements_[std::size_t(after)];
    std::int32_t following = a.next;
    Element& e = elements_[std::size_t(record)];
    e.parent = parent;
    e.prev = after;
    e.next = following;
    a.next = record;
    if (following)
        elements_[std::size_t(following)].prev = record;
    else
        elements_[std::size_t(elements_[std::size_t(parent)].firstChild)].prev = record;
}

// An element without end tag is only its start tag; what was parsed as its content
// belongs to its parent, directly after it.
void XmlDocument::closeUnended(std::int32_t record) {
    Element& e = elements_[std::size_t(record)];
    e.length = e.startTagLength;
    e.flags |= kUnended;
    if (result_.size() <= kResultLimit)
        appendLog(result_, kResultLimit, "unended_start_tag",
                  {{"tagname", std::u16string(elementName(record))}, {"offset", number(e.start)}});
    std::int32_t first = e.firstChild;
    if (!first)
        return;
    std::int32_t parent = e.parent;
    std::int32_t last = elements_[std::size_t(first)].prev;
    for (std::int32_t c = first;; c = elements_[std::size_t(c)].next) {
        elements_[std::size_t(c)].parent = parent;
        if (c == last)
            break;
    }
    e.firstChild = 0;
    std::int32_t following = e.next;
    e.next = first;
    elements_[std::size_t(first)].prev = record;
    elements_[std::size_t(last)].next = following;
    if (following)
        elements_[std::size_t(following)].prev = last;
    else
        elements_[std::size_t(elements_[std::size_t(parent)].firstChild)].prev = last;
}

void XmlDocument::parse() {
    elements_.assign(1, Element{});
    open_.clear();
    openNames_ = NameCounts(16, NameHash{}, NameEq{(flags_ & kIgnoreCase) != 0});
    trackNames_ = false;

    std::size_t n = text_.size();
    if (n > kMaxTextLength) {
        appendLog(
            result_, kResultLimit, "truncation_error",
            {{"length", number((long long)n)}, {"offset", number((long long)kMaxTextLength)}});
        n = kMaxTextLength;
    }
    elements_[0].length = std::uint32_t(n);
    // A profile spends about a hundred characters per element.
    elements_.reserve(n / 64 + 1);
    const char16_t* t = text_.data();

    auto nameOf = [&](std::int32_t r) {
        const Element& e = elements_[std::size_t(r)];
        return std::u16string_view(t + e.start + 1, e.nameLength);
    };
    // Skips a node of no known kind up to its ">"; false when the text ends first.
    auto skipToGt = [&](std::size_t from, std::size_t lt, std::size_t& pos) {
        std::size_t gt = findChar(t, from, n, u'>');
        if (gt >= n) {
            noteSyntax("unterminated_tag_syntax", u"tag", lt, n);
            return false;
        }
        pos = gt + 1;
        return true;
    };

    std::size_t pos = 0;
    while (pos < n) {
        std::size_t lt = findChar(t, pos, n, u'<');
        if (lt >= n)
            break;
        if (lt + 1 >= n) {
            noteSyntax("unterminated_tag_syntax", u"tag", lt, n);
            break;
        }
        char16_t c = t[lt + 1];
        if (isNameStart(c)) {
            std::size_t i = lt + 1;
            while (i < n && !endsTagName(t[i]))
                ++i;
            std::size_t nameEnd = i;
            bool closed = false;
            while (i < n) {
                char16_t ch = t[i];
                if (ch == u'>') {
                    closed = true;
                    break;
                }
                if (ch == u'"' || ch == u'\'') {
                    std::size_t q = findChar(t, i + 1, n, ch);
                    if (q >= n) {
                        i = n;
                        break;
                    }
                    i = q + 1;
                    continue;
                }
                ++i;
            }
            if (!closed) {
                noteSyntax("unterminated_tag_syntax", u"start_tag", lt, n);
                break;
            }
            std::int32_t parent = open_.empty() ? 0 : open_.back();
            std::int32_t r = newRecord(parent);
            linkLast(r, parent);
            Element& e = elements_[std::size_t(r)];
            e.start = std::uint32_t(lt);
            e.startTagLength = std::uint32_t(i + 1 - lt);
            e.length = e.startTagLength;
            e.nameLength = std::uint32_t(nameEnd - lt - 1);
            if (t[i - 1] == u'/') {
                e.flags = kEmptyElement;
            } else {
                open_.push_back(r);
                if (trackNames_)
                    ++openNames_[nameOf(r)];
            }
            pos = i + 1;
        } else if (c == u'/') {
            std::size_t i = lt + 2;
            while (i < n && !isSpace(t[i]) && t[i] != u'>')
                ++i;
            std::u16string_view name(t + lt + 2, i - lt - 2);
            std::size_t gt = findChar(t, i, n, u'>');
            if (gt >= n) {
                noteSyntax("unterminated_tag_syntax", u"end_tag", lt, n);
                break;
            }
            pos = gt + 1;
            std::size_t depth = open_.size();
            if (depth && namesEqual(nameOf(open_.back()), name)) {
                // The common case: the innermost open element ends.
                Element& e = elements_[std::size_t(open_.back())];
                e.length = std::uint32_t(pos - e.start);
                e.endTagLength = std::uint32_t(pos - lt);
                if (trackNames_)
                    --openNames_[name];
                open_.pop_back();
                continue;
            }
            // Mismatched end tags are rare; from the first one on, count the open names
            // so that a lone end tag costs no walk through a deep stack.
            if (!trackNames_) {
                trackNames_ = true;
                for (std::int32_t r : open_)
                    ++openNames_[nameOf(r)];
            }
            auto it = openNames_.find(name);
            if (it == openNames_.end() || it->second <= 0) {
                if (result_.size() <= kResultLimit)
                    appendLog(
                        result_, kResultLimit, "lone_end_tag",
                        {{"tagname", std::u16string(name)}, {"offset", number((long long)lt)}});
                continue;
            }
            std::size_t k = depth;
            while (k-- > 0)
                if (namesEqual(nameOf(open_[k]), name))
                    break;
            // Outermost first, so every element's content moves up only once.
            for (std::size_t j = k + 1; j < depth; ++j) {
                --openNames_[nameOf(open_[j])];
                closeUnended(open_[j]);
            }
            Element& e = elements_[std::size_t(open_[k])];
            e.length = std::uint32_t(pos - e.start);
            e.endTagLength = std::uint32_t(pos - lt);
            --it->second;
            open_.resize(k);
        } else if (c == u'?') {
            std::size_t end = findEnd(t, lt + 2, n, u"?>");
            if (end > n) {
                noteSyntax("unterminated_tag_syntax", u"processing_instruction", lt, n);
                break;
            }
            pos = end;
        } else if (c == u'!') {
            char16_t c2 = lt + 2 < n ? t[lt + 2] : 0;
            char16_t c3 = lt + 3 < n ? t[lt + 3] : 0;
            if (c2 == u'-' && c3 == u'-') {
                std::size_t end = findEnd(t, lt + 4, n, u"-->");
                if (end > n) {
                    noteSyntax("unterminated_tag_syntax", u"comment", lt, n);
                    break;
                }
                pos = end;
            } else if (c2 == u'-') {
                noteSyntax("comment_tag_syntax", u"tag", lt, lt + 3);
                if (!skipToGt(lt + 2, lt, pos))
                    break;
            } else if (c2 == u'[' && c3 == u'C') {
                std::size_t end = findEnd(t, lt + 4, n, u"]]>");
                if (end > n) {
                    noteSyntax("unterminated_tag_syntax", u"cdata_section", lt, n);
                    break;
                }
                pos = end;
            } else if (c2 == u'[') {
                noteSyntax("cdata_section_syntax", u"tag", lt, lt + 3);
                if (!skipToGt(lt + 2, lt, pos))
                    break;
            } else if (c2 == u'D') {
                // Document type, possibly with an internal subset in "[" ... "]".
                std::size_t i = lt + 2;
                bool subset = false;
                bool closed = false;
                bool reported = false;
                auto malformed = [&](std::size_t at) {
                    if (!reported)
                        noteSyntax("doctype_tag_syntax", u"document_type", lt, at);
                    reported = true;
                };
                while (i < n && !closed) {
                    char16_t ch = t[i];
                    if (ch == u'"' || ch == u'\'') {
                        std::size_t q = findChar(t, i + 1, n, ch);
                        i = q >= n ? n : q + 1;
                    } else if (!subset) {
                        if (ch == u'[')
                            subset = true;
                        else if (ch == u'>')
                            closed = true;
                        ++i;
                    } else if (ch == u']') {
                        subset = false;
                        ++i;
                    } else if (isSpace(ch)) {
                        ++i;
                    } else if (ch == u'%') {
                        std::size_t j = i + 1;
                        while (j < n && !isSpace(t[j]) && t[j] != u';' && t[j] != u'<' &&
                               t[j] != u']')
                            ++j;
                        if (j < n && t[j] == u';' && j > i + 1)
                            i = j + 1;
                        else {
                            malformed(i);
                            i = j;
                        }
                    } else if (ch == u'<' && i + 3 < n && t[i + 1] == u'!' && t[i + 2] == u'-' &&
                               t[i + 3] == u'-') {
                        std::size_t end = findEnd(t, i + 4, n, u"-->");
                        i = end > n ? n : end;
                    } else if (ch == u'<' && i + 1 < n && t[i + 1] == u'?') {
                        std::size_t end = findEnd(t, i + 2, n, u"?>");
                        i = end > n ? n : end;
                    } else if (ch == u'<' && i + 2 < n && t[i + 1] == u'!' &&
                               ((t[i + 2] >= u'A' && t[i + 2] <= u'Z'))) {
                        // A markup declaration up to its ">", quotes respected.
                        std::size_t j = i + 2;
                        while (j < n && t[j] != u'>') {
                            if (t[j] == u'"' || t[j] == u'\'') {
                                std::size_t q = findChar(t, j + 1, n, t[j]);
                                j = q >= n ? n : q + 1;
                            } else {
                                ++j;
                            }
                        }
                        i = j >= n ? n : j + 1;
                    } else {
                        malformed(i);
                        ++i;
                    }
                }
                if (!closed) {
                    noteSyntax("unterminated_tag_syntax", u"document_type", lt, n);
                    break;
                }
                pos = i;
            } else {
                noteSyntax("exclamation_tag_syntax", u"tag", lt, lt + 2);
                if (!skipToGt(lt + 2, lt, pos))
                    break;
            }
        } else {
            // "<" followed by a digit, white space or other punctuation is no element.
            noteSyntax("first_tag_syntax", u"tag", lt, lt + 2);
            if (!skipToGt(lt + 1, lt, pos))
                break;
        }
    }

    for (std::int32_t r : open_)
        closeUnended(r);
    open_.clear();
    openNames_.clear();

    std::int32_t root = elements_[0].firstChild;
    if (!root) {
        appendLog(result_, kResultLimit, "no_root_element", {});
    } else if (std::int32_t sibling = elements_[std::size_t(root)].next) {
        appendLog(result_, kResultLimit, "root_has_sibling",
                  {{"tagname", std::u16string(nameOf(sibling))},
                   {"offset", number(elements_[std::size_t(sibling)].start)}});
    }
}

// ---------------------------------------------------------------------------------------
// Navigation

bool XmlDocument::seekElement(std::u16string_view name) {
    std::int32_t c = current_ ? elements_[std::size_t(current_)].next
                              : elements_[std::size_t(parent_)].firstChild;
    for (; c; c = elements_[std::size_t(c)].next) {
        const Element& e = elements_[std::size_t(c)];
        if (e.nameLength == name.size() &&
            namesEqual(std::u16string_view(text_).substr(e.start + 1, e.nameLength), name)) {
            current_ = c;
            child_ = 0;
            return true;
        }
    }
    return false;
}

bool XmlDocument::descend() {
    if (!current_)
        return false;
    parent_ = current_;
    current_ = child_;
    child_ = 0;
    return true;
}

bool XmlDocument::ascend() {
    if (!parent_)
        return false;
    child_ = current_;
    current_ = parent_;
    parent_ = elements_[std::size_t(parent_)].parent;
    return true;
}

// ---------------------------------------------------------------------------------------
// Attributes

bool XmlDocument::findAttribute(std::int32_t record, std::u16string_view name,
                                AttributeSpan& span) const {
    const Element& e = elements_[std::size_t(record)];
    const char16_t* t = text_.data();
    std::size_t i = e.start + 1 + e.nameLength;
    // Stop before the ">" (or "/>") that closes the start tag.
    std::size_t end = e.start + e.startTagLength - 1;
    if ((e.flags & kEmptyElement) && end > i)
        --end;
    while (i < end) {
        while (i < end && isSpace(t[i]))
            ++i;
        if (i >= end)
            break;
        std::size_t ns = i;
        while (i < end && !isSpace(t[i]) && t[i] != u'=' && t[i] != u'/' && t[i] != u'"' &&
               t[i] != u'\'')
            ++i;
        if (i == ns) {
            // Stray punctuation or a value without a name: step over it.
            if (t[i] == u'"' || t[i] == u'\'') {
                std::size_t q = findChar(t, i + 1, end, t[i]);
                i = q >= end ? end : q + 1;
            } else {
                ++i;
            }
            continue;
        }
        std::size_t ne = i;
        while (i < end && isSpace(t[i]))
            ++i;
        AttributeSpan s;
        s.nameEnd = ne;
        if (i < end && t[i] == u'=') {
            ++i;
            const std::size_t afterEquals = i;
            while (i < end && isSpace(t[i]))
                ++i;
            s.hasValue = true;
            s.valueStart = i;
            if (i > afterEquals && i < end && t[i] != u'"' && t[i] != u'\'') {
                // "a= b": a has an empty value and b is the next attribute.
                s.valueStart = s.valueEnd = afterEquals;
                i = afterEquals;
            } else if (i < end && (t[i] == u'"' || t[i] == u'\'')) {
                std::size_t q = findChar(t, i + 1, end, t[i]);
                if (q < end) {
                    s.quoted = true;
                    s.valueEnd = q + 1;
                } else {
                    s.valueEnd = end;
                }
            } else {
                // Unquoted; a quote inside still pairs with the next one, as it does when
                // the tokenizer looks for the end of the tag.
                while (i < end && !isSpace(t[i])) {
                    if (t[i] == u'"' || t[i] == u'\'') {
                        std::size_t q = findChar(t, i + 1, end, t[i]);
                        i = q >= end ? end : q + 1;
                    } else {
                        ++i;
                    }
                }
                s.valueEnd = i;
            }
            i = s.valueEnd;
        } else {
            s.valueStart = s.valueEnd = ne;
        }
        if (ne - ns == name.size() && Traits::compare(t + ns, name.data(), name.size()) == 0) {
            span = s;
            return true;
        }
    }
    return false;
}

std::u16string XmlDocument::readAttribute(std::u16string_view name) const {
    if (!current_)
        return {};
    AttributeSpan s;
    if (!findAttribute(current_, name, s) || !s.hasValue)
        return {};
    std::size_t from = s.valueStart;
    std::size_t to = s.valueEnd;
    if (s.quoted) {
        ++from;
        --to;
    } else if (from < to && (text_[from] == u'"' || text_[from] == u'\'')) {
        ++from; // an unterminated quote
    }
    return unescape(std::u16string_view(text_).substr(from, to - from));
}

bool XmlDocument::writeAttribute(std::u16string_view name, long long value) {
    return writeAttribute(name, number(value));
}

bool XmlDocument::writeAttribute(std::u16string_view name, std::u16string_view value) {
    if (!current_)
        return false;
    std::u16string piece;
    std::u16string escaped = escapeAttribute(value);
    piece.reserve(escaped.size() + name.size() + 4);
    std::size_t at;
    std::size_t removed = 0;
    AttributeSpan s;
    if (findAttribute(current_, name, s)) {
        if (s.hasValue) {
            at = s.valueStart;
            removed = s.valueEnd - s.valueStart;
        } else {
            at = s.nameEnd;
            piece += u'=';
        }
    } else {
        const Element& e = elements_[std::size_t(current_)];
        at = e.start + e.startTagLength - ((e.flags & kEmptyElement) ? 2 : 1);
        piece += u' ';
        piece += name;
        piece += u'=';
    }
    piece += u'"';
    piece += escaped;
    piece += u'"';
    std::ptrdiff_t delta = std::ptrdiff_t(piece.size()) - std::ptrdiff_t(removed);
    if (delta > 0 && text_.size() + std::size_t(delta) > kMaxTextLength)
        return false;
    text_.replace(at, removed, piece);
    Element& e = elements_[std::size_t(current_)];
    e.startTagLength = add32(e.startTagLength, delta);
    e.length = add32(e.length, delta);
    adjustAfterEdit(current_, delta, true);
    return true;
}

// ---------------------------------------------------------------------------------------
// Appending

void XmlDocument::shiftSubtree(std::int32_t root, std::ptrdiff_t delta) {
    std::int32_t r = root;
    while (true) {
        Element& e = elements_[std::size_t(r)];
        e.start = add32(e.start, delta);
        if (e.firstChild) {
            r = e.firstChild;
            continue;
        }
        // Next in document order within root's subtree.
        while (r != root && !elements_[std::size_t(r)].next)
            r = elements_[std::size_t(r)].parent;
        if (r == root)
            return;
        r = elements_[std::size_t(r)].next;
    }
}

void XmlDocument::adjustAfterEdit(std::int32_t from, std::ptrdiff_t delta, bool descendants) {
    if (from == 0) {
        elements_[0].length = add32(elements_[0].length, delta);
        return;
    }
    if (descendants)
        for (std::int32_t c = elements_[std::size_t(from)].firstChild; c;
             c = elements_[std::size_t(c)].next)
            shiftSubtree(c, delta);
    for (std::int32_t x = from; x != 0; x = elements_[std::size_t(x)].parent) {
        for (std::int32_t s = elements_[std::size_t(x)].next; s; s = elements_[std::size_t(s)].next)
            shiftSubtree(s, delta);
        std::int32_t p = elements_[std::size_t(x)].parent;
        elements_[std::size_t(p)].length = add32(elements_[std::size_t(p)].length, delta);
    }
}

bool XmlDocument::appendElement(std::u16string_view name) {
    if (text_.size() + 2 * name.size() + 16 > kMaxTextLength ||
        elements_.size() >= std::size_t(INT32_MAX))
        return false;
    std::u16string piece;
    piece.reserve(name.size() + 5);
    piece += u'<';
    piece += name;
    piece += u"/>\r\n";
    const std::size_t added = piece.size();

    // After an element the insertion goes behind the line break that follows it.
    auto afterLineBreak = [&](std::size_t p) {
        if (p + 1 < text_.size() && text_[p] == u'\r' && text_[p + 1] == u'\n')
            return p + 2;
        if (p < text_.size() && text_[p] == u'\n')
            return p + 1;
        return p;
    };

    const std::int32_t parent = parent_;
    std::int32_t after = 0; // link after this sibling, 0 = as last child
    std::size_t at;
    if (current_) {
        const Element& c = elements_[std::size_t(current_)];
        at = afterLineBreak(c.start + c.length);
        text_.insert(at, piece);
        adjustAfterEdit(current_, std::ptrdiff_t(added), false);
        after = current_;
    } else if (parent == 0) {
        at = text_.size();
        text_ += piece;
        adjustAfterEdit(0, std::ptrdiff_t(added), false);
    } else {
        Element& p = elements_[std::size_t(parent)];
        if (p.firstChild) {
            std::int32_t last = elements_[std::size_t(p.firstChild)].prev;
            const Element& l = elements_[std::size_t(last)];
            at = afterLineBreak(l.start + l.length);
            text_.insert(at, piece);
            adjustAfterEdit(last, std::ptrdiff_t(added), false);
        } else if (p.flags & kEmptyElement) {
            // "<p/>" becomes "<p>", line break, the new element, "</p>".
            std::u16string name_p(elementName(parent));
            std::size_t slash = p.start + p.startTagLength - 2;
            std::u16string replacement;
            replacement.reserve(added + name_p.size() + 6);
            replacement += u">\r\n";
            replacement += piece;
            replacement += u"</";
            replacement += name_p;
            replacement += u'>';
            text_.replace(slash, 2, replacement);
            std::ptrdiff_t delta = std::ptrdiff_t(replacement.size()) - 2;
            p.flags &= ~kEmptyElement;
            p.startTagLength -= 1;
            p.endTagLength = std::uint32_t(name_p.size() + 3);
            p.length = p.startTagLength + 2 + std::uint32_t(added) + p.endTagLength;
            adjustAfterEdit(parent, delta, false);
            at = slash + 3;
        } else {
            // Inside the content, before the end tag (right after the start tag of an
            // element that has none).
            at = (p.flags & kUnended) ? std::size_t(p.start) + p.startTagLength
                                      : std::size_t(p.start) + p.length - p.endTagLength;
            text_.insert(at, piece);
            p.length += std::uint32_t(added);
            adjustAfterEdit(parent, std::ptrdiff_t(added), false);
        }
    }

    std::int32_t r = newRecord(parent);
    Element& e = elements_[std::size_t(r)];
    e.start = std::uint32_t(at);
    e.startTagLength = e.length = std::uint32_t(name.size() + 3);
    e.nameLength = std::uint32_t(name.size());
    e.flags = kEmptyElement;
    if (after)
        linkAfter(r, after, parent);
    else
        linkLast(r, parent);
    current_ = r;
    child_ = 0;
    return true;
}
