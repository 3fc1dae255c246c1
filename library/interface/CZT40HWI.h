#pragma once

#include "library/interface/QorvantExport.h"
#include "library/platform/Messages.h"

class CZT40Util;
class CZT40;

// The one object through which the program talks to the keyboard.
class QORVANTHWI_API CZT40HWI {
public:
    CZT40HWI();
    ~CZT40HWI();
    // Copying would hand the transport and the image to two owners.
    CZT40HWI(const CZT40HWI&) = delete;
    CZT40HWI& operator=(const CZT40HWI&) = delete;

    bool DetectDevice();
    int DetectDeviceType();

    bool __createDev();
    bool __closeDev();

    bool prepare();
    bool setKeyConfiguration(int layer, int key, int* array, int length);
    bool getKeyConfiguration(int layer, int key, int* array, int length);
    bool writeKeyConfigurationToDev(WindowHandle window);
    bool readKeyDefinationFromDev(WindowHandle window);

    bool setKeyboardLightArea(int* lightArray);
    bool readKeyLightFromDev();
    bool getKeyboardLightArea(int* lightArray);
    bool getPressCounterFromDev(int* counterArray);

    // buffer: at least 63 wide characters.
    bool ReadKeyboardVersion(char16_t* buffer);
    const char16_t* getHardwareVersion();

    bool WriteFirmwareToKeyboard(char* data, int length, WindowHandle window);

private:
    CZT40Util* transport = nullptr;
    CZT40* image = nullptr;
    char16_t versionText[64] = {};
};
