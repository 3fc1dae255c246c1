#include "IntelHex.h"

#include <vector>

namespace qorvantctl {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

HexCheck refuse(std::size_t line, std::string en, std::string zh) {
    HexCheck check;
    check.line = line;
    if (line > 0) {
        en = "line " + std::to_string(line) + ": " + en;
        zh = "第 " + std::to_string(line) + " 行：" + zh;
    }
    check.reason = Message{std::move(en), std::move(zh)};
    return check;
}

} // namespace

HexCheck checkIntelHex(std::string_view text) {
    HexCheck result;
    bool ended = false;
    std::size_t lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == '\r') {
            ++pos;
        }
        if (pos < text.size() && text[pos] == '\n') {
            ++pos;
        }
        ++lineNumber;

        if (line.empty()) {
            continue;
        }
        if (ended) {
            return refuse(lineNumber, "data after the end-of-file record",
                          "文件结束记录之后还有数据");
        }
        if (line[0] != ':') {
            return refuse(lineNumber, "the line does not begin with ':'", "该行不是以 ':' 开头");
        }
        std::string_view digits = line.substr(1);
        std::vector<int> bytes;
        bytes.reserve(digits.size() / 2);
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            int high = hexValue(digits[i]);
            int low = i + 1 < digits.size() ? hexValue(digits[i + 1]) : 0;
            if (high < 0 || low < 0) {
                return refuse(lineNumber, "a character that is no hexadecimal digit",
                              "含有非十六进制字符");
            }
            if (i + 1 >= digits.size()) {
                return refuse(lineNumber, "an odd number of hexadecimal digits",
                              "十六进制数字个数为奇数");
            }
            bytes.push_back(high * 16 + low);
        }
        if (bytes.size() < 5) {
            return refuse(lineNumber, "the record is too short", "记录太短");
        }
        if (bytes.size() > kMaxFirmwareRecordBytes) {
            return refuse(lineNumber,
                          "the record has " + std::to_string(bytes.size()) +
                              " bytes, more than the 62 the keyboard takes",
                          "记录有 " + std::to_string(bytes.size()) +
                              " 个字节，超过键盘可接收的 62 个");
        }
        if (static_cast<std::size_t>(bytes[0]) != bytes.size() - 5) {
            return refuse(lineNumber, "the byte count does not match the record's data",
                          "字节数与记录的数据不符");
        }
        int sum = 0;
        for (int b : bytes) {
            sum += b;
        }
        if ((sum & 0xFF) != 0) {
            return refuse(lineNumber, "checksum mismatch", "校验和错误");
        }
        int type = bytes[3];
        if (type > 5) {
            return refuse(lineNumber, "unknown record type " + std::to_string(type),
                          "未知的记录类型 " + std::to_string(type));
        }
        if (type == 1) {
            if (bytes[0] != 0) {
                return refuse(lineNumber, "the end-of-file record carries data",
                              "文件结束记录带有数据");
            }
            ended = true;
        }
        result.normalized.append(line);
        result.normalized.append("\r\n");
        ++result.records;
    }
    if (result.records == 0) {
        return refuse(0, "the file holds no records", "文件中没有记录");
    }
    if (!ended) {
        return refuse(0, "no end-of-file record", "缺少文件结束记录");
    }
    result.ok = true;
    return result;
}

} // namespace qorvantctl
