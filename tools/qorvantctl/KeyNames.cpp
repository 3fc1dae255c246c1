#include "KeyNames.h"

namespace qorvantctl {

namespace {

const char* const kKeyNames[109] = {
    "",          "Esc",   "F1",      "F2",        "F3",         "F4",
    "F5",        "F6",    "F7",      "F8",        "F9",         "F10",
    "F11",       "F12",   "~",       "1",         "2",          "3",
    "4",         "5",     "6",       "7",         "8",          "9",
    "0",         "-",     "+",       "BackSpace", "Tab",        "Q",
    "W",         "E",     "R",       "T",         "Y",          "U",
    "I",         "O",     "P",       "[",         "]",          "\\",
    "Caps Lock", "A",     "S",       "D",         "F",          "G",
    "H",         "J",     "K",       "L",         ";",          "'",
    "Enter",     "Shift", "Z",       "X",         "C",          "V",
    "B",         "N",     "M",       "<",         ">",          "?",
    "Shift",     "Ctrl",  "Win",     "Alt",       "Space",      "Alt",
    "Fn",        "LMenu", "Ctrl",    "PrtScreen", "ScrollLock", "Pause",
    "Insert",    "Home",  "PgUp",    "Delete",    "End",        "PgDown",
    "Up",        "Left",  "Down",    "Right",     "PlayPause",  "PreviousTrack",
    "NextTrack", "Stop",  "NumLock", "KP/",       "KP*",        "KP-",
    "KP7",       "KP8",   "KP9",     "KP+",       "KP4",        "KP5",
    "KP6",       "KP1",   "KP2",     "KP3",       "KP0",        "KP.",
    "KPEnter",
};

} // namespace

std::string keyName(int keyIndex) {
    if (keyIndex < 1 || keyIndex > 108) {
        return "-";
    }
    return kKeyNames[keyIndex];
}

} // namespace qorvantctl
