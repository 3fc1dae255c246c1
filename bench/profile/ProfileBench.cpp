// Saving and loading profiles, small and large (every key and layer holding a 1600-item
// macro), next to pugixml parsing the same file and walking it into the same shape of data.
//
// pugixml cannot parse a root whose name begins with a digit, which every profile has, so
// it reads a copy whose root is renamed; the files differ in a few bytes only.

#include "app/config/ConfigStore.h"
#include "app/profile/ProfileFile.h"
#include "app/profile/xml/XmlDocument.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

ListRecord emptyList(int sov) {
    ListRecord l;
    l.SizeOfView = sov;
    l.clear();
    return l;
}

std::unique_ptr<ConfigStore> makeStore(int macroItems) {
    auto s = std::make_unique<ConfigStore>();
    s->resetToDefaults();
    s->comboLibrary.items = {u"Copy"};
    s->comboLibrary.children = {emptyList(6)};
    for (int k = 1; k <= 108; ++k) {
        s->lightTable[k][0] = k;
        for (int l = 0; l < 2; ++l) {
            if (!macroItems)
                continue;
            ListRecord& m = s->keyLists[k][l];
            m.SizeOfView = 9;
            for (int i = 0; i < macroItems; ++i) {
                m.items.push_back(i % 3 == 1 ? u"<30 ms>" : i % 3 ? u"LSHIFT UP" : u"LSHIFT Down");
                m.children.push_back(emptyList(9));
            }
            s->keyMode[k][l] = 3;
        }
    }
    return s;
}

struct Fixture {
    fs::path dir;
    fs::path ours[2];
    fs::path peer[2];
    std::unique_ptr<ConfigStore> stores[2];
    std::size_t bytes[2] = {};

    Fixture() {
        std::string tmpl = (fs::temp_directory_path() / "qorvant-bench-XXXXXX").string();
        dir = ::mkdtemp(tmpl.data());
        const int items[2] = {0, 1600};
        for (int i = 0; i < 2; ++i) {
            stores[i] = makeStore(items[i]);
            ours[i] = dir / (i ? "large.pro" : "small.pro");
            peer[i] = dir / (i ? "large-peer.xml" : "small-peer.xml");
            stores[i]->saveProfile(ours[i]);
            std::ifstream in(ours[i], std::ios::binary);
            std::stringstream ss;
            ss << in.rdbuf();
            std::string text = ss.str();
            bytes[i] = text.size();
            const std::string root = "537RM(XRGB)ZQ.BLe";
            for (std::size_t p; (p = text.find(root)) != std::string::npos;)
                text.replace(p, root.size(), "Profile");
            std::ofstream out(peer[i], std::ios::binary);
            out << text;
        }
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// What the walk produces from a "List": the same data the profile reader keeps.
struct PeerList {
    int attrs[7] = {};
    std::vector<std::string> items;
    std::vector<PeerList> children;
};

void walkList(const pugi::xml_node& parent, PeerList& out) {
    pugi::xml_node list = parent.child("List");
    if (!list)
        return;
    static const char* names[7] = {"SizeOfView",     "ViewStartAt", "CursorPos", "Cycles",
                                   "IsAutoInterval", "Delay",       "PlayMode"};
    for (int i = 0; i < 7; ++i)
        out.attrs[i] = list.attribute(names[i]).as_int();
    for (pugi::xml_node x = list.child("x"); x; x = x.next_sibling("x")) {
        std::size_t id = std::size_t(x.attribute("ID").as_int());
        if (id >= out.items.size()) {
            out.items.resize(id + 1);
            out.children.resize(id + 1);
        }
        out.items[id] = x.attribute("t1").as_string();
        walkList(x, out.children[id]);
    }
}

void BM_SaveProfile(benchmark::State& state) {
    Fixture& f = fixture();
    int i = int(state.range(0));
    fs::path out = f.dir / "out.pro";
    for (auto _ : state)
        benchmark::DoNotOptimize(f.stores[i]->saveProfile(out));
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.bytes[i]));
}

void BM_BuildProfileText(benchmark::State& state) {
    Fixture& f = fixture();
    int i = int(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(profileText(*f.stores[i]));
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.bytes[i]));
}

void BM_LoadProfile(benchmark::State& state) {
    Fixture& f = fixture();
    int i = int(state.range(0));
    auto store = std::make_unique<ConfigStore>();
    for (auto _ : state)
        benchmark::DoNotOptimize(store->loadProfile(f.ours[i]));
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.bytes[i]));
}

// Our engine alone: read and decode the file, then index it.
void BM_EngineReadAndParse(benchmark::State& state) {
    Fixture& f = fixture();
    int i = int(state.range(0));
    for (auto _ : state) {
        std::u16string text, log;
        int flags = 0;
        XmlDocument::loadFile(f.ours[i], text, flags, log);
        XmlDocument doc;
        doc.loadText(std::move(text));
        benchmark::DoNotOptimize(doc.elementCount());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.bytes[i]));
}

void BM_PugixmlParseAndWalk(benchmark::State& state) {
    Fixture& f = fixture();
    int i = int(state.range(0));
    for (auto _ : state) {
        pugi::xml_document doc;
        doc.load_file(f.peer[i].c_str());
        pugi::xml_node root = doc.child("Profile");
        PeerList libs[3];
        const char* sections[3] = {"PredefinedCombo", "PredefinedMacro", "PredefinedEmu"};
        for (int s = 0; s < 3; ++s)
            walkList(root.child(sections[s]), libs[s]);
        int light[109][3] = {};
        for (pugi::xml_node a : root.child("BackgroundLightSettings").children("AREA")) {
            int id = a.attribute("ID").as_int();
            if (id < 0 || id > 108)
                continue;
            light[id][0] = a.attribute("Red").as_int();
            light[id][1] = a.attribute("Green").as_int();
            light[id][2] = a.attribute("Blue").as_int();
        }
        std::vector<PeerList> keys(218);
        int modes[218] = {};
        for (pugi::xml_node k : root.child("CurrentSettings").children("KEY")) {
            int id = k.attribute("ID").as_int();
            int level = k.attribute("Level").as_int();
            if (id < 0 || id > 108 || level < 0 || level > 1)
                continue;
            modes[id * 2 + level] = k.attribute("Mode").as_int() + k.attribute("HWCode").as_int();
            walkList(k.child("ComboKey"), keys[std::size_t(id * 2 + level)]);
        }
        benchmark::DoNotOptimize(light);
        benchmark::DoNotOptimize(modes);
        benchmark::DoNotOptimize(keys.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.bytes[i]));
}

void BM_PugixmlParseOnly(benchmark::State& state) {
    Fixture& f = fixture();
    int i = int(state.range(0));
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_file(f.peer[i].c_str()));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.bytes[i]));
}

// 0 = small profile (about 90 kB), 1 = large (216 macros of 1600 items, tens of MB).
BENCHMARK(BM_BuildProfileText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveProfile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProfile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineReadAndParse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlParseAndWalk)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlParseOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
