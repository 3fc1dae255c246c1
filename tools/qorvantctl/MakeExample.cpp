// Writes the example profile shipped in examples/: the factory configuration of the
// general model with a few assignments of every kind and a coloured backlight, saved by
// the store itself so that it is exactly what the program writes.
//     qorvantctl-make-example examples/example.pro

#include "app/config/ConfigStore.h"

#include <cstdio>
#include <memory>

namespace {

ListRecord makeList(std::initializer_list<const char16_t*> items, int sizeOfView) {
    ListRecord list;
    list.SizeOfView = sizeOfView;
    list.clear();
    for (const char16_t* item : items) {
        list.setOrAppend(20000, item);
    }
    return list;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qorvantctl-make-example FILE\n");
        return 2;
    }
    auto store = std::make_unique<ConfigStore>();
    store->initNameTables();
    store->language = "en-US";
    store->deviceType = 1;
    store->resetToDefaults();

    // F4 and F5 on the top layer: copy and paste.
    store->keyMode[5][0] = 2;
    store->keyLists[5][0].copyFrom(makeList({u"LCTRL", u"C"}, 6));
    store->keyMode[6][0] = 2;
    store->keyLists[6][0].copyFrom(makeList({u"LCTRL", u"V"}, 6));
    // Caps Lock becomes a second left Ctrl.
    store->keyMode[42][0] = 1;
    store->keyHwCode[42][0] = 0x43;
    // Fn + F12: a macro that types "hi" with its own delays, three times.
    ListRecord macro =
        makeList({u"H Down", u"<20 ms>", u"H UP", u"<20 ms>", u"I Down", u"<20 ms>", u"I UP"}, 9);
    macro.Cycles = 3;
    store->keyMode[13][1] = 3;
    store->keyLists[13][1].copyFrom(macro);
    // Fn + Space: press Space every 50 ms while emulating.
    ListRecord emulation = makeList({u"SPACEBAR"}, 9);
    emulation.Delay = 50;
    store->keyMode[70][1] = 4;
    store->keyLists[70][1].copyFrom(emulation);
    // Fn + Esc: left double click.
    store->keyMode[1][1] = 6;
    store->keyHwCode[1][1] = 199;
    // The library of combinations keeps the two above.
    store->comboLibrary.addOrSelect(store->keyLists[5][0]);
    store->comboLibrary.addOrSelect(store->keyLists[6][0]);

    // Backlight: a red to blue sweep over the key indices, the function row white.
    for (int key = 1; key <= ConfigStore::kKeyCount; ++key) {
        int t = (key - 1) * 255 / (ConfigStore::kKeyCount - 1);
        store->lightTable[key][0] = 255 - t;
        store->lightTable[key][1] = 40;
        store->lightTable[key][2] = t;
    }
    for (int key = 1; key <= 13; ++key) {
        for (int c = 0; c < 3; ++c) {
            store->lightTable[key][c] = 255;
        }
    }

    if (!store->saveProfile(argv[1])) {
        std::fprintf(stderr, "qorvantctl-make-example: %s: cannot write the profile\n", argv[1]);
        return 1;
    }
    return 0;
}
