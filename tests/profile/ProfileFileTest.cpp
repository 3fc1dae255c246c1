// Profile files: the exact bytes written, what a load restores, and what damaged or hostile
// files cannot do to the store.

#include "app/profile/ProfileFile.h"
#include "app/config/ConfigStore.h"
#include "app/profile/xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

std::string readBytes(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void writeBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary);
    f << bytes;
}

ListRecord list(int sizeOfView,
                std::initializer_list<std::pair<std::u16string, ListRecord>> items = {}) {
    ListRecord l;
    l.SizeOfView = sizeOfView;
    l.clear();
    for (const auto& [text, child] : items) {
        l.items.push_back(text);
        l.children.push_back(child);
    }
    return l;
}

// Every key unassigned with an empty list of view size 6, no colours, empty libraries.
std::unique_ptr<ConfigStore> blankStore() {
    auto s = std::make_unique<ConfigStore>();
    s->deviceType = 0;
    s->comboLibrary = list(6);
    s->macroLibrary = list(9);
    s->emulationLibrary = list(9);
    for (int k = 0; k <= 108; ++k)
        for (int l = 0; l < 2; ++l)
            s->keyLists[k][l] = list(6);
    return s;
}

// The store behind tests/profile/data/small.pro.
std::unique_ptr<ConfigStore> smallStore() {
    auto s = blankStore();
    s->comboLibrary = list(6, {{u"Copy", list(6, {{u"LCTRL", list(6)}, {u"C", list(6)}})}});
    ListRecord macro = list(9, {{u"A Down", list(9)}, {u"<30 ms>", list(9)}, {u"A UP", list(9)}});
    macro.Cycles = 2;
    macro.IsAutoInterval = true;
    s->macroLibrary = list(9, {{u"M&1", macro}});
    s->lightTable[1][0] = 255;
    s->lightTable[108][1] = 128;
    s->lightTable[108][2] = 255;
    s->keyMode[5][0] = 2;
    s->keyHwCode[5][0] = 5;
    s->keyLists[5][0] = list(6, {{u"LCTRL", list(6)}, {u"C", list(6)}});
    s->keyMode[10][1] = 1;
    s->keyHwCode[10][1] = 0x4C;
    return s;
}

void expectSameList(const ListRecord& a, const ListRecord& b, const std::string& where) {
    EXPECT_EQ(a.SizeOfView, b.SizeOfView) << where;
    EXPECT_EQ(a.ViewStartAt, b.ViewStartAt) << where;
    EXPECT_EQ(a.CursorPos, b.CursorPos) << where;
    EXPECT_EQ(a.Cycles, b.Cycles) << where;
    EXPECT_EQ(a.IsAutoInterval, b.IsAutoInterval) << where;
    EXPECT_EQ(a.Delay, b.Delay) << where;
    EXPECT_EQ(a.PlayMode, b.PlayMode) << where;
    ASSERT_EQ(a.items, b.items) << where;
    ASSERT_EQ(a.children.size(), b.children.size()) << where;
    for (std::size_t i = 0; i < a.children.size(); ++i)
        expectSameList(a.children[i], b.children[i], where + "/" + std::to_string(i));
}

void expectSameProfile(const ConfigStore& a, const ConfigStore& b) {
    expectSameList(a.comboLibrary, b.comboLibrary, "combo");
    expectSameList(a.macroLibrary, b.macroLibrary, "macro");
    expectSameList(a.emulationLibrary, b.emulationLibrary, "emulation");
    for (int k = 1; k <= 108; ++k) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(a.lightTable[k][c], b.lightTable[k][c]) << "key " << k;
        for (int l = 0; l < 2; ++l) {
            std::string where = "key " + std::to_string(k) + " layer " + std::to_string(l);
            EXPECT_EQ(a.keyMode[k][l], b.keyMode[k][l]) << where;
            EXPECT_EQ(a.keyHwCode[k][l], b.keyHwCode[k][l]) << where;
            expectSameList(a.keyLists[k][l], b.keyLists[k][l], where);
        }
    }
}

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
const std::string kListAttrs =
    " SizeOfView=\"6\" ViewStartAt=\"0\" CursorPos=\"0\" Cycles=\"1\" IsAutoInterval=\"0\" "
    "Delay=\"30\" PlayMode=\"0\"";

TEST(ProfileFileTest, SavedFileMatchesTheHandCheckedFixtureByteForByte) {
    TempDir dir;
    auto store = smallStore();
    fs::path file = dir.path() / "small.pro";
    ASSERT_TRUE(store->saveProfile(file));
    std::string saved = readBytes(file);
    std::string fixture = readBytes(fs::path(QORVANT_PROFILE_TEST_DATA) / "small.pro");
    ASSERT_FALSE(fixture.empty());
    EXPECT_EQ(saved, fixture);

    // The one-key example: twelve lines, each ended by CR LF, no indentation.
    const std::string key5 = "<KEY ID=\"5\" Level=\"0\" Mode=\"2\" HWCode=\"5\">\r\n"
                             "<ComboKey>\r\n"
                             "<List" +
                             kListAttrs +
                             ">\r\n"
                             "<x ID=\"0\" t1=\"LCTRL\">\r\n"
                             "<List" +
                             kListAttrs +
                             "/>\r\n"
                             "</x>\r\n"
                             "<x ID=\"1\" t1=\"C\">\r\n"
                             "<List" +
                             kListAttrs +
                             "/>\r\n"
                             "</x>\r\n"
                             "</List>\r\n"
                             "</ComboKey>\r\n"
                             "</KEY>\r\n";
    EXPECT_NE(saved.find(key5), std::string::npos);
    EXPECT_EQ(saved.rfind(kDecl + "<537RM(XRGB)ZQ.BLe>\r\n<PredefinedCombo>\r\n", 0), 0u);
    EXPECT_EQ(saved.substr(saved.size() - 42), "</CurrentSettings>\r\n</537RM(XRGB)ZQ.BLe>\r\n");
}

TEST(ProfileFileTest, SaveThenLoadRestoresEverything) {
    TempDir dir;
    auto saved = blankStore();
    saved->deviceType = 2;
    // Three levels, texts that need escaping, and every view and playback field set.
    ListRecord events = list(9, {{u"LSHIFT Down", list(9)},
                                 {u"<250 ms>", list(9)},
                                 {u"\u4e2d\u6587 \"q\" 'a' & <b>", list(9)}});
    events.ViewStartAt = 1;
    events.CursorPos = 2;
    events.Cycles = -3;
    events.IsAutoInterval = true;
    events.Delay = 1234;
    events.PlayMode = 2;
    saved->macroLibrary = list(9, {{u"first", events}, {u"Ctrl&Caps Exchange", list(9)}});
    saved->macroLibrary.ViewStartAt = 1;
    saved->comboLibrary = list(6, {{u"default", list(6, {{u"LCTRL", list(6)}})}});
    saved->emulationLibrary = list(9, {{u"e", list(9, {{u"A", list(9)}})}});
    saved->emulationLibrary.children[0].Delay = 500;
    for (int k = 1; k <= 108; ++k) {
        saved->lightTable[k][0] = k;
        saved->lightTable[k][1] = 255 - k;
        saved->lightTable[k][2] = (k * 7) % 256;
        for (int l = 0; l < 2; ++l) {
            saved->keyMode[k][l] = (k + l) % 9;
            saved->keyHwCode[k][l] = k * 2 + l;
            ListRecord& kl = saved->keyLists[k][l];
            kl = list(k % 2 ? 6 : 9);
            for (int i = 0; i < (k + l) % 4; ++i)
                kl.items.push_back(u"item " + std::u16string(1, char16_t(u'a' + i))),
                    kl.children.push_back(list(kl.SizeOfView));
            kl.CursorPos = k % 3;
        }
    }
    fs::path file = dir.path() / "p.pro";
    ASSERT_TRUE(saved->saveProfile(file));

    auto loaded = std::make_unique<ConfigStore>();
    loaded->deviceType = 4; // another model: loads all the same
    loaded->resetToDefaults();
    loaded->pressCounts[3] = 77;
    loaded->mostPressedKey = 3;
    loaded->leastPressedKey = 3;
    loaded->currentKey = 9;
    ASSERT_TRUE(loaded->loadProfile(file));
    expectSameProfile(*saved, *loaded);
    for (int k = 0; k <= 108; ++k)
        EXPECT_LT(loaded->pressCounts[k], 0);
    EXPECT_EQ(loaded->mostPressedKey, -1);
    EXPECT_EQ(loaded->leastPressedKey, -1);
    EXPECT_EQ(loaded->deviceType, 4);
    EXPECT_EQ(loaded->currentKey, 9);
    EXPECT_EQ(loaded->configNotWritten, 0);
}

TEST(ProfileFileTest, LargeMacrosRoundTrip) {
    TempDir dir;
    auto saved = blankStore();
    for (int k = 1; k <= 108; k += 17) {
        ListRecord& m = saved->keyLists[k][1];
        m.SizeOfView = 9;
        for (int i = 0; i < 1600; ++i) {
            m.items.push_back(i % 2 ? u"<30 ms>" : u"A Down");
            m.children.push_back(list(9));
        }
        saved->keyMode[k][1] = 3;
    }
    fs::path file = dir.path() / "big.pro";
    ASSERT_TRUE(saved->saveProfile(file));
    auto loaded = blankStore();
    ASSERT_TRUE(loaded->loadProfile(file));
    expectSameProfile(*saved, *loaded);
}

// --- hand-written files ------------------------------------------------------------------

std::string key(int id, int level, int mode, int code, const std::string& list) {
    return "<KEY ID=\"" + std::to_string(id) + "\" Level=\"" + std::to_string(level) +
           "\" Mode=\"" + std::to_string(mode) + "\" HWCode=\"" + std::to_string(code) +
           "\">\r\n<ComboKey>\r\n" + list + "</ComboKey>\r\n</KEY>\r\n";
}

std::string emptyList(int sov = 6) {
    return "<List SizeOfView=\"" + std::to_string(sov) +
           "\" ViewStartAt=\"0\" CursorPos=\"0\" Cycles=\"1\" IsAutoInterval=\"0\" Delay=\"30\" "
           "PlayMode=\"0\"/>\r\n";
}

std::string file(const std::string& sections, const std::string& root = "537RM(S)ZQ") {
    return kDecl + "<" + root + ">\r\n" + sections + "</" + root + ">\r\n";
}

std::string settings(const std::string& keys) {
    return "<CurrentSettings>\r\n" + keys + "</CurrentSettings>\r\n";
}

class LoadTest : public testing::Test {
protected:
    bool load(const std::string& bytes) {
        writeBytes(dir.path() / "t.pro", bytes);
        return store->loadProfile(dir.path() / "t.pro");
    }
    TempDir dir;
    std::unique_ptr<ConfigStore> store = smallStore();
};

TEST_F(LoadTest, ItemIdsWithAGapFillTheGapWithEmptyItems) {
    ASSERT_TRUE(load(file(settings(key(7, 0, 3, 0,
                                       "<List SizeOfView=\"9\">\r\n"
                                       "<x ID=\"0\" t1=\"a\">" +
                                           emptyList() +
                                           "</x>\r\n"
                                           "<x ID=\"2\" t1=\"c\">" +
                                           emptyList() +
                                           "</x>\r\n"
                                           "</List>\r\n")))));
    const ListRecord& l = store->keyLists[7][0];
    ASSERT_EQ(l.items, (std::vector<std::u16string>{u"a", u"", u"c"}));
    ASSERT_EQ(l.children.size(), 3u);
    EXPECT_TRUE(l.children[1].items.empty());
    EXPECT_EQ(l.children[1].SizeOfView, 9);
    EXPECT_EQ(l.children[1].Delay, 30);
    EXPECT_EQ(l.SizeOfView, 9);
    EXPECT_EQ(l.Cycles, 0); // attributes the file leaves out read as 0
}

TEST_F(LoadTest, AttributeValuesAreReadAsLenientIntegers) {
    ASSERT_TRUE(load(file(settings(
        key(7, 1, 4, 0,
            "<List SizeOfView=\" 9\" ViewStartAt=\"+2x\" CursorPos=\"abc\" Cycles=\"-4\" "
            "IsAutoInterval=\"5\" Delay=\"99999999999\" PlayMode=\"-99999999999\"/>\r\n")))));
    const ListRecord& l = store->keyLists[7][1];
    EXPECT_EQ(l.SizeOfView, 9);
    EXPECT_EQ(l.ViewStartAt, 2);
    EXPECT_EQ(l.CursorPos, 0);
    EXPECT_EQ(l.Cycles, -4);
    EXPECT_TRUE(l.IsAutoInterval);
    EXPECT_EQ(l.Delay, INT_MAX);
    EXPECT_EQ(l.PlayMode, INT_MIN);
    EXPECT_TRUE(l.items.empty());
    EXPECT_EQ(store->keyMode[7][1], 4);
}

TEST_F(LoadTest, TheLaterOfTwoEqualKeysWins) {
    ASSERT_TRUE(
        load(file(settings(key(3, 1, 5, 0x70, emptyList()) + key(3, 1, 6, 0x7E, emptyList())))));
    EXPECT_EQ(store->keyMode[3][1], 6);
    EXPECT_EQ(store->keyHwCode[3][1], 0x7E);
}

TEST_F(LoadTest, KeysAndColoursOutsideTheTablesAreIgnored) {
    auto before = smallStore();
    ASSERT_TRUE(load(file("<BackgroundLightSettings>\r\n"
                          "<AREA ID=\"109\" Red=\"1\" Green=\"1\" Blue=\"1\"/>\r\n"
                          "<AREA ID=\"-1\" Red=\"1\" Green=\"1\" Blue=\"1\"/>\r\n"
                          "<AREA ID=\"99999999999\" Red=\"1\" Green=\"1\" Blue=\"1\"/>\r\n"
                          "<AREA ID=\"2\" Red=\"9\" Green=\"8\" Blue=\"7\"/>\r\n"
                          "</BackgroundLightSettings>\r\n" +
                          settings(key(109, 0, 1, 1, emptyList()) + key(-5, 0, 1, 1, emptyList()) +
                                   key(1, 2, 1, 1, emptyList()) + key(1, -1, 1, 1, emptyList()) +
                                   key(2, 1, 7, 0x9C, emptyList())))));
    EXPECT_EQ(store->lightTable[2][0], 9);
    EXPECT_EQ(store->lightTable[2][2], 7);
    EXPECT_EQ(store->keyMode[2][1], 7);
    // Everything else is as it was.
    EXPECT_EQ(store->lightTable[1][0], 255);
    EXPECT_EQ(store->keyMode[1][0], 0);
    EXPECT_EQ(store->keyMode[1][1], 0);
    expectSameList(store->keyLists[5][0], before->keyLists[5][0], "key 5");
}

TEST_F(LoadTest, KeysAndColoursTheFileLeavesOutKeepTheirValues) {
    ASSERT_TRUE(load(file(settings(key(20, 0, 1, 0x2B, emptyList())))));
    EXPECT_EQ(store->keyMode[20][0], 1);
    EXPECT_EQ(store->keyHwCode[20][0], 0x2B);
    EXPECT_EQ(store->keyMode[5][0], 2);
    EXPECT_EQ(store->keyLists[5][0].items.size(), 2u);
    EXPECT_EQ(store->lightTable[108][2], 255);
    // Libraries are part of every profile: missing ones are empty afterwards.
    EXPECT_TRUE(store->comboLibrary.items.empty());
    EXPECT_EQ(store->comboLibrary.SizeOfView, 6);
    EXPECT_EQ(store->macroLibrary.SizeOfView, 9);
}

TEST_F(LoadTest, AListWithoutItemsKeepsTheAttributesOfTheFile) {
    ASSERT_TRUE(load(file("<PredefinedCombo>\r\n<List SizeOfView=\"4\" ViewStartAt=\"1\" "
                          "CursorPos=\"2\" Cycles=\"3\" IsAutoInterval=\"1\" Delay=\"5\" "
                          "PlayMode=\"1\">\r\n</List>\r\n</PredefinedCombo>\r\n")));
    const ListRecord& l = store->comboLibrary;
    EXPECT_TRUE(l.items.empty());
    EXPECT_EQ(l.SizeOfView, 4);
    EXPECT_EQ(l.ViewStartAt, 1);
    EXPECT_EQ(l.CursorPos, 2);
    EXPECT_EQ(l.Cycles, 3);
    EXPECT_TRUE(l.IsAutoInterval);
    EXPECT_EQ(l.Delay, 5);
    EXPECT_EQ(l.PlayMode, 1);
}

TEST_F(LoadTest, AKeyWithoutComboKeyDoesNotStopTheKeysAfterIt) {
    ASSERT_TRUE(load(file(settings("<KEY ID=\"4\" Level=\"0\" Mode=\"1\" HWCode=\"4\"/>\r\n" +
                                   key(6, 0, 1, 6, emptyList())))));
    EXPECT_EQ(store->keyMode[4][0], 1);
    EXPECT_TRUE(store->keyLists[4][0].items.empty());
    EXPECT_EQ(store->keyHwCode[6][0], 6);
}

TEST_F(LoadTest, FilesWithoutProfileDataChangeNothing) {
    auto before = smallStore();
    const std::string cases[] = {
        "",
        "not xml at all \x01\x02\xff",
        kDecl,
        // A root with a valid name is an element, and the sections are inside it.
        file(settings(key(5, 0, 1, 1, emptyList())), "Profile"),
        file("<Other/>\r\n"),
    };
    for (const auto& bytes : cases) {
        store->pressCounts[1] = 5;
        EXPECT_FALSE(load(bytes));
        expectSameProfile(*before, *store);
        EXPECT_EQ(store->pressCounts[1], 5);
    }
    EXPECT_FALSE(store->loadProfile(dir.path() / "missing.pro"));
    EXPECT_FALSE(store->loadProfile(dir.path()));
    expectSameProfile(*before, *store);
}

TEST_F(LoadTest, HugeItemIdsAreIgnoredInsteadOfAllocated) {
    ASSERT_TRUE(load(file(settings(key(8, 0, 3, 0,
                                       "<List SizeOfView=\"9\">\r\n"
                                       "<x ID=\"2147483647\" t1=\"huge\"/>\r\n"
                                       "<x ID=\"99999999999999\" t1=\"huger\"/>\r\n"
                                       "<x ID=\"-1\" t1=\"negative\"/>\r\n"
                                       "<x ID=\"1\" t1=\"b\"/>\r\n"
                                       "<x ID=\"1000\" t1=\"far\"/>\r\n"
                                       "</List>\r\n")))));
    const ListRecord& l = store->keyLists[8][0];
    ASSERT_EQ(l.items.size(), 1001u); // a moderate gap is still honoured
    EXPECT_EQ(l.items[1], u"b");
    EXPECT_EQ(l.items[1000], u"far");
}

TEST_F(LoadTest, DeepNestingIsCutAtTheDepthTheReaderFollows) {
    const int depth = 100000;
    std::string nested;
    nested.reserve(depth * 40);
    for (int i = 0; i < depth; ++i)
        nested += "<List SizeOfView=\"9\">\r\n<x ID=\"0\" t1=\"d\">\r\n";
    for (int i = 0; i < depth; ++i)
        nested += "</x>\r\n</List>\r\n";
    ASSERT_TRUE(load(file("<PredefinedMacro>\r\n" + nested + "</PredefinedMacro>\r\n")));
    int levels = 0;
    for (const ListRecord* l = &store->macroLibrary; !l->items.empty(); l = &l->children[0])
        ++levels;
    EXPECT_EQ(levels, kProfileMaxListDepth);
}

TEST(ProfileIntegerTest, ReadsSignAndLeadingDigits) {
    const std::pair<std::u16string, int> cases[] = {
        {u"12", 12},
        {u" \t-12x", -12},
        {u"+7", 7},
        {u"abc", 0},
        {u"", 0},
        {u"-", 0},
        {u"3.9", 3},
        {u"2147483647", INT_MAX},
        {u"99999999999999999999", INT_MAX},
        {u"-99999999999999999999", INT_MIN},
        {u"- 5", 0},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(profileInteger(text), value);
}

// --- failed saves --------------------------------------------------------------------------

TEST(ProfileSaveTest, AFailedSaveIsReportedAndKeepsThePreviousFile) {
    TempDir dir;
    auto store = smallStore();
    fs::path file = dir.path() / "p.pro";
    writeBytes(file, "previous profile");
    EXPECT_FALSE(store->saveProfile(dir.path() / "missing" / "p.pro"));

    // A full disk: the file size limit makes the write fail part way.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool saved = store->saveProfile(file);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(readBytes(file), "previous profile");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);

    if (::geteuid() != 0) {
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(store->saveProfile(file));
        fs::permissions(dir.path(), fs::perms::owner_all);
        EXPECT_EQ(readBytes(file), "previous profile");
    }
    EXPECT_TRUE(store->saveProfile(file));
    EXPECT_NE(readBytes(file), "previous profile");
}

} // namespace
