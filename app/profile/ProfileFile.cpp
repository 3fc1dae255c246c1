// Profile files: a complete keyboard configuration (the three libraries, the backlight
// colours and the assignment of every key on both layers) as an XML document.
//
// The root element is named after the model, and model names begin with a digit, so the
// parser never takes the root for an element: its sections are top-level elements of the
// parsed document, and the reader looks for them there. Files of another model therefore
// load like files of the current one.

#include "app/profile/ProfileFile.h"
#include "app/config/ConfigStore.h"
#include "app/profile/xml/XmlDocument.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

namespace {

constexpr int kKeys = ConfigStore::kKeyCount;

void writeList(XmlDocument& doc, const ListRecord& list) {
    doc.appendElement(u"List");
    doc.writeAttribute(u"SizeOfView", list.SizeOfView);
    doc.writeAttribute(u"ViewStartAt", list.ViewStartAt);
    doc.writeAttribute(u"CursorPos", list.CursorPos);
    doc.writeAttribute(u"Cycles", list.Cycles);
    doc.writeAttribute(u"IsAutoInterval", list.IsAutoInterval ? 1 : 0);
    doc.writeAttribute(u"Delay", list.Delay);
    doc.writeAttribute(u"PlayMode", list.PlayMode);
    doc.descend();
    std::size_t count = std::min(list.items.size(), list.children.size());
    for (std::size_t i = 0; i < count; ++i) {
        doc.appendElement(u"x");
        doc.writeAttribute(u"ID", (long long)i);
        doc.writeAttribute(u"t1", list.items[i]);
        doc.descend();
        writeList(doc, list.children[i]);
        doc.ascend();
    }
    doc.ascend();
}

// Limits that keep a damaged or hostile file from taking the reader anywhere it should not
// go: how deep lists are followed, and how many entries item IDs with gaps may create.
struct ReadLimits {
    int depth = 0;
    long long gapBudget = 0;
};

void readList(XmlDocument& doc, ListRecord& list, ReadLimits& limits) {
    list.clear();
    if (!doc.seekElement(u"List"))
        return;
    list.SizeOfView = profileInteger(doc.readAttribute(u"SizeOfView"));
    list.ViewStartAt = profileInteger(doc.readAttribute(u"ViewStartAt"));
    list.CursorPos = profileInteger(doc.readAttribute(u"CursorPos"));
    list.Cycles = profileInteger(doc.readAttribute(u"Cycles"));
    list.IsAutoInterval = profileInteger(doc.readAttribute(u"IsAutoInterval")) != 0;
    list.Delay = profileInteger(doc.readAttribute(u"Delay"));
    list.PlayMode = profileInteger(doc.readAttribute(u"PlayMode"));
    doc.descend();
    // The program's own lists nest three deep (library, entry, event); anything below the
    // limit is ignored instead of followed.
    if (limits.depth < kProfileMaxListDepth) {
        ++limits.depth;
        while (doc.seekElement(u"x")) {
            long long index = profileInteger(doc.readAttribute(u"ID"));
            if (index < 0)
                continue;
            std::size_t count = list.items.size();
            if (std::size_t(index) >= count) {
                // Entries between the last one and index are created empty; they cost
                // memory that no element of the file pays for, so they are rationed.
                long long gaps = index - (long long)count;
                if (gaps > limits.gapBudget)
                    continue;
                limits.gapBudget -= gaps;
                ListRecord empty;
                empty.SizeOfView = list.SizeOfView;
                list.items.resize(std::size_t(index) + 1);
                list.children.resize(std::size_t(index) + 1, empty);
            }
            list.items[std::size_t(index)] = doc.readAttribute(u"t1");
            doc.descend();
            ListRecord child;
            child.SizeOfView = list.SizeOfView;
            readList(doc, child, limits);
            list.children[std::size_t(index)] = std::move(child);
            doc.ascend();
        }
        --limits.depth;
    }
    doc.ascend();
}

struct LoadedKeys {
    int mode[kKeys + 1][2];
    int code[kKeys + 1][2];
    bool supplied[kKeys + 1][2] = {};
    ListRecord lists[kKeys + 1][2];
};

// Characters and elements a list takes in the file, to size the document up front.
void measureList(const ListRecord& list, std::size_t& chars, std::size_t& elements) {
    chars += 130; // start and end tag with the seven attributes
    ++elements;
    std::size_t count = std::min(list.items.size(), list.children.size());
    for (std::size_t i = 0; i < count; ++i) {
        chars += 30 + list.items[i].size() * 2; // room for escapes
        ++elements;
        measureList(list.children[i], chars, elements);
    }
}

} // namespace

int profileInteger(std::u16string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\r' || s[i] == u'\n' ||
                            s[i] == u'\v' || s[i] == u'\f'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    // Out-of-range numbers saturate instead of wrapping.
    long long v = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        v = v * 10 + (s[i] - u'0');
        if (v > (long long)INT_MAX + 1)
            v = (long long)INT_MAX + 1;
    }
    if (negative)
        v = -v;
    if (v > INT_MAX)
        v = INT_MAX;
    return int(v);
}

std::u16string profileText(const ConfigStore& store) {
    XmlDocument doc;
    doc.loadText(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    std::size_t chars = 1024 + 108 * 60 + 216 * 80;
    std::size_t elements = 8 + 108 + 216 * 2;
    measureList(store.comboLibrary, chars, elements);
    measureList(store.macroLibrary, chars, elements);
    measureList(store.emulationLibrary, chars, elements);
    for (int k = 1; k <= kKeys; ++k)
        for (int l = 0; l < 2; ++l)
            measureList(store.keyLists[k][l], chars, elements);
    doc.reserve(chars, elements);
    doc.appendElement(store.modelName());
    doc.descend();

    const std::pair<const char16_t*, const ListRecord*> libraries[] = {
        {u"PredefinedCombo", &store.comboLibrary},
        {u"PredefinedMacro", &store.macroLibrary},
        {u"PredefinedEmu", &store.emulationLibrary},
    };
    for (const auto& [name, list] : libraries) {
        doc.appendElement(name);
        doc.descend();
        writeList(doc, *list);
        doc.ascend();
    }

    doc.appendElement(u"BackgroundLightSettings");
    doc.descend();
    for (int k = 1; k <= kKeys; ++k) {
        doc.appendElement(u"AREA");
        doc.writeAttribute(u"ID", k);
        doc.writeAttribute(u"Red", store.lightTable[k][0]);
        doc.writeAttribute(u"Green", store.lightTable[k][1]);
        doc.writeAttribute(u"Blue", store.lightTable[k][2]);
    }
    doc.ascend();

    doc.appendElement(u"CurrentSettings");
    doc.descend();
    for (int k = 1; k <= kKeys; ++k) {
        for (int l = 0; l < 2; ++l) {
            doc.appendElement(u"KEY");
            doc.writeAttribute(u"ID", k);
            doc.writeAttribute(u"Level", l);
            doc.writeAttribute(u"Mode", store.keyMode[k][l]);
            doc.writeAttribute(u"HWCode", store.keyHwCode[k][l]);
            doc.descend();
            doc.appendElement(u"ComboKey");
            doc.descend();
            writeList(doc, store.keyLists[k][l]);
            doc.ascend();
            doc.ascend();
        }
    }
    doc.ascend();
    doc.ascend();
    return doc.releaseText();
}

bool ConfigStore::saveProfile(const std::filesystem::path& path) {
    std::u16string text = profileText(*this);
    int flags = 0;
    std::u16string log;
    return XmlDocument::saveFile(path, text, flags, log);
}

bool ConfigStore::loadProfile(const std::filesystem::path& path) {
    std::u16string text;
    std::u16string log;
    int flags = 0;
    if (!XmlDocument::loadFile(path, text, flags, log))
        return false;
    XmlDocument doc;
    doc.loadText(std::move(text));
    return applyProfileDocument(*this, doc);
}

bool applyProfileDocument(ConfigStore& store, XmlDocument& doc) {
    ReadLimits limits;
    limits.gapBudget = 65536 + (long long)doc.elementCount();
    bool found = false;

    doc.rewind();
    // Never found in a file this program wrote (see the top of this file); kept so that a
    // root the parser does take for an element is entered.
    if (doc.seekElement(store.modelName()))
        doc.descend();

    // Lists that are not found stay empty with the view size their kind uses elsewhere.
    ListRecord combo, macro, emulation;
    combo.SizeOfView = 6;
    macro.SizeOfView = 9;
    emulation.SizeOfView = 9;
    const std::pair<const char16_t*, ListRecord*> libraries[] = {
        {u"PredefinedCombo", &combo},
        {u"PredefinedMacro", &macro},
        {u"PredefinedEmu", &emulation},
    };
    for (const auto& [name, list] : libraries) {
        // Each search continues after the section found before; a section that is missing
        // leaves the position where it was.
        found |= doc.seekElement(name);
        doc.descend();
        readList(doc, *list, limits);
        doc.ascend();
    }

    // Colours and keys the file does not supply keep the values they had.
    int light[kKeys + 1][3];
    std::memcpy(light, store.lightTable, sizeof light);
    if (doc.seekElement(u"BackgroundLightSettings")) {
        found = true;
        doc.descend();
        while (doc.seekElement(u"AREA")) {
            int i = profileInteger(doc.readAttribute(u"ID"));
            if (i < 0 || i > kKeys)
                continue;
            light[i][0] = profileInteger(doc.readAttribute(u"Red"));
            light[i][1] = profileInteger(doc.readAttribute(u"Green"));
            light[i][2] = profileInteger(doc.readAttribute(u"Blue"));
        }
        doc.ascend();
    }

    auto keys = std::make_unique<LoadedKeys>();
    if (doc.seekElement(u"CurrentSettings")) {
        found = true;
        doc.descend();
        while (doc.seekElement(u"KEY")) {
            int k = profileInteger(doc.readAttribute(u"ID"));
            int l = profileInteger(doc.readAttribute(u"Level"));
            if (k < 0 || k > kKeys || l < 0 || l > 1)
                continue;
            keys->mode[k][l] = profileInteger(doc.readAttribute(u"Mode"));
            keys->code[k][l] = profileInteger(doc.readAttribute(u"HWCode"));
            ListRecord& list = keys->lists[k][l];
            list.SizeOfView = store.keyLists[k][l].SizeOfView;
            // Leave only what was entered, so that a damaged KEY cannot move the reading
            // of the keys after it to another level.
            doc.descend();
            if (doc.seekElement(u"ComboKey")) {
                doc.descend();
                readList(doc, list, limits);
                doc.ascend();
            } else {
                list.clear();
            }
            doc.ascend();
            keys->supplied[k][l] = true;
        }
        doc.ascend();
    }
    doc.ascend();

    // A file without any profile data changes nothing.
    if (!found)
        return false;

    store.comboLibrary = std::move(combo);
    store.macroLibrary = std::move(macro);
    store.emulationLibrary = std::move(emulation);
    std::memcpy(store.lightTable, light, sizeof light);
    for (int k = 0; k <= kKeys; ++k) {
        for (int l = 0; l < 2; ++l) {
            if (!keys->supplied[k][l])
                continue;
            store.keyMode[k][l] = keys->mode[k][l];
            store.keyHwCode[k][l] = keys->code[k][l];
            store.keyLists[k][l] = std::move(keys->lists[k][l]);
        }
    }
    std::memset(store.pressCounts, 0xC8, sizeof store.pressCounts);
    store.mostPressedKey = -1;
    store.leastPressedKey = -1;
    return true;
}
