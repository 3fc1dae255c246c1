#pragma once

#include <filesystem>
#include <string>

namespace qorvantctl {

// A firmware file is meant for one model only, and the only mark of that is the start of
// its file name: the model name followed by '_'.
std::string firmwarePrefix(int deviceType);

// Case-sensitive, at the very first character of the name (the folder does not count).
bool firmwareNameMatches(const std::filesystem::path& file, int deviceType);

} // namespace qorvantctl
