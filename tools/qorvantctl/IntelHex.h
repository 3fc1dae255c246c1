#pragma once

#include "Text.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qorvantctl {

// The keyboard takes every record as one report and has room for 62 record bytes after
// the ':' marker; a longer record would arrive cut short.
inline constexpr std::size_t kMaxFirmwareRecordBytes = 62;

struct HexCheck {
    bool ok = false;
    std::size_t line = 0; // 1-based line of the fault; 0 when it concerns the whole file
    Message reason;
    // On success: the records in file order, each followed by CR LF, up to and including
    // the end-of-file record. Blank lines and the file's own line ends (CR LF, CR or LF)
    // are gone, so the download sees exactly one line per record and nothing after the
    // end record.
    std::string normalized;
    std::size_t records = 0;
};

// Checks that text is a complete Intel HEX image: every line a record (':' then pairs of
// hexadecimal digits), whose byte count matches its data, whose checksum adds up to 0,
// of a known record type, short enough for the keyboard; an end-of-file record; nothing
// but blank lines after it.
HexCheck checkIntelHex(std::string_view text);

} // namespace qorvantctl
