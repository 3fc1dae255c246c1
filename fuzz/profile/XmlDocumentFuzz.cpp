// Parses any text, then runs a script of navigation and edit operations on it, checking that
// the element index always stays inside the text and that written attributes read back.
//
// Input: one byte n, then n operation bytes, then the text. Text bytes are taken as
// characters one by one; 0xFF followed by two bytes gives any UTF-16 unit (little-endian).

#include "app/profile/xml/XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

void checkIndex(const XmlDocument& doc) {
    const std::size_t n = doc.text().size();
    check(doc.element(0).length == n);
    for (std::size_t i = 1; i < doc.elementCount(); ++i) {
        const XmlDocument::Element& e = doc.element(int(i));
        check(std::size_t(e.start) + e.length <= n);
        check(e.startTagLength <= e.length && e.nameLength + 1 < e.startTagLength + 1);
        check(doc.text()[e.start] == u'<');
        check(e.parent >= 0 && std::size_t(e.parent) < doc.elementCount());
        check(std::size_t(e.next) < doc.elementCount() && std::size_t(e.prev) < doc.elementCount());
        if (e.next)
            check(doc.element(e.next).prev == int(i) && doc.element(e.next).parent == e.parent);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::size_t ops = std::min<std::size_t>(data[0] % 32, size - 1);
    const std::uint8_t* script = data + 1;
    std::u16string text;
    for (std::size_t i = 1 + ops; i < size; ++i) {
        if (data[i] == 0xFF && i + 2 < size) {
            text += char16_t(data[i + 1] | data[i + 2] << 8);
            i += 2;
        } else {
            text += char16_t(data[i]);
        }
    }

    XmlDocument doc((ops && (script[0] & 0x80)) ? XmlDocument::kIgnoreCase : 0);
    doc.loadText(text);
    checkIndex(doc);

    static const char16_t* const names[] = {u"a", u"b", u"x", u"List", u"ID", u"t1", u"A"};
    for (std::size_t i = 0; i < ops; ++i) {
        std::uint8_t op = script[i];
        const char16_t* name = names[(op >> 3) % 7];
        switch (op & 7) {
        case 0:
            doc.seekElement(name);
            break;
        case 1:
            doc.descend();
            break;
        case 2:
            doc.ascend();
            break;
        case 3:
            doc.rewind();
            break;
        case 4: {
            (void)doc.readAttribute(name);
            break;
        }
        case 5: {
            std::u16string value = text.substr(0, op % 13);
            if (doc.writeAttribute(name, value))
                check(doc.readAttribute(name) == value);
            break;
        }
        case 6:
            doc.appendElement(name);
            break;
        case 7:
            (void)XmlDocument::unescape(text);
            break;
        }
        checkIndex(doc);
    }
    return 0;
}
