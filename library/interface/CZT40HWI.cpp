#include "library/interface/CZT40HWI.h"

#include "library/definitions/CKeyDefine.h"
#include "library/firmware/FirmwareDownload.h"
#include "library/image/CZT40.h"
#include "library/transport/CKeyboardUtil.h"

#include <algorithm>
#include <memory>

namespace {
// Slot of the exported interface's (layer 0..1, key 1..108); -1 outside.
int exportedSlot(int layer, int key) {
    return slotOf(layer + 1, key);
}
} // namespace

CZT40HWI::CZT40HWI() = default;

CZT40HWI::~CZT40HWI() {
    __closeDev();
}

bool CZT40HWI::DetectDevice() {
    return detectDevice();
}

int CZT40HWI::DetectDeviceType() {
    return detectDeviceType();
}

bool CZT40HWI::__createDev() {
    if (transport)
        return true;
    auto opened = openKeyboard();
    if (!opened)
        return false;
    transport = opened.release();
    image = new CZT40(transport);
    return true;
}

bool CZT40HWI::__closeDev() {
    delete image;
    image = nullptr;
    delete transport;
    transport = nullptr;
    return true;
}

bool CZT40HWI::prepare() {
    if (!image)
        return false;
    return image->clearDefinitions();
}

bool CZT40HWI::setKeyConfiguration(int layer, int key, int* array, int /*length*/) {
    const int s = exportedSlot(layer, key);
    if (!image || !array || s < 0)
        return false;
    const int layerNumber = layer + 1;
    std::unique_ptr<CKeyDefine> def;
    switch (array[0]) {
    case 0: {
        // A count the record cannot hold is refused rather than read past the array.
        const int count = array[1];
        if (count > kNormalMaxCodes)
            return false;
        auto normal = std::make_unique<CNormalKeyDefine>(key, layerNumber, 0);
        normal->count = std::max(count, 0);
        normal->codes.assign(array + 2, array + 2 + normal->count);
        def = std::move(normal);
        break;
    }
    case 1: {
        const int count = array[2];
        if (count > kContinuousMaxCodes)
            return false;
        auto cont = std::make_unique<CContinousKeyDefine>(key, layerNumber, 1);
        cont->interval = array[1];
        cont->count = std::max(count, 0);
        cont->codes.assign(array + 3, array + 3 + cont->count);
        def = std::move(cont);
        break;
    }
    case 2: {
        const int playMode = array[1];
        const int delayMode = array[3];
        const int count = array[5];
        if (playMode < 0 || playMode > 2)
            return false; // no such record kind
        // The record's 16-bit length must be able to describe every item.
        const int perItem = delayMode == 0 ? 1 : 4;
        if (count > kMacroMaxDataLength / perItem)
            return false;
        auto macro = std::make_unique<CMacroKeyDefine>(key, layerNumber, 2 + playMode);
        macro->cycles = array[2];
        macro->delayMode = delayMode;
        macro->autoInterval = array[4];
        macro->count = std::max(count, 0);
        const auto n = static_cast<std::size_t>(macro->count);
        macro->codes.assign(n, 0);
        macro->delays.assign(n, 0);
        for (std::size_t i = 0; i < n; ++i) {
            if (delayMode == 0) {
                macro->codes[i] = array[6 + i];
            } else if (delayMode == 1) {
                macro->codes[i] = array[6 + 2 * i];
                macro->delays[i] = array[7 + 2 * i];
            }
        }
        def = std::move(macro);
        break;
    }
    default:
        return false;
    }
    image->setDefinition(s, std::move(def));
    return false; // the caller has always been told false, also when the key was stored
}

bool CZT40HWI::getKeyConfiguration(int layer, int key, int* array, int /*length*/) {
    const int s = exportedSlot(layer, key);
    if (!image || !array || s < 0)
        return false;
    CKeyDefine* def = image->definition(s);
    if (!def) {
        array[0] = 0;
        array[1] = 0;
        return true;
    }
    if (auto* normal = dynamic_cast<CNormalKeyDefine*>(def)) {
        const int n = std::clamp(normal->count, 0, static_cast<int>(normal->codes.size()));
        array[0] = 0;
        array[1] = n;
        std::copy_n(normal->codes.begin(), n, array + 2);
    } else if (auto* cont = dynamic_cast<CContinousKeyDefine*>(def)) {
        const int n = std::clamp(cont->count, 0, static_cast<int>(cont->codes.size()));
        array[0] = 1;
        array[1] = cont->interval;
        array[2] = n;
        std::copy_n(cont->codes.begin(), n, array + 3);
    } else if (auto* macro = dynamic_cast<CMacroKeyDefine*>(def)) {
        const int n = std::clamp(
            macro->count, 0, static_cast<int>(std::min(macro->codes.size(), macro->delays.size())));
        array[0] = 2;
        array[1] = macro->kind - 2;
        array[2] = macro->cycles;
        array[3] = macro->delayMode;
        array[4] = macro->autoInterval;
        array[5] = n;
        if (macro->delayMode == 0) {
            std::copy_n(macro->codes.begin(), n, array + 6);
        } else if (macro->delayMode == 1) {
            for (int i = 0; i < n; ++i) {
                array[6 + 2 * i] = macro->codes[static_cast<std::size_t>(i)];
                if (i + 1 < n) // the delay after the last item is not handed out
                    array[7 + 2 * i] = macro->delays[static_cast<std::size_t>(i)];
            }
        }
    }
    return true;
}

bool CZT40HWI::writeKeyConfigurationToDev(WindowHandle window) {
    return image && image->writeDefinitions(window);
}

bool CZT40HWI::readKeyDefinationFromDev(WindowHandle window) {
    return image && image->readDefinitions(window);
}

bool CZT40HWI::setKeyboardLightArea(int* lightArray) {
    if (!image || !lightArray)
        return false;
    for (std::size_t i = 0; i < kLightByteCount; ++i)
        image->light[i] = static_cast<std::uint8_t>(lightArray[i] & 0xFF);
    image->writeLight();
    return true;
}

bool CZT40HWI::readKeyLightFromDev() {
    return image && image->readLight();
}

bool CZT40HWI::getKeyboardLightArea(int* lightArray) {
    if (!image || !lightArray)
        return false;
    for (std::size_t i = 0; i < kLightByteCount; ++i)
        lightArray[i] = image->light[i];
    return true;
}

bool CZT40HWI::getPressCounterFromDev(int* counterArray) {
    if (!image || !counterArray)
        return false;
    image->readCounters(); // the counts are handed out whether or not the read worked
    for (int key = 1; key <= kKeyCount; ++key)
        counterArray[key - 1] = static_cast<int>(image->counter(key));
    return true;
}

bool CZT40HWI::ReadKeyboardVersion(char16_t* buffer) {
    if (!transport || !buffer)
        return false;
    return transport->readVersion(buffer);
}

const char16_t* CZT40HWI::getHardwareVersion() {
    if (transport)
        transport->readVersion(versionText);
    return versionText;
}

bool CZT40HWI::WriteFirmwareToKeyboard(char* data, int length, WindowHandle window) {
    if (!transport)
        return false;
    return downloadFirmware(*transport, data, length, window);
}
