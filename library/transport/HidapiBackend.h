#pragma once

#include "library/transport/HidBackend.h"

// The real keyboard through hidapi (hidraw). hidraw paths carry no vendor/product/
// interface markers, so each interface's path text is built from its numbers:
//     \\?\hid#vid_0483&pid_502c&mi_01#/dev/hidraw3
// (lower-case hex) and the usual match rule applies to that text unchanged.
class HidapiBackend : public HidBackend {
public:
    HidapiBackend();
    ~HidapiBackend() override;
    bool enumerate(std::vector<std::string>& paths) override;
    std::unique_ptr<HidDevice> open(const std::string& path) override;

    // The path text for one interface; exposed for tests.
    static std::string pathText(unsigned short vendor, unsigned short product, int interfaceNumber,
                                const char* hidapiPath);
    // The hidapi path inside a path text built by pathText (the text itself otherwise).
    static std::string hidapiPath(const std::string& pathText);
};
