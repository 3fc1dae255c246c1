#pragma once

#include <string>

// A keyboard image: the library's copy of what one keyboard family holds.
class CKeyboardDefine {
public:
    virtual ~CKeyboardDefine() = default;
    virtual std::u16string productValue() const = 0;
    virtual std::u16string vendorValue() const = 0;
};
