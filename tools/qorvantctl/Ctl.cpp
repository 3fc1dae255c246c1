#include "Ctl.h"

#include "CommandLine.h"
#include "Firmware.h"
#include "IntelHex.h"
#include "KeyNames.h"
#include "Progress.h"
#include "Text.h"
#include "TraceBackend.h"

#include "app/config/ConfigStore.h"
#include "library/platform/Messages.h"
#include "library/transport/HidBackend.h"
#include "simulator/SimulatorBackend.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <system_error>

#include <unistd.h>

namespace qorvantctl {

namespace {

namespace fs = std::filesystem;

// The window that progress messages are addressed to; the tool has no windows, so any
// non-zero handle of its own will do.
constexpr WindowHandle kProgressWindow = 0x5143;

// Progress of a key transfer arrives as the slot just sent or read, 0..215; the firmware
// download reports on a 0..150 scale.
constexpr long kLastKeySlot = 215;
constexpr long kFirmwareScale = 150;
// Far beyond the keyboard's flash; a bigger file is a mistake, not a firmware image.
constexpr std::uintmax_t kMaxFirmwareFileBytes = 16u << 20;

// Thrown inside a run and turned into a one-line message and an exit status at its end;
// nothing of it crosses the tool's boundary.
struct Failure {
    int status;
    std::string subject; // the file or the thing the message is about; may be empty
    Message reason;
};

Message systemReason(int error) {
    std::string text = std::generic_category().message(error);
    return Message{text, text};
}

// A name in the target's folder (so that the final rename stays on one file system) that
// no user file is likely to carry.
fs::path temporaryBeside(const fs::path& target) {
    fs::path name = "." + target.filename().string() + ".qorvantctl-" + std::to_string(getpid());
    return target.parent_path() / name;
}

std::string replaceLineBreaks(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        out += text[i];
    }
    return out;
}

class Run {
public:
    Run(const Options& options, std::FILE* out, std::FILE* err, bool progressOnErr,
        const SimulatorHook& simulatorHook)
        : o(options), out(out), err(err), progress(err, progressOnErr),
          simulatorHook(simulatorHook) {}

    ~Run() {
        progress.finish();
        // The store closes the keyboard before the backend it was opened through goes.
        store.reset();
        setMessageSink(nullptr);
        setHidBackend(nullptr);
    }

    int execute();

    const std::string& language() const { return o.language; }

private:
    const Options& o;
    std::FILE* out;
    std::FILE* err;
    ProgressBar progress;
    const SimulatorHook& simulatorHook;
    std::unique_ptr<ConfigStore> store;
    std::shared_ptr<ReportLog> log;
    std::shared_ptr<SimulatorBackend> simulator;

    [[noreturn]] void fail(int status, std::string subject, Message reason) {
        throw Failure{status, std::move(subject), std::move(reason)};
    }

    void print(const std::string& text) { std::fputs(text.c_str(), out); }

    void setUpStore();
    void setUpLink();
    void saveSimulatorState();
    int detectModel();
    void openKeyboard();
    void loadProfile(const std::string& file);
    void saveProfile(const std::string& file);
    void requireReadableFile(const std::string& file, const Message& cannotOpen);
    std::string readFirmwareFile(const std::string& file, const Message& cannotOpen);
    // Runs one keyboard transfer: the link failure flag is fresh for it, the simulated
    // keyboard's memory is saved after it, and a failure ends the run with status 1.
    template <typename Transfer> void transfer(const Message& what, Transfer&& body);

    void cmdDetect();
    void cmdVersion();
    void cmdWriteKeys(bool keys, bool light);
    void cmdRead();
    void cmdCounters();
    void cmdShow();
    void cmdDefaults();
    void cmdFirmware();
    void cmdSimPress();
};

void Run::setUpStore() {
    store = std::make_unique<ConfigStore>();
    store->initNameTables();
    store->language = o.language;
}

void Run::setUpLink() {
    log = std::make_shared<ReportLog>();
    if (o.tracePath && !log->openTrace(*o.tracePath)) {
        int error = errno;
        fail(kExitUsage, o.tracePath->string(),
             Message{"cannot open the trace file: " + systemReason(error).en,
                     "无法打开跟踪文件：" + systemReason(error).en});
    }
    std::shared_ptr<HidBackend> inner;
    if (o.simulate) {
        simulator = std::make_shared<SimulatorBackend>(o.model);
        if (o.statePath) {
            std::error_code ec;
            bool exists = fs::exists(*o.statePath, ec);
            if (exists) {
                if (!fs::is_regular_file(*o.statePath, ec) || !simulator->loadState(*o.statePath)) {
                    fail(kExitUsage, o.statePath->string(),
                         Message{"not a state file of the simulated keyboard, or damaged",
                                 "不是模拟键盘的状态文件，或已损坏"});
                }
                if (o.modelGiven && simulator->model() != o.model) {
                    fail(kExitUsage, o.statePath->string(),
                         Message{"holds a keyboard of model " + std::to_string(simulator->model()) +
                                     ", not " + std::to_string(o.model),
                                 "保存的是型号 " + std::to_string(simulator->model()) +
                                     " 的键盘，不是 " + std::to_string(o.model)});
                }
            }
        }
        if (simulatorHook) {
            simulatorHook(*simulator);
        }
        inner = simulator;
    } else {
        inner = makeHidapiBackend();
    }
    setHidBackend(std::make_shared<TraceBackend>(inner, log));
    setMessageSink([this](WindowHandle window, unsigned msg, std::uintptr_t w, std::intptr_t) {
        if (window == kProgressWindow && msg == kMsgProgress) {
            progress.step(static_cast<long>(w));
        }
    });
}

void Run::saveSimulatorState() {
    if (!simulator || !o.statePath) {
        return;
    }
    // Written beside the file and moved over it, so that a run that dies half-way never
    // leaves a cut-off memory file behind.
    fs::path target = *o.statePath;
    fs::path temporary = temporaryBeside(target);
    std::error_code ec;
    if (!simulator->saveState(temporary) || (fs::rename(temporary, target, ec), ec)) {
        fs::remove(temporary, ec);
        fail(kExitDevice, target.string(),
             Message{"cannot save the simulated keyboard's memory", "无法保存模拟键盘的存储"});
    }
}

int Run::detectModel() {
    int type = store->device.DetectDeviceType();
    if (type == 0) {
        fail(kExitDevice, "", Message{"Keyboard is not connected!", "键盘未连接！"});
    }
    store->deviceType = type;
    return type;
}

void Run::openKeyboard() {
    detectModel();
    if (!store->device.__createDev()) {
        fail(kExitDevice, "", Message{"Keyboard is not connected!", "键盘未连接！"});
    }
}

void Run::requireReadableFile(const std::string& file, const Message& cannotOpen) {
    auto refuse = [&](const std::string& en, const std::string& zh) {
        fail(kExitUsage, file, Message{cannotOpen.en + ": " + en, cannotOpen.zh + "：" + zh});
    };
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::string reason = systemReason(errno).en;
        refuse(reason, reason);
    }
    // Devices and pipes are refused: /dev/zero would never end, and a pipe could not be
    // read a second time by the profile reader.
    std::error_code ec;
    if (fs::is_directory(file, ec)) {
        std::string reason = systemReason(EISDIR).en;
        refuse(reason, reason);
    }
    if (!fs::is_regular_file(file, ec)) {
        refuse("not a regular file", "不是普通文件");
    }
}

std::string Run::readFirmwareFile(const std::string& file, const Message& cannotOpen) {
    requireReadableFile(file, cannotOpen);
    std::error_code ec;
    if (fs::file_size(file, ec) > kMaxFirmwareFileBytes) {
        fail(kExitUsage, file,
             Message{cannotOpen.en + ": larger than any firmware image (" +
                         std::to_string(kMaxFirmwareFileBytes >> 20) + " MiB)",
                     cannotOpen.zh + "：文件太大，不可能是固件（" +
                         std::to_string(kMaxFirmwareFileBytes >> 20) + " MiB）"});
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        fail(kExitUsage, file,
             Message{cannotOpen.en + ": read error", cannotOpen.zh + "：读取错误"});
    }
    return std::move(text).str();
}

void Run::loadProfile(const std::string& file) {
    // Tells a missing or unreadable file apart from one that is no profile.
    requireReadableFile(file, Message{"cannot open the profile", "无法打开配置文件"});
    if (!store->loadProfile(file)) {
        fail(kExitUsage, file, Message{"not a valid profile", "不是有效的配置文件"});
    }
}

void Run::saveProfile(const std::string& file) {
    // Written beside the target and moved over it: an existing profile is replaced only
    // by a complete one.
    fs::path target = file;
    fs::path temporary = temporaryBeside(target);
    std::error_code ec;
    if (!store->saveProfile(temporary) || !fs::exists(temporary, ec) ||
        (fs::rename(temporary, target, ec), ec)) {
        fs::remove(temporary, ec);
        fail(kExitUsage, file, Message{"cannot write the profile", "无法写入配置文件"});
    }
}

template <typename Transfer> void Run::transfer(const Message& what, Transfer&& body) {
    log->resetFailure();
    bool ok = body();
    progress.finish();
    ok = ok && !log->linkFailed();
    saveSimulatorState();
    if (!ok) {
        fail(kExitDevice, "", what);
    }
}

void Run::cmdDetect() {
    int type = detectModel();
    print(std::to_string(type) + " " + toUtf8(store->modelName()) + "\n");
}

void Run::cmdVersion() {
    openKeyboard();
    char16_t version[64] = {};
    transfer(Message{"Failed on reading keyboard version infomation", "读取键盘版本失败"},
             [&] { return store->device.ReadKeyboardVersion(version); });
    version[63] = 0;
    print(toUtf8(version) + "\n");
}

void Run::cmdWriteKeys(bool keys, bool light) {
    const std::string& file = o.args[0];
    loadProfile(file);
    openKeyboard();
    if (keys) {
        progress.start(o.language == "zh-CN" ? "写入按键" : "WriteKeys", kLastKeySlot);
        transfer(Message{"writing the keys to the keyboard failed", "向键盘写入按键失败"},
                 [&] { return store->sendKeysToKeyboard(kProgressWindow); });
    }
    if (light) {
        transfer(Message{"writing the backlight to the keyboard failed", "向键盘写入背光失败"},
                 [&] { return store->sendLightToKeyboard(); });
    }
}

void Run::cmdRead() {
    const std::string& file = o.args[0];
    openKeyboard();
    store->resetToDefaults();
    progress.start(o.language == "zh-CN" ? "读取按键" : "ReadKeys", kLastKeySlot);
    transfer(Message{"reading the keys from the keyboard failed", "从键盘读取按键失败"},
             [&] { return store->readKeysFromKeyboard(kProgressWindow); });
    transfer(Message{"reading the backlight from the keyboard failed", "从键盘读取背光失败"},
             [&] { return store->readLightFromKeyboard(); });
    saveProfile(file);
}

void Run::cmdCounters() {
    openKeyboard();
    transfer(Message{"reading the press counters failed", "读取敲击次数失败"},
             [&] { return store->readCountersFromKeyboard(); });
    std::string text;
    for (int key = 1; key <= ConfigStore::kKeyCount; ++key) {
        text += std::to_string(key) + " " + keyName(key) + " " +
                std::to_string(store->pressCounts[key]) + "\n";
    }
    text += "most: " + keyName(store->mostPressedKey) + "\n";
    text += "least: " + keyName(store->leastPressedKey) + "\n";
    print(text);
}

void Run::cmdShow() {
    const std::string& file = o.args[0];
    loadProfile(file);
    bool chinese = store->isChinese();
    std::string text;
    for (int key = 1; key <= ConfigStore::kKeyCount; ++key) {
        for (int layer = 0; layer < 2; ++layer) {
            int mode = store->keyMode[key][layer];
            std::string modeName =
                mode >= 0 && mode <= 8
                    ? toUtf8(chinese ? store->modeNamesZh[mode] : store->modeNamesEn[mode])
                    : std::to_string(mode);
            text += std::to_string(key) + " " + std::to_string(layer) + " " + modeName + " " +
                    toUtf8(store->keyDisplayText(key, layer)) + "\n";
        }
    }
    print(text);
}

void Run::cmdDefaults() {
    detectModel();
    store->resetToDefaults();
    saveProfile(o.args[0]);
}

void Run::cmdFirmware() {
    const std::string& file = o.args[0];
    std::string text =
        readFirmwareFile(file, Message{"Can't open firmware file", "打开固件文件失败"});
    int type = detectModel();
    if (!firmwareNameMatches(file, type)) {
        std::string model = toUtf8(store->modelName());
        fail(kExitUsage, file,
             Message{"The firmware does not match,please select " + model +
                         " (the file name must begin with \"" + firmwarePrefix(type) + "\")",
                     "固件不匹配，请选择" + model + "（文件名必须以 \"" + firmwarePrefix(type) +
                         "\" 开头）"});
    }
    HexCheck check = checkIntelHex(text);
    if (!check.ok) {
        fail(kExitUsage, file,
             Message{"not a valid Intel HEX file: " + check.reason.en,
                     "不是有效的 Intel HEX 文件：" + check.reason.zh});
    }
    openKeyboard();
    // The download takes the text with a NUL behind it.
    std::vector<char> data(check.normalized.begin(), check.normalized.end());
    data.push_back('\0');
    progress.start(o.language == "zh-CN" ? "固件" : "Firmware", kFirmwareScale);
    transfer(Message{"Firmware download failed.", "固件下载失败!"}, [&] {
        return store->device.WriteFirmwareToKeyboard(
            data.data(), static_cast<int>(check.normalized.size()), kProgressWindow);
    });
    print(replaceLineBreaks(
              o.language == "zh-CN"
                  ? "固件下载完成。\r\n请勿插拔USB直至三个状态指示灯同时闪烁则固件更新完成，请拔下U"
                    "SB重新上电。"
                  : "The Firmware is downloaded successfully.\r\nPlease keep the USB plug in until "
                    "three indicator lights flash simultaneously.\r\nThen firmware updated "
                    "completely,pleased unplug the USB and plug in.") +
          "\n");
}

bool parseCount(const std::string& text, long long low, long long high, long long& value) {
    long long v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) {
        return false;
    }
    value = v;
    return true;
}

void Run::cmdSimPress() {
    long long key = 0;
    long long times = 1;
    if (!parseCount(o.args[0], 1, ConfigStore::kKeyCount, key)) {
        fail(kExitUsage, "sim-press",
             Message{"KEY \"" + o.args[0] + "\" is not a key index 1..108",
                     "按键 \"" + o.args[0] + "\" 不是 1..108 之间的按键编号"});
    }
    if (o.args.size() > 1 && !parseCount(o.args[1], 0, 1'000'000'000, times)) {
        fail(kExitUsage, "sim-press",
             Message{"N \"" + o.args[1] + "\" is not a count 0..1000000000",
                     "次数 \"" + o.args[1] + "\" 不是 0..1000000000 之间的数"});
    }
    simulator->pressKey(static_cast<int>(key), static_cast<int>(times));
}

int Run::execute() {
    setUpStore();
    if (o.command == "show") {
        // A profile on its own: no keyboard, no trace, no simulated memory involved.
        cmdShow();
        return kExitDone;
    }
    setUpLink();
    const std::string& c = o.command;
    if (c == "detect") {
        cmdDetect();
    } else if (c == "version") {
        cmdVersion();
    } else if (c == "write-keys") {
        cmdWriteKeys(true, false);
    } else if (c == "write-light") {
        cmdWriteKeys(false, true);
    } else if (c == "write") {
        cmdWriteKeys(true, true);
    } else if (c == "read") {
        cmdRead();
    } else if (c == "counters") {
        cmdCounters();
    } else if (c == "defaults") {
        cmdDefaults();
    } else if (c == "firmware") {
        cmdFirmware();
    } else if (c == "sim-press") {
        cmdSimPress();
    }
    // Also a run without any transfer (detect, defaults) leaves the keyboard it started
    // in the state file, so that the model chosen now is the one of the next run.
    saveSimulatorState();
    if (log->traceWriteFailed()) {
        fail(kExitDevice, o.tracePath->string(),
             Message{"writing the trace file failed", "写入跟踪文件失败"});
    }
    return kExitDone;
}

void printFailure(std::FILE* err, const std::string& language, const std::string& subject,
                  const Message& reason) {
    std::string line = "qorvantctl: ";
    if (!subject.empty()) {
        line += subject + ": ";
    }
    line += replaceLineBreaks(reason.in(language));
    for (char& ch : line) {
        if (ch == '\n' || ch == '\r') {
            ch = ' ';
        }
    }
    line += "\n";
    std::fputs(line.c_str(), err);
}

} // namespace

int runCtl(const std::vector<std::string>& argv, std::FILE* out, std::FILE* err, bool progressOnErr,
           const SimulatorHook& simulatorHook) {
    ParseResult parsed = parseCommandLine(argv);
    if (!parsed.ok) {
        printFailure(err, parsed.options.language, "", parsed.error);
        return kExitUsage;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(usageText(options.language).c_str(), out);
        return kExitDone;
    }
    int status = kExitDone;
    std::optional<Failure> failure;
    try {
        // The run ends (progress line closed, keyboard closed, backend restored) before
        // its message is printed.
        Run run(options, out, err, progressOnErr, simulatorHook);
        try {
            status = run.execute();
        } catch (Failure& f) {
            failure = std::move(f);
        }
    } catch (const std::bad_alloc&) {
        failure = Failure{kExitDevice, "", Message{"out of memory", "内存不足"}};
    } catch (const std::exception& e) {
        failure = Failure{kExitDevice, "", Message{e.what(), e.what()}};
    }
    // A full disk or a closed pipe must not pass for a complete listing.
    if ((std::fflush(out) != 0 || std::ferror(out)) && !failure) {
        failure = Failure{kExitDevice, "", Message{"cannot write the output", "无法写出结果"}};
    }
    if (failure) {
        printFailure(err, options.language, failure->subject, failure->reason);
        status = failure->status;
    }
    return status;
}

} // namespace qorvantctl
