#include "CommandLine.h"

#include <charconv>
#include <string_view>

namespace qorvantctl {

namespace {

struct CommandShape {
    std::string_view name;
    int minArgs;
    int maxArgs;
    std::string_view argsEn; // what the arguments are, for the error message
    std::string_view argsZh;
};

constexpr CommandShape kCommands[] = {
    {"detect", 0, 0, "", ""},
    {"version", 0, 0, "", ""},
    {"write-keys", 1, 1, "PROFILE", "配置文件 PROFILE"},
    {"write-light", 1, 1, "PROFILE", "配置文件 PROFILE"},
    {"write", 1, 1, "PROFILE", "配置文件 PROFILE"},
    {"read", 1, 1, "PROFILE", "配置文件 PROFILE"},
    {"counters", 0, 0, "", ""},
    {"show", 1, 1, "PROFILE", "配置文件 PROFILE"},
    {"defaults", 1, 1, "PROFILE", "配置文件 PROFILE"},
    {"firmware", 1, 1, "FILE", "固件文件 FILE"},
    {"sim-press", 1, 2, "KEY [N]", "按键 KEY [次数 N]"},
};

const CommandShape* findCommand(std::string_view name) {
    for (const auto& shape : kCommands) {
        if (shape.name == name) {
            return &shape;
        }
    }
    return nullptr;
}

Message fail(std::string en, std::string zh) {
    return Message{std::move(en), std::move(zh)};
}

bool parseModel(std::string_view text, int& model) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 5) {
        return false;
    }
    model = value;
    return true;
}

} // namespace

ParseResult parseCommandLine(const std::vector<std::string>& argv) {
    ParseResult result;
    Options& o = result.options;
    std::vector<std::string> positional;
    bool optionsEnded = false;

    for (std::size_t i = 1; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            o.help = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name == "--simulate") {
            o.simulate = true;
            if (value) {
                if (!parseModel(*value, o.model)) {
                    result.error = fail("--simulate: model \"" + *value + "\" is not 1..5",
                                        "--simulate：型号 \"" + *value + "\" 不在 1..5 之内");
                    return result;
                }
                o.modelGiven = true;
            }
            continue;
        }
        if (name == "--state" || name == "--trace" || name == "--lang") {
            if (!value) {
                if (i + 1 >= argv.size()) {
                    result.error = fail(name + " needs a value", name + " 需要一个参数");
                    return result;
                }
                value = argv[++i];
            }
            if (name == "--lang") {
                if (*value != "zh-CN" && *value != "en-US") {
                    result.error = fail("--lang: \"" + *value + "\" is neither zh-CN nor en-US",
                                        "--lang：\"" + *value + "\" 既不是 zh-CN 也不是 en-US");
                    return result;
                }
                o.language = *value;
            } else if (value->empty()) {
                result.error = fail(name + " needs a file name", name + " 需要一个文件名");
                return result;
            } else if (name == "--state") {
                o.statePath = std::filesystem::path(*value);
            } else {
                o.tracePath = std::filesystem::path(*value);
            }
            continue;
        }
        result.error = fail("unknown option \"" + arg + "\" (see --help)",
                            "未知选项 \"" + arg + "\"（参见 --help）");
        return result;
    }

    if (o.help) {
        result.ok = true;
        return result;
    }
    if (positional.empty()) {
        result.error = fail("no command given (see --help)", "未给出命令（参见 --help）");
        return result;
    }
    o.command = positional.front();
    o.args.assign(positional.begin() + 1, positional.end());
    const CommandShape* shape = findCommand(o.command);
    if (!shape) {
        result.error = fail("unknown command \"" + o.command + "\" (see --help)",
                            "未知命令 \"" + o.command + "\"（参见 --help）");
        return result;
    }
    int count = static_cast<int>(o.args.size());
    if (count < shape->minArgs || count > shape->maxArgs) {
        if (shape->maxArgs == 0) {
            result.error = fail(o.command + " takes no arguments", o.command + " 不带参数");
        } else {
            result.error = fail(o.command + " takes " + std::string(shape->argsEn),
                                o.command + " 需要 " + std::string(shape->argsZh));
        }
        return result;
    }
    if (o.statePath && !o.simulate) {
        result.error =
            fail("--state works only with --simulate", "--state 只能与 --simulate 一起使用");
        return result;
    }
    if (o.command == "sim-press" && !o.simulate) {
        result.error =
            fail("sim-press works only with --simulate", "sim-press 只能与 --simulate 一起使用");
        return result;
    }
    result.ok = true;
    return result;
}

std::string usageText(const std::string& language) {
    if (language == "zh-CN") {
        return "用法：qorvantctl [选项] 命令 [参数]\n"
               "  --simulate[=MODEL]  使用内置的模拟键盘，型号 1..5（默认 1），不使用 USB\n"
               "  --state FILE        与 --simulate 一起：模拟键盘的存储保存在 FILE 中\n"
               "  --trace FILE        把与键盘交换的每个报告追加到 FILE\n"
               "  --lang zh-CN|en-US  名称和消息的语言（默认 en-US）\n"
               "\n"
               "  detect               显示 \"<型号编号> <型号名称>\"\n"
               "  version              显示键盘的版本文字\n"
               "  write-keys PROFILE   载入配置文件并写入全部按键设置\n"
               "  write-light PROFILE  载入配置文件并写入背光\n"
               "  write PROFILE        两者都写，先写按键\n"
               "  read PROFILE         从键盘读取按键和背光，保存为配置文件\n"
               "  counters             读取敲击次数\n"
               "  show PROFILE         显示配置文件的每个按键和层\n"
               "  defaults PROFILE     把型号的出厂配置保存为配置文件\n"
               "  firmware FILE        检查并下载固件文件（Intel HEX）\n"
               "  sim-press KEY [N]    与 --simulate 一起：在模拟键盘上按键 KEY N 次\n"
               "\n"
               "退出状态：0 完成；1 未找到键盘或传输失败；2 用法或输入错误。\n";
    }
    return "Usage: qorvantctl [options] COMMAND [ARGS]\n"
           "  --simulate[=MODEL]  use the built-in simulated keyboard of model 1..5 (default 1)\n"
           "                      instead of USB\n"
           "  --state FILE        with --simulate: the simulated keyboard's memory lives in FILE\n"
           "  --trace FILE        append every report exchanged with the keyboard to FILE\n"
           "  --lang zh-CN|en-US  language of names and messages (default en-US)\n"
           "\n"
           "  detect               print \"<DeviceType> <model name>\"\n"
           "  version              print the keyboard's version text\n"
           "  write-keys PROFILE   load PROFILE and write every key assignment\n"
           "  write-light PROFILE  load PROFILE and write the backlight\n"
           "  write PROFILE        both, keys first\n"
           "  read PROFILE         read keys and backlight from the keyboard, save as PROFILE\n"
           "  counters             read the press counters, name the most and least pressed\n"
           "  show PROFILE         print every key and layer of PROFILE\n"
           "  defaults PROFILE     save the model's factory configuration as PROFILE\n"
           "  firmware FILE        check an Intel HEX firmware file and download it\n"
           "  sim-press KEY [N]    with --simulate: press key KEY N times (default 1)\n"
           "\n"
           "Exit status: 0 done; 1 keyboard not found or transfer failed; 2 bad usage or input.\n";
}

} // namespace qorvantctl
