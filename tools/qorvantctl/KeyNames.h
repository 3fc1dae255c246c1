#pragma once

#include <string>

namespace qorvantctl {

// The name of key index 1..108 as the keyboard picture labels it (the same in both
// languages); "-" outside that range.
std::string keyName(int keyIndex);

} // namespace qorvantctl
