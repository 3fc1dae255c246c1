// Escaping, character references, the result log and encoding declarations.

#include "app/profile/xml/XmlDocument.h"
#include "app/profile/xml/XmlInternal.h"

#include <algorithm>
#include <array>

namespace xmlengine {

namespace {

struct Entity {
    std::string_view name;
    std::uint32_t code;
};

// The five XML names and the character entities of HTML 4, sorted by name (byte order) for
// the exact lookup.
constexpr auto kEntities = [] {
    std::array<Entity, 253> e{{
        {"AElig", 198},    {"Aacute", 193},  {"Acirc", 194},   {"Agrave", 192},  {"Alpha", 913},
        {"Aring", 197},    {"Atilde", 195},  {"Auml", 196},    {"Beta", 914},    {"Ccedil", 199},
        {"Chi", 935},      {"Dagger", 8225}, {"Delta", 916},   {"ETH", 208},     {"Eacute", 201},
        {"Ecirc", 202},    {"Egrave", 200},  {"Epsilon", 917}, {"Eta", 919},     {"Euml", 203},
        {"Gamma", 915},    {"Iacute", 205},  {"Icirc", 206},   {"Igrave", 204},  {"Iota", 921},
        {"Iuml", 207},     {"Kappa", 922},   {"Lambda", 923},  {"Mu", 924},      {"Ntilde", 209},
        {"Nu", 925},       {"OElig", 338},   {"Oacute", 211},  {"Ocirc", 212},   {"Ograve", 210},
        {"Omega", 937},    {"Omicron", 927}, {"Oslash", 216},  {"Otilde", 213},  {"Ouml", 214},
        {"Phi", 934},      {"Pi", 928},      {"Prime", 8243},  {"Psi", 936},     {"Rho", 929},
        {"Scaron", 352},   {"Sigma", 931},   {"THORN", 222},   {"Tau", 932},     {"Theta", 920},
        {"Uacute", 218},   {"Ucirc", 219},   {"Ugrave", 217},  {"Upsilon", 933}, {"Uuml", 220},
        {"Xi", 926},       {"Yacute", 221},  {"Yuml", 376},    {"Zeta", 918},    {"aacute", 225},
        {"acirc", 226},    {"acute", 180},   {"aelig", 230},   {"agrave", 224},  {"alefsym", 8501},
        {"alpha", 945},    {"amp", 38},      {"and", 8743},    {"ang", 8736},    {"apos", 39},
        {"aring", 229},    {"asymp", 8776},  {"atilde", 227},  {"auml", 228},    {"bdquo", 8222},
        {"beta", 946},     {"brvbar", 166},  {"bull", 8226},   {"cap", 8745},    {"ccedil", 231},
        {"cedil", 184},    {"cent", 162},    {"chi", 967},     {"circ", 710},    {"clubs", 9827},
        {"cong", 8773},    {"copy", 169},    {"crarr", 8629},  {"cup", 8746},    {"curren", 164},
        {"dArr", 8659},    {"dagger", 8224}, {"darr", 8595},   {"deg", 176},     {"delta", 948},
        {"diams", 9830},   {"divide", 247},  {"eacute", 233},  {"ecirc", 234},   {"egrave", 232},
        {"empty", 8709},   {"emsp", 8195},   {"ensp", 8194},   {"epsilon", 949}, {"equiv", 8801},
        {"eta", 951},      {"eth", 240},     {"euml", 235},    {"euro", 8364},   {"exist", 8707},
        {"fnof", 402},     {"forall", 8704}, {"frac12", 189},  {"frac14", 188},  {"frac34", 190},
        {"frasl", 8260},   {"gamma", 947},   {"ge", 8805},     {"gt", 62},       {"hArr", 8660},
        {"harr", 8596},    {"hearts", 9829}, {"hellip", 8230}, {"iacute", 237},  {"icirc", 238},
        {"iexcl", 161},    {"igrave", 236},  {"image", 8465},  {"infin", 8734},  {"int", 8747},
        {"iota", 953},     {"iquest", 191},  {"isin", 8712},   {"iuml", 239},    {"kappa", 954},
        {"lArr", 8656},    {"lambda", 955},  {"lang", 9001},   {"laquo", 171},   {"larr", 8592},
        {"lceil", 8968},   {"ldquo", 8220},  {"le", 8804},     {"lfloor", 8970}, {"lowast", 8727},
        {"loz", 9674},     {"lrm", 8206},    {"lsaquo", 8249}, {"lsquo", 8216},  {"lt", 60},
        {"macr", 175},     {"mdash", 8212},  {"micro", 181},   {"middot", 183},  {"minus", 8722},
        {"mu", 956},       {"nabla", 8711},  {"nbsp", 160},    {"ndash", 8211},  {"ne", 8800},
        {"ni", 8715},      {"not", 172},     {"notin", 8713},  {"nsub", 8836},   {"ntilde", 241},
        {"nu", 957},       {"oacute", 243},  {"ocirc", 244},   {"oelig", 339},   {"ograve", 242},
        {"oline", 8254},   {"omega", 969},   {"omicron", 959}, {"oplus", 8853},  {"or", 8744},
        {"ordf", 170},     {"ordm", 186},    {"oslash", 248},  {"otilde", 245},  {"otimes", 8855},
        {"ouml", 246},     {"para", 182},    {"part", 8706},   {"permil", 8240}, {"perp", 8869},
        {"phi", 966},      {"pi", 960},      {"piv", 982},     {"plusmn", 177},  {"pound", 163},
        {"prime", 8242},   {"prod", 8719},   {"prop", 8733},   {"psi", 968},     {"quot", 34},
        {"rArr", 8658},    {"radic", 8730},  {"rang", 9002},   {"raquo", 187},   {"rarr", 8594},
        {"rceil", 8969},   {"rdquo", 8221},  {"real", 8476},   {"reg", 174},     {"rfloor", 8971},
        {"rho", 961},      {"rlm", 8207},    {"rsaquo", 8250}, {"rsquo", 8217},  {"sbquo", 8218},
        {"scaron", 353},   {"sdot", 8901},   {"sect", 167},    {"shy", 173},     {"sigma", 963},
        {"sigmaf", 962},   {"sim", 8764},    {"spades", 9824}, {"sub", 8834},    {"sube", 8838},
        {"sum", 8721},     {"sup", 8835},    {"sup1", 185},    {"sup2", 178},    {"sup3", 179},
        {"supe", 8839},    {"szlig", 223},   {"tau", 964},     {"there4", 8756}, {"theta", 952},
        {"thetasym", 977}, {"thinsp", 8201}, {"thorn", 254},   {"tilde", 732},   {"times", 215},
        {"trade", 8482},   {"uArr", 8657},   {"uacute", 250},  {"uarr", 8593},   {"ucirc", 251},
        {"ugrave", 249},   {"uml", 168},     {"upsih", 978},   {"upsilon", 965}, {"uuml", 252},
        {"weierp", 8472},  {"xi", 958},      {"yacute", 253},  {"yen", 165},     {"yuml", 255},
        {"zeta", 950},     {"zwj", 8205},    {"zwnj", 8204},
    }};
    return e;
}();

static_assert(std::is_sorted(kEntities.begin(), kEntities.end(),
                             [](const Entity& a, const Entity& b) { return a.name < b.name; }));

std::uint32_t findExact(std::string_view name) {
    auto it = std::lower_bound(kEntities.begin(), kEntities.end(), name,
                               [](const Entity& e, std::string_view n) { return e.name < n; });
    return (it != kEntities.end() && it->name == name) ? it->code : 0;
}

void appendCodePoint(std::u16string& out, std::uint32_t cp) {
    if (cp < 0x10000) {
        out.push_back(char16_t(cp));
    } else {
        cp -= 0x10000;
        out.push_back(char16_t(0xD800 + (cp >> 10)));
        out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    }
}

bool isHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

int hexValue(char16_t c) {
    if (c <= u'9')
        return c - u'0';
    return (c | 0x20) - u'a' + 10;
}

// Reference starting at value[i] == '&': appends its character and returns the position
// after it, or returns i when it is none.
std::size_t takeReference(std::u16string_view v, std::size_t i, std::u16string& out) {
    std::size_t n = v.size();
    if (i + 2 < n && v[i + 1] == u'#') {
        bool hex = v[i + 2] == u'x' || v[i + 2] == u'X';
        std::size_t j = i + (hex ? 3 : 2);
        std::uint32_t cp = 0;
        std::size_t digits = 0;
        while (j < n && (hex ? isHexDigit(v[j]) : (v[j] >= u'0' && v[j] <= u'9'))) {
            cp = hex ? cp * 16 + std::uint32_t(hexValue(v[j])) : cp * 10 + (v[j] - u'0');
            if (cp > 0x10FFFF)
                return i;
            ++j;
            ++digits;
        }
        if (!digits || j >= n || v[j] != u';' || cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF))
            return i;
        appendCodePoint(out, cp);
        return j + 1;
    }
    std::size_t j = i + 1;
    while (j < n && j - i - 1 < 10 && v[j] != u';')
        ++j;
    std::size_t len = j - i - 1;
    if (j >= n || v[j] != u';' || len == 0 || len > 9)
        return i;
    std::uint32_t cp = lookupEntity(v.substr(i + 1, len));
    if (!cp)
        return i;
    appendCodePoint(out, cp);
    return j + 1;
}

} // namespace

std::uint32_t lookupEntity(std::u16string_view name) {
    if (name.empty() || name.size() > 9)
        return 0;
    char buf[10];
    char lower[10];
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] >= 0x80)
            return 0;
        buf[i] = char(name[i]);
        lower[i] = char(lowerAscii(name[i]));
    }
    std::string_view exact(buf, name.size());
    if (std::uint32_t cp = findExact(exact))
        return cp;
    // Capitals are lowered before the lookup ("&AMP;" is "&"); an exact spelling such as
    // "&Agrave;" keeps its own character above.
    std::string_view lowered(lower, name.size());
    if (std::uint32_t cp = findExact(lowered))
        return cp;
    for (const Entity& e : kEntities) {
        if (e.name.size() != lowered.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < lowered.size() && same; ++i)
            same = char(lowerAscii(char16_t(e.name[i]))) == lowered[i];
        if (same)
            return e.code;
    }
    return 0;
}

void appendLog(std::u16string& log, std::size_t limit, const char* event,
               std::initializer_list<LogAttr> attrs) {
    if (log.size() > limit)
        return;
    log += u'<';
    log += widen(event);
    for (const LogAttr& a : attrs) {
        log += u' ';
        log += widen(a.name);
        log += u"=\"";
        log += XmlDocument::escapeAttribute(a.value);
        log += u'"';
    }
    log += u"/>";
}

namespace {

// Value of the pseudo-attribute name in s (as in an xml declaration), empty when absent.
std::u16string pseudoAttribute(std::u16string_view s, std::u16string_view name) {
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t p = s.find(name, i);
        if (p == std::u16string_view::npos)
            return {};
        i = p + name.size();
        if (p > 0 && !isSpace(s[p - 1]))
            continue;
        std::size_t j = i;
        while (j < s.size() && isSpace(s[j]))
            ++j;
        if (j >= s.size() || s[j] != u'=')
            continue;
        ++j;
        while (j < s.size() && isSpace(s[j]))
            ++j;
        if (j >= s.size() || (s[j] != u'"' && s[j] != u'\''))
            continue;
        std::size_t q = s.find(s[j], j + 1);
        if (q == std::u16string_view::npos)
            return {};
        return std::u16string(s.substr(j + 1, q - j - 1));
    }
    return {};
}

std::u16string lowered(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out)
        c = lowerAscii(c);
    return out;
}

} // namespace

std::u16string declaredEncoding(std::u16string_view head) {
    std::size_t i = 0;
    if (i < head.size() && head[i] == 0xFEFF)
        ++i;
    while (i < head.size() && isSpace(head[i]))
        ++i;
    std::u16string_view rest = head.substr(i);
    if (rest.size() > 5 && rest.substr(0, 5) == u"<?xml" && isSpace(rest[5])) {
        std::size_t end = rest.find(u"?>");
        return pseudoAttribute(
            rest.substr(5, end == std::u16string_view::npos ? rest.npos : end - 5), u"encoding");
    }
    // An HTML text: a meta Content-Type inside head inside html. The head is often cut off
    // before its end tag, so only the order of the start tags is looked at.
    XmlDocument doc(XmlDocument::kIgnoreCase);
    doc.loadText(std::u16string(head));
    int stage = 0;
    for (std::size_t r = 1; r < doc.elementCount(); ++r) {
        std::u16string name = lowered(doc.elementName(int(r)));
        if (stage == 0 && name == u"html")
            stage = 1;
        else if (stage == 1 && name == u"head")
            stage = 2;
        else if (stage == 2 && name == u"meta") {
            // readAttribute works on the current element; walk to it.
            const XmlDocument::Element& e = doc.element(int(r));
            std::u16string_view tag =
                std::u16string_view(doc.text()).substr(e.start, e.startTagLength);
            std::u16string low = lowered(tag);
            if (lowered(pseudoAttribute(low, u"http-equiv")) != u"content-type")
                continue;
            std::u16string content = pseudoAttribute(tag, u"content");
            if (content.empty())
                content = pseudoAttribute(tag, u"CONTENT");
            std::u16string lc = lowered(content);
            std::size_t p = lc.find(u"charset=");
            if (p == std::u16string::npos)
                continue;
            p += 8;
            std::size_t q = p;
            while (q < content.size() && content[q] != u';' && !isSpace(content[q]))
                ++q;
            return content.substr(p, q - p);
        }
    }
    return {};
}

} // namespace xmlengine

using namespace xmlengine;

std::u16string XmlDocument::escapeAttribute(std::u16string_view value) {
    std::u16string out;
    out.reserve(value.size() + 8);
    for (char16_t c : value) {
        switch (c) {
        case u'"':
            out += u"&quot;";
            break;
        case u'&':
            out += u"&amp;";
            break;
        case u'\'':
            out += u"&apos;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::u16string XmlDocument::escapeContent(std::u16string_view value) {
    std::u16string out;
    out.reserve(value.size() + 8);
    for (char16_t c : value) {
        switch (c) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::u16string XmlDocument::unescape(std::u16string_view value) {
    std::size_t amp = value.find(u'&');
    if (amp == std::u16string_view::npos)
        return std::u16string(value);
    std::u16string out;
    out.reserve(value.size());
    out.append(value.substr(0, amp));
    std::size_t i = amp;
    while (i < value.size()) {
        char16_t c = value[i];
        if (c == u'&') {
            std::size_t j = takeReference(value, i, out);
            if (j != i) {
                i = j;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}
