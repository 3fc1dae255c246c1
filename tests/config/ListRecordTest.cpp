#include "app/config/ListRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ListRecord listOf(int items, int sizeOfView, int viewStartAt = 0, int cursorPos = 0) {
    ListRecord list;
    list.SizeOfView = sizeOfView;
    for (int i = 0; i < items; ++i) {
        list.items.push_back(u"item" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)));
        ListRecord child;
        child.SizeOfView = sizeOfView;
        list.children.push_back(child);
    }
    list.ViewStartAt = viewStartAt;
    list.CursorPos = cursorPos;
    return list;
}

void expectConsistent(const ListRecord& list) {
    EXPECT_EQ(list.items.size(), list.children.size());
}

} // namespace

TEST(ListRecord, ConstructionAndClear) {
    ListRecord list;
    EXPECT_EQ(list.SizeOfView, 0);
    EXPECT_EQ(list.Cycles, 1);
    EXPECT_EQ(list.Delay, 30);
    EXPECT_FALSE(list.IsAutoInterval);

    list = listOf(5, 9, 2, 1);
    list.Cycles = 7;
    list.IsAutoInterval = true;
    list.Delay = 500;
    list.PlayMode = 2;
    list.clear();
    EXPECT_EQ(list.SizeOfView, 9); // kept
    EXPECT_EQ(list.ViewStartAt, 0);
    EXPECT_EQ(list.CursorPos, 0);
    EXPECT_TRUE(list.items.empty());
    EXPECT_TRUE(list.children.empty());
    EXPECT_EQ(list.Cycles, 1);
    EXPECT_FALSE(list.IsAutoInterval);
    EXPECT_EQ(list.Delay, 30);
    EXPECT_EQ(list.PlayMode, 0);
}

TEST(ListRecord, CopyFromIsDeepAndSurvivesAliasing) {
    ListRecord source = listOf(3, 6, 1, 1);
    source.children[1].items.push_back(u"nested");
    source.children[1].children.emplace_back();
    source.Delay = 77;

    ListRecord copy = listOf(10, 9);
    copy.copyFrom(source);
    EXPECT_EQ(copy.SizeOfView, 6);
    EXPECT_EQ(copy.ViewStartAt, 1);
    EXPECT_EQ(copy.Delay, 77);
    ASSERT_EQ(copy.children.size(), 3u);
    EXPECT_EQ(copy.children[1].items, std::vector<std::u16string>{u"nested"});
    source.children[1].items[0] = u"changed";
    EXPECT_EQ(copy.children[1].items[0], u"nested");

    // Copying from oneself or from one's own child must not read freed memory.
    copy.copyFrom(copy);
    EXPECT_EQ(copy.items.size(), 3u);
    copy.copyFrom(copy.children[1]);
    EXPECT_EQ(copy.items, std::vector<std::u16string>{u"nested"});
    expectConsistent(copy);
}

TEST(ListRecord, RowAccessRelativeToView) {
    ListRecord list = listOf(4, 6, 2);
    list.children[3].Delay = 99;
    EXPECT_EQ(list.itemAtRow(0), list.items[2]);
    EXPECT_EQ(list.itemAtRow(1), list.items[3]);
    EXPECT_EQ(list.itemAtRow(2), u"");
    EXPECT_EQ(list.itemAtRow(-3), u"");
    EXPECT_EQ(list.itemAtRow(2147483647), u""); // row + ViewStartAt beyond int

    EXPECT_EQ(list.childAtRow(1).Delay, 99);
    const ListRecord outside = list.childAtRow(5);
    EXPECT_EQ(outside.SizeOfView, 6);
    EXPECT_TRUE(outside.items.empty());

    ListRecord replacement;
    replacement.Delay = 5;
    list.setChildAtRow(0, replacement);
    EXPECT_EQ(list.children[2].Delay, 5);
    list.setChildAtRow(2, replacement); // index 4: outside, nothing
    list.setChildAtRow(-5, replacement);
    EXPECT_EQ(list.children.size(), 4u);
    list.setChildAtRow(0, list); // a list as its own child's new content
    EXPECT_EQ(list.children[2].items.size(), 4u);
}

struct SelectCase {
    int count, sizeOfView, viewStartAt, cursorPos, index;
    int wantViewStartAt, wantCursorPos;
};

class ListRecordSelect : public ::testing::TestWithParam<SelectCase> {};

TEST_P(ListRecordSelect, Moves) {
    const SelectCase& c = GetParam();
    ListRecord list = listOf(c.count, c.sizeOfView, c.viewStartAt, c.cursorPos);
    list.selectIndex(c.index);
    EXPECT_EQ(list.ViewStartAt, c.wantViewStartAt);
    EXPECT_EQ(list.CursorPos, c.wantCursorPos);
}

INSTANTIATE_TEST_SUITE_P(Cases, ListRecordSelect,
                         ::testing::Values(SelectCase{20, 9, 5, 0, 12, 5, 7},  // visible
                                           SelectCase{20, 9, 5, 0, 30, 19, 0}, // clamped
                                           SelectCase{20, 9, 5, 3, 4, 4, 0},   // above view
                                           SelectCase{20, 9, 5, 3, 13, 5, 8},  // last row
                                           SelectCase{20, 9, 5, 3, 14, 14, 0}, // below view
                                           SelectCase{20, 9, 5, 3, -4, 0, 0},  // clamped
                                           SelectCase{0, 9, 3, 2, 5, 0, 0}));  // empty list

struct AppendCase {
    int count, sizeOfView, viewStartAt;
    int wantViewStartAt, wantCursorPos;
};

class ListRecordAppend : public ::testing::TestWithParam<AppendCase> {};

TEST_P(ListRecordAppend, ScrollsToEnd) {
    const AppendCase& c = GetParam();
    for (int variant = 0; variant < 3; ++variant) {
        ListRecord list = listOf(c.count, c.sizeOfView, c.viewStartAt);
        if (variant == 0) {
            list.setOrAppend(20000, u"new");
        } else if (variant == 1) {
            list.insertAt(200000, u"new");
        } else {
            list.setOrAppend(c.count - c.viewStartAt, u"new"); // first row past the end
        }
        ASSERT_EQ(list.items.size(), static_cast<std::size_t>(c.count + 1));
        EXPECT_EQ(list.items.back(), u"new");
        EXPECT_EQ(list.children.back().SizeOfView, c.sizeOfView);
        EXPECT_TRUE(list.children.back().items.empty());
        EXPECT_EQ(list.ViewStartAt, c.wantViewStartAt) << variant;
        EXPECT_EQ(list.CursorPos, c.wantCursorPos) << variant;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ListRecordAppend,
                         ::testing::Values(AppendCase{9, 9, 0, 1, 8},    // 10th item
                                           AppendCase{2, 9, 0, 0, 2},    // 3rd item
                                           AppendCase{0, 6, 0, 0, 0},    // first item
                                           AppendCase{8, 9, 0, 0, 8},    // fills the view
                                           AppendCase{15, 6, 4, 10, 5},  // view scrolled
                                           AppendCase{3, 0, 0, 4, -1})); // no view size yet

TEST(ListRecord, ReplaceAndInsertInsideList) {
    ListRecord list = listOf(3, 6, 1, 1);
    list.children[1].Delay = 42;
    list.setOrAppend(0, u"replaced");
    EXPECT_EQ(list.items[1], u"replaced");
    EXPECT_EQ(list.children[1].Delay, 42); // child untouched
    EXPECT_EQ(list.items.size(), 3u);

    list.insertAt(0, u"inserted");
    ASSERT_EQ(list.items.size(), 4u);
    EXPECT_EQ(list.items[1], u"inserted");
    EXPECT_EQ(list.children[1].SizeOfView, 6);
    EXPECT_EQ(list.children[2].Delay, 42);
    EXPECT_EQ(list.ViewStartAt, 1);
    EXPECT_EQ(list.CursorPos, 1);
    expectConsistent(list);

    // A position before the list (a view field read from a file) appends, never writes
    // before the start.
    list.ViewStartAt = -10;
    list.setOrAppend(0, u"tail");
    EXPECT_EQ(list.items.back(), u"tail");
    expectConsistent(list);
}

struct RemoveCase {
    int count, sizeOfView, viewStartAt, cursorPos, row;
    int removedIndex; // -1: nothing removed
    int wantViewStartAt, wantCursorPos;
};

class ListRecordRemove : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(ListRecordRemove, KeepsViewInside) {
    const RemoveCase& c = GetParam();
    ListRecord list = listOf(c.count, c.sizeOfView, c.viewStartAt, c.cursorPos);
    std::vector<std::u16string> expected = list.items;
    if (c.removedIndex >= 0) {
        expected.erase(expected.begin() + c.removedIndex);
    }
    list.removeAt(c.row);
    EXPECT_EQ(list.items, expected);
    EXPECT_EQ(list.ViewStartAt, c.wantViewStartAt);
    EXPECT_EQ(list.CursorPos, c.wantCursorPos);
    expectConsistent(list);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListRecordRemove,
    ::testing::Values(RemoveCase{1, 9, 0, 0, 0, 0, 0, 0},     // last remaining item
                      RemoveCase{0, 9, 0, 0, 0, -1, 0, 0},    // empty list
                      RemoveCase{5, 9, 0, 2, 2, 2, 0, 2},     // middle
                      RemoveCase{5, 9, 0, 4, 4, 4, 0, 3},     // cursor on the removed last
                      RemoveCase{5, 9, 0, 1, 99, 4, 0, 1},    // row past end: last item
                      RemoveCase{5, 9, 4, 0, 0, 4, 3, 0},     // view start past new end
                      RemoveCase{10, 9, 1, 8, 8, 9, 1, 7},    // cursor follows the end
                      RemoveCase{5, 9, 0, 0, -1, -1, 0, 0})); // before the list: nothing

TEST(ListRecord, IndexOfAndSameDefinition) {
    ListRecord a = listOf(0, 6);
    a.items = {u"LCTRL", u"C", u"C"};
    a.children.resize(3);
    EXPECT_EQ(a.indexOf(u"C"), 1);
    EXPECT_EQ(a.indexOf(u"c"), -1);
    EXPECT_EQ(a.indexOf(u""), -1);

    ListRecord b;
    b.copyFrom(a);
    b.SizeOfView = 9;
    b.ViewStartAt = 2;
    b.CursorPos = 1;
    b.children[0].items.push_back(u"differs");
    EXPECT_TRUE(a.sameDefinition(b)); // view fields and children do not count

    const auto differs = [&](auto change) {
        ListRecord c;
        c.copyFrom(a);
        change(c);
        return !a.sameDefinition(c);
    };
    EXPECT_TRUE(differs([](ListRecord& c) { c.Cycles = 2; }));
    EXPECT_TRUE(differs([](ListRecord& c) { c.IsAutoInterval = true; }));
    EXPECT_TRUE(differs([](ListRecord& c) { c.Delay = 31; }));
    EXPECT_TRUE(differs([](ListRecord& c) { c.PlayMode = 1; }));
    EXPECT_TRUE(differs([](ListRecord& c) { c.items[2] = u"c"; }));
    EXPECT_TRUE(differs([](ListRecord& c) { c.items.pop_back(); }));
}

TEST(ListRecord, AddOrSelectInLibrary) {
    ListRecord library;
    library.SizeOfView = 9;
    ListRecord first;
    first.items = {u"A Down", u"<30 ms>", u"A UP"};
    first.children.resize(3);
    ListRecord second = first;
    second.Cycles = 4;

    library.addOrSelect(first);
    library.addOrSelect(second);
    ASSERT_EQ(library.items.size(), 2u);
    EXPECT_EQ(library.items[0], u"default");
    EXPECT_EQ(library.items[1], u"default");
    EXPECT_TRUE(library.children[1].sameDefinition(second));
    EXPECT_EQ(library.CursorPos, 1);

    ListRecord again = first;
    again.ViewStartAt = 2; // not part of the definition
    library.addOrSelect(again);
    EXPECT_EQ(library.items.size(), 2u);
    EXPECT_EQ(library.ViewStartAt + library.CursorPos, 0);

    // Adding a library's own entry again selects it.
    library.addOrSelect(library.children[1]);
    EXPECT_EQ(library.items.size(), 2u);
    EXPECT_EQ(library.ViewStartAt + library.CursorPos, 1);
}
