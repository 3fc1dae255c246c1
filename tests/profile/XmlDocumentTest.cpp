// The document engine: tokenizer and parser on tolerant input, navigation, attributes and
// appending.

#include "app/profile/xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string narrow(std::u16string_view s) {
    std::string out;
    for (char16_t c : s)
        out += c < 0x80 ? char(c) : '#';
    return out;
}

// The element tree as text: name, "/" for an empty element, "!" for one without end tag,
// children in parentheses, siblings separated by spaces.
std::string shape(const XmlDocument& doc, int parent = 0) {
    std::string out;
    for (int c = doc.element(parent).firstChild; c; c = doc.element(c).next) {
        if (!out.empty())
            out += ' ';
        out += narrow(doc.elementName(c));
        if (doc.element(c).flags & XmlDocument::kEmptyElement)
            out += '/';
        if (doc.element(c).flags & XmlDocument::kUnended)
            out += '!';
        if (doc.element(c).firstChild)
            out += "(" + shape(doc, c) + ")";
    }
    return out;
}

// Event names of the result log in order.
std::vector<std::string> events(const std::u16string& log) {
    std::vector<std::string> out;
    std::string s = narrow(log);
    for (std::size_t p = s.find('<'); p != std::string::npos; p = s.find('<', p + 1)) {
        std::size_t e = s.find_first_of(" />", p + 1);
        out.push_back(s.substr(p + 1, e - p - 1));
    }
    return out;
}

// Checks every link and offset of the index against a fresh parse of the same text.
void expectSameIndexAsReparse(const XmlDocument& doc) {
    XmlDocument fresh;
    fresh.loadText(doc.text());
    ASSERT_EQ(shape(doc), shape(fresh));
    // Walk both trees in document order side by side.
    std::vector<std::pair<int, int>> stack{
        {doc.element(0).firstChild, fresh.element(0).firstChild}};
    EXPECT_EQ(doc.element(0).length, doc.text().size());
    while (!stack.empty()) {
        auto [a, b] = stack.back();
        stack.pop_back();
        if (!a || !b) {
            EXPECT_EQ(a == 0, b == 0);
            continue;
        }
        const auto& ea = doc.element(a);
        const auto& eb = fresh.element(b);
        EXPECT_EQ(ea.start, eb.start) << narrow(doc.elementName(a));
        EXPECT_EQ(ea.length, eb.length) << narrow(doc.elementName(a));
        EXPECT_EQ(ea.startTagLength, eb.startTagLength);
        EXPECT_EQ(ea.endTagLength, eb.endTagLength);
        EXPECT_EQ(ea.flags, eb.flags);
        stack.push_back({ea.next, eb.next});
        stack.push_back({ea.firstChild, eb.firstChild});
    }
}

struct ParseCase {
    const char* name;
    std::u16string text;
    std::string shape;
    std::vector<std::string> events;
    int flags = 0;
};

class ParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, BuildsTheIndexAndLogsTheProblems) {
    const ParseCase& c = GetParam();
    XmlDocument doc(c.flags);
    ASSERT_TRUE(doc.loadText(c.text));
    EXPECT_EQ(shape(doc), c.shape);
    EXPECT_EQ(events(doc.result()), c.events) << narrow(doc.result());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseTest,
    testing::Values(
        ParseCase{"WellFormed",
                  u"<?xml version=\"1.0\"?>\r\n<a>\r\n<b/>\r\n<c x=\"1\"></c>\r\n</a>\r\n",
                  "a(b/ c)",
                  {}},
        ParseCase{"UnendedInside", u"<a><b></a>", "a(b!)", {"unended_start_tag"}},
        ParseCase{"UnendedChildrenBecomeSiblings",
                  u"<a><b><c/><d></d></a>",
                  "a(b! c/ d)",
                  {"unended_start_tag"}},
        ParseCase{
            "AllOpenAtEndAreUnended",
            u"<a><b><c>",
            "a! b! c!",
            {"unended_start_tag", "unended_start_tag", "unended_start_tag", "root_has_sibling"}},
        ParseCase{"LoneEndTag", u"</x><a/>", "a/", {"lone_end_tag"}},
        ParseCase{"DigitRootIsNoElement",
                  u"<5M(X).Y>\r\n<B/>\r\n</5M(X).Y>\r\n",
                  "B/",
                  {"first_tag_syntax", "lone_end_tag"}},
        ParseCase{"SpaceAfterLtIsNoElement", u"< a/><b/>", "b/", {"first_tag_syntax"}},
        ParseCase{"RootHasSibling", u"<a/><b/>", "a/ b/", {"root_has_sibling"}},
        ParseCase{"Empty", u"", "", {"no_root_element"}},
        ParseCase{"OnlyText", u"just text", "", {"no_root_element"}},
        ParseCase{"QuotedGreaterThan", u"<a x='>' y=\">/\"/><b/>", "a/ b/", {"root_has_sibling"}},
        ParseCase{"NonAsciiName", u"<\u00e9t\u00e9/>", "#t#/", {}},
        ParseCase{"CaseMatters", u"<a></A>", "a!", {"lone_end_tag", "unended_start_tag"}},
        ParseCase{"IgnoreCase", u"<a></A>", "a", {}, XmlDocument::kIgnoreCase},
        ParseCase{"CommentsCdataPi", u"<?pi x?><!-- <no/> --><a><![CDATA[<no/>]]></a>", "a", {}},
        ParseCase{"BadComment", u"<!- x><a/>", "a/", {"comment_tag_syntax"}},
        ParseCase{"BadCdata", u"<![X y><a/>", "a/", {"cdata_section_syntax"}},
        ParseCase{"Doctype", u"<!DOCTYPE a [<!ENTITY e 'x>'> %p; <!-- ] -->]><a/>", "a/", {}},
        ParseCase{"BadDoctype", u"<!DOCTYPE a [ junk ]><a/>", "a/", {"doctype_tag_syntax"}},
        ParseCase{"Exclamation", u"<!X><a/>", "a/", {"exclamation_tag_syntax"}},
        ParseCase{"UnterminatedStartTag",
                  u"<a><b x=\"1>",
                  "a!",
                  {"unterminated_tag_syntax", "unended_start_tag"}},
        ParseCase{"UnterminatedEndTag",
                  u"<a></a",
                  "a!",
                  {"unterminated_tag_syntax", "unended_start_tag"}},
        ParseCase{"UnterminatedComment", u"<a/><!-- x", "a/", {"unterminated_tag_syntax"}},
        ParseCase{"UnterminatedPi", u"<a/><?x", "a/", {"unterminated_tag_syntax"}},
        ParseCase{"LoneLt", u"<a/><", "a/", {"unterminated_tag_syntax"}},
        ParseCase{"UnterminatedUnknown",
                  u"<a/><5 x",
                  "a/",
                  {"first_tag_syntax", "unterminated_tag_syntax"}}),
    [](const testing::TestParamInfo<ParseCase>& i) { return std::string(i.param.name); });

TEST(XmlDocumentTest, UnendedElementIsOnlyItsStartTag) {
    XmlDocument doc;
    doc.loadText(u"<a><b></a>");
    ASSERT_TRUE(doc.seekElement(u"a"));
    const auto& a = doc.element(doc.currentElement());
    EXPECT_EQ(a.length, 10u);
    EXPECT_EQ(a.endTagLength, 4u);
    ASSERT_TRUE(doc.descend());
    ASSERT_TRUE(doc.seekElement(u"b"));
    const auto& b = doc.element(doc.currentElement());
    EXPECT_EQ(b.length, 3u);
    EXPECT_EQ(b.length, b.startTagLength);
    EXPECT_TRUE(b.flags & XmlDocument::kUnended);
}

TEST(XmlDocumentTest, LogNamesTheKindOfAnUnterminatedNode) {
    XmlDocument doc;
    doc.loadText(u"<a/><!-- x");
    EXPECT_NE(doc.result().find(u"type=\"comment\""), std::u16string::npos);
    doc.loadText(u"</x><a/>");
    EXPECT_NE(doc.result().find(u"<lone_end_tag tagname=\"x\""), std::u16string::npos);
}

TEST(XmlDocumentTest, ResultLogStopsGrowingNearAThousandCharacters) {
    std::u16string text;
    for (int i = 0; i < 5000; ++i)
        text += u"</x>";
    XmlDocument doc;
    doc.loadText(text);
    EXPECT_GT(doc.result().size(), 900u);
    EXPECT_LT(doc.result().size(), 1100u);
}

TEST(XmlDocumentTest, HostileNestingAndLoneTagsParseWithoutRecursionOrRescans) {
    // Deep nesting, then a flood of end tags that match nothing open: both must stay
    // cheap (a quadratic parser would take minutes here).
    const int depth = 200000;
    std::u16string text;
    text.reserve(depth * 10);
    for (int i = 0; i < depth; ++i)
        text += i % 2 ? u"<x>" : u"<List>";
    for (int i = 0; i < depth; ++i)
        text += u"</y>";
    XmlDocument doc;
    doc.loadText(text);
    EXPECT_EQ(doc.elementCount(), std::size_t(depth) + 1);
    // Everything was flattened into the document level by the unended rule.
    int n = 0;
    for (int c = doc.element(0).firstChild; c; c = doc.element(c).next)
        ++n;
    EXPECT_EQ(n, depth);
}

TEST(XmlDocumentTest, LoadTextRefusesWhileAFileModeFlagIsSet) {
    XmlDocument doc(XmlDocument::kReadFile);
    EXPECT_FALSE(doc.loadText(u"<a/>"));
    EXPECT_EQ(doc.text(), u"");
    doc.setFlags(0);
    EXPECT_TRUE(doc.loadText(u"<a/>"));
}

// --- navigation --------------------------------------------------------------------------

TEST(XmlDocumentTest, SeekIsCaseSensitiveAndStaysOnItsLevel) {
    XmlDocument doc;
    doc.loadText(u"<r><b/><c><B/></c></r>");
    EXPECT_FALSE(doc.seekElement(u"b")); // only r is at the top
    ASSERT_TRUE(doc.seekElement(u"r"));
    ASSERT_TRUE(doc.descend());
    EXPECT_FALSE(doc.seekElement(u"B")); // "b" is not "B", and c's child is deeper
    EXPECT_EQ(doc.currentElement(), 0);  // a failed search moves nothing
    EXPECT_TRUE(doc.seekElement(u"b"));
    EXPECT_TRUE(doc.seekElement(u"c"));
    EXPECT_FALSE(doc.seekElement(u"b")); // searches continue after the current element
    EXPECT_EQ(doc.tagName(), u"c");
}

TEST(XmlDocumentTest, AscendThenSeekContinuesAfterTheElementLeft) {
    XmlDocument doc;
    doc.loadText(u"<r><A n=\"1\"><A n=\"inner\"/></A><A n=\"2\"/></r>");
    ASSERT_TRUE(doc.seekElement(u"r"));
    ASSERT_TRUE(doc.descend());
    ASSERT_TRUE(doc.seekElement(u"A"));
    EXPECT_EQ(doc.readAttribute(u"n"), u"1");
    ASSERT_TRUE(doc.descend());
    ASSERT_TRUE(doc.ascend());
    EXPECT_EQ(doc.readAttribute(u"n"), u"1");
    ASSERT_TRUE(doc.seekElement(u"A"));
    EXPECT_EQ(doc.readAttribute(u"n"), u"2");
}

TEST(XmlDocumentTest, DescendAndAscendNeedSomethingToEnterOrLeave) {
    XmlDocument doc;
    doc.loadText(u"<a><b/><c/></a>");
    EXPECT_FALSE(doc.descend()); // nothing current
    EXPECT_FALSE(doc.ascend());  // already at the document level
    ASSERT_TRUE(doc.seekElement(u"a"));
    ASSERT_TRUE(doc.descend());
    ASSERT_TRUE(doc.seekElement(u"b"));
    ASSERT_TRUE(doc.ascend());
    EXPECT_EQ(doc.childElement(), doc.element(doc.currentElement()).firstChild);
    // Entering again returns to the remembered child.
    ASSERT_TRUE(doc.descend());
    EXPECT_EQ(doc.tagName(), u"b");
    doc.rewind();
    EXPECT_EQ(doc.parentElement() + doc.currentElement() + doc.childElement(), 0);
}

// --- attributes --------------------------------------------------------------------------

TEST(XmlDocumentTest, AttributeTextsSurviveEscaping) {
    const std::u16string values[] = {
        u"<30 ms>",         u"Ctrl&Caps Exchange",
        u"say \"hi\" it's", u"\u4e2d\u6587 \U0001F600",
        u"&amp; literally", u"",
        u"  spaced  ",
    };
    for (const auto& v : values) {
        XmlDocument doc;
        doc.loadText(u"<x/>\r\n");
        ASSERT_TRUE(doc.seekElement(u"x"));
        ASSERT_TRUE(doc.writeAttribute(u"t1", v));
        EXPECT_EQ(doc.readAttribute(u"t1"), v) << narrow(v);
        XmlDocument again;
        again.loadText(doc.text());
        ASSERT_TRUE(again.seekElement(u"x"));
        EXPECT_EQ(again.readAttribute(u"t1"), v) << narrow(v);
    }
    XmlDocument doc;
    doc.loadText(u"<x/>");
    doc.seekElement(u"x");
    doc.writeAttribute(u"t1", u"<\"&'>");
    EXPECT_EQ(doc.text(), u"<x t1=\"&lt;&quot;&amp;&apos;&gt;\"/>");
}

TEST(XmlDocumentTest, UnescapeUndoesReferencesAndKeepsStrayAmpersands) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"&lt;&gt;&amp;&quot;&apos;", u"<>&\"'"},
        {u"&#65;&#x42;&#X43;", u"ABC"},
        {u"&#128512;", u"\U0001F600"},
        {u"&AMP;&Lt;", u"&<"},
        {u"&Agrave;&agrave;&AGRAVE;", u"\u00c0\u00e0\u00e0"},
        {u"&nbsp;&euro;&thetasym;", u"\u00a0\u20ac\u03d1"},
        {u"a & b", u"a & b"},
        {u"&lt", u"&lt"},
        {u"&bogus;", u"&bogus;"},
        {u"&abcdefghij;", u"&abcdefghij;"},
        {u"&#;&#x;&#0;&#xD800;&#x110000;&#99999999999;",
         u"&#;&#x;&#0;&#xD800;&#x110000;&#99999999999;"},
        {u"&&lt;", u"&<"},
        {u"&", u"&"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(XmlDocument::unescape(in), out) << narrow(in);
}

TEST(XmlDocumentTest, ReadAttributeTakesEveryQuotingStyle) {
    XmlDocument doc;
    doc.loadText(u"<a one = '1' two=\"2\" three=3 flag four=\"x>y\" t1=\"\" t=\"short\"/>");
    ASSERT_TRUE(doc.seekElement(u"a"));
    EXPECT_EQ(doc.readAttribute(u"one"), u"1");
    EXPECT_EQ(doc.readAttribute(u"two"), u"2");
    EXPECT_EQ(doc.readAttribute(u"three"), u"3");
    EXPECT_EQ(doc.readAttribute(u"four"), u"x>y");
    EXPECT_EQ(doc.readAttribute(u"flag"), u"");
    EXPECT_EQ(doc.readAttribute(u"t"), u"short"); // a whole name, not a prefix of t1
    EXPECT_EQ(doc.readAttribute(u"missing"), u"");
    // Quotes pair up the same way wherever they stand, as when the tag's end was found.
    doc.loadText(u"<a t1=pr\"x ID=1\" ID=\"5\"/>");
    ASSERT_TRUE(doc.seekElement(u"a"));
    EXPECT_EQ(doc.readAttribute(u"ID"), u"5");
    EXPECT_EQ(doc.readAttribute(u"t1"), u"pr\"x ID=1\"");
    // An unquoted value must follow "=" directly.
    doc.loadText(u"<a x= y=\"2\"/>");
    ASSERT_TRUE(doc.seekElement(u"a"));
    EXPECT_EQ(doc.readAttribute(u"x"), u"");
    EXPECT_EQ(doc.readAttribute(u"y"), u"2");
    ASSERT_TRUE(doc.writeAttribute(u"x", u"1"));
    EXPECT_EQ(doc.text(), u"<a x=\"1\" y=\"2\"/>");
    doc.rewind();
    EXPECT_EQ(doc.readAttribute(u"one"), u"");
    EXPECT_FALSE(doc.writeAttribute(u"one", u"x"));
}

TEST(XmlDocumentTest, WriteAttributeReplacesInPlaceAndKeepsTheIndexRight) {
    XmlDocument doc;
    doc.loadText(u"<r>\r\n<a v='1' w=\"2\"><k/></a>\r\n<b v=\"2\"/>\r\n</r>\r\n");
    ASSERT_TRUE(doc.seekElement(u"r"));
    ASSERT_TRUE(doc.descend());
    ASSERT_TRUE(doc.seekElement(u"a"));
    ASSERT_TRUE(doc.writeAttribute(u"v", u"a much longer value"));
    ASSERT_TRUE(doc.writeAttribute(u"w", u""));
    ASSERT_TRUE(doc.writeAttribute(u"new", 42));
    EXPECT_EQ(doc.text(), u"<r>\r\n<a v=\"a much longer value\" w=\"\" new=\"42\"><k/></a>\r\n"
                          u"<b v=\"2\"/>\r\n</r>\r\n");
    expectSameIndexAsReparse(doc);
    ASSERT_TRUE(doc.seekElement(u"b"));
    EXPECT_EQ(doc.readAttribute(u"v"), u"2");
    ASSERT_TRUE(doc.writeAttribute(u"v", u"3"));
    expectSameIndexAsReparse(doc);
}

// --- appending ---------------------------------------------------------------------------

TEST(XmlDocumentTest, AppendingWritesOneElementPerLineWithoutIndentation) {
    // One key of a profile, built the way the profile writer builds it.
    XmlDocument doc;
    doc.loadText(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    auto list = [&] {
        doc.appendElement(u"List");
        for (auto [n, v] : {std::pair{u"SizeOfView", 6},
                            {u"ViewStartAt", 0},
                            {u"CursorPos", 0},
                            {u"Cycles", 1},
                            {u"IsAutoInterval", 0},
                            {u"Delay", 30},
                            {u"PlayMode", 0}})
            doc.writeAttribute(n, v);
    };
    ASSERT_TRUE(doc.appendElement(u"KEY"));
    doc.writeAttribute(u"ID", 5);
    doc.writeAttribute(u"Level", 0);
    doc.writeAttribute(u"Mode", 2);
    doc.writeAttribute(u"HWCode", 5);
    doc.descend();
    doc.appendElement(u"ComboKey");
    doc.descend();
    list();
    doc.descend();
    for (int i = 0; i < 2; ++i) {
        doc.appendElement(u"x");
        doc.writeAttribute(u"ID", i);
        doc.writeAttribute(u"t1", i ? u"C" : u"LCTRL");
        doc.descend();
        list();
        doc.ascend();
    }
    doc.ascend();
    doc.ascend();
    doc.ascend();
    const std::u16string attrs =
        u"SizeOfView=\"6\" ViewStartAt=\"0\" CursorPos=\"0\" Cycles=\"1\" IsAutoInterval=\"0\" "
        u"Delay=\"30\" PlayMode=\"0\"";
    EXPECT_EQ(doc.text(), u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                          u"<KEY ID=\"5\" Level=\"0\" Mode=\"2\" HWCode=\"5\">\r\n"
                          u"<ComboKey>\r\n"
                          u"<List " +
                              attrs +
                              u">\r\n"
                              u"<x ID=\"0\" t1=\"LCTRL\">\r\n"
                              u"<List " +
                              attrs +
                              u"/>\r\n"
                              u"</x>\r\n"
                              u"<x ID=\"1\" t1=\"C\">\r\n"
                              u"<List " +
                              attrs +
                              u"/>\r\n"
                              u"</x>\r\n"
                              u"</List>\r\n"
                              u"</ComboKey>\r\n"
                              u"</KEY>\r\n");
    expectSameIndexAsReparse(doc);
}

TEST(XmlDocumentTest, AppendingInsideAParsedDocumentKeepsTheIndexRight) {
    XmlDocument doc;
    doc.loadText(u"<r>\r\n<a/>\r\n<c><d/></c>\r\n</r>\r\n<s/>\r\n");
    ASSERT_TRUE(doc.seekElement(u"r"));
    ASSERT_TRUE(doc.descend());
    ASSERT_TRUE(doc.seekElement(u"a"));
    ASSERT_TRUE(doc.appendElement(u"b")); // between a and c
    ASSERT_TRUE(doc.writeAttribute(u"k", u"v"));
    expectSameIndexAsReparse(doc);
    ASSERT_TRUE(doc.seekElement(u"c"));
    ASSERT_TRUE(doc.descend());
    ASSERT_TRUE(doc.appendElement(u"e")); // at the end of c's content, after d
    expectSameIndexAsReparse(doc);
    ASSERT_TRUE(doc.ascend());
    ASSERT_TRUE(doc.ascend());
    ASSERT_TRUE(doc.seekElement(u"s"));
    ASSERT_TRUE(doc.descend());
    ASSERT_TRUE(doc.appendElement(u"t")); // splits the empty s
    EXPECT_EQ(doc.text(), u"<r>\r\n<a/>\r\n<b k=\"v\"/>\r\n<c><d/><e/>\r\n</c>\r\n</r>\r\n"
                          u"<s>\r\n<t/>\r\n</s>\r\n");
    expectSameIndexAsReparse(doc);
    doc.rewind();
    ASSERT_TRUE(doc.appendElement(u"u")); // document level: the end of the text
    EXPECT_EQ(doc.text().substr(doc.text().size() - 6), u"<u/>\r\n");
    expectSameIndexAsReparse(doc);
}

} // namespace
