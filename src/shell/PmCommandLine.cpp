// The program's command line.
#include "shell/PmCommandLine.h"

#include <algorithm>
#include <array>

#include "base/uniAscii.h"

namespace {

constexpr size_t kMaxArgumentBytes = 4096;

bool IsSeparator(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

bool IsUtf8Continuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The length of the UTF-8 sequence a lead byte starts (1 for anything else).
size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 1;
}

// Drops a UTF-8 sequence that the cut at the size limit left incomplete.
void DropIncompleteTail(std::string& arg) {
    size_t lead = arg.size();
    while (lead > 0 && arg.size() - lead < 3 &&
           IsUtf8Continuation(static_cast<unsigned char>(arg[lead - 1]))) {
        --lead;
    }
    if (lead == 0) {
        return;
    }
    --lead;
    if (lead + Utf8SequenceLength(static_cast<unsigned char>(arg[lead])) > arg.size()) {
        arg.erase(lead);
    }
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    if (const size_t nul = line.find('\0'); nul != std::string_view::npos) {
        line = line.substr(0, nul);
    }
    std::vector<std::string> args;
    size_t pos = 0;
    for (;;) {
        for (;;) {
            while (pos < line.size() && IsSeparator(line[pos])) {
                ++pos;
            }
            if (line.substr(pos, 2) != "\"\"") {
                break;
            }
            pos += 2;
        }
        if (pos >= line.size()) {
            break;
        }
        std::string arg;
        bool quoted = false;
        bool cut = false;
        for (; pos < line.size() && (quoted || !IsSeparator(line[pos])); ++pos) {
            if (line[pos] == '"') {
                quoted = !quoted;
            } else if (arg.size() < kMaxArgumentBytes) {
                arg += line[pos];
            } else {
                cut = true;
            }
        }
        if (cut) {
            DropIncompleteTail(arg);
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::vector<TCommandLineFile> ParseCommandArguments(const std::vector<std::string>& args) {
    std::vector<TCommandLineFile> files;
    std::string surrogate;
    int uniRepr = 0;
    bool charsetGiven = false;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            files.push_back({arg, std::string(), surrogate, uniRepr});
            charsetGiven = false;
            continue;
        }
        if (files.empty()) {
            continue;
        }
        TCommandLineFile& file = files.back();
        const std::string option = arg.substr(1);
        const std::string upper = UpperAscii(option);
        if (upper == "HTML") {
            uniRepr = 1;
        } else if (upper == "HEX") {
            uniRepr = 2;
        } else if (!charsetGiven) {
            file.charset = option;
            charsetGiven = true;
        } else {
            surrogate = option;
        }
        file.uniRepr = uniRepr;
        file.surrogate = surrogate;
    }
    for (TCommandLineFile& file : files) {
        if (file.charset.empty() || file.charset == "-") {
            file.charset = "Default";
        }
    }
    return files;
}

bool TakeNewInstanceFlag(std::vector<std::string>& args) {
    bool found = false;
    for (auto it = args.begin(); it != args.end() && *it != "--";) {
        if (*it == "--new-instance") {
            it = args.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found;
}

std::vector<std::string> WithoutToolkitOptions(const std::vector<std::string>& args) {
    // The options and their values are matched as the toolkit matches them: one or two
    // leading dashes.
    static constexpr std::array<std::string_view, 12> kWithValue = {
        "platform", "platformpluginpath", "platformtheme", "plugin",
        "display",  "geometry",           "style",         "stylesheet",
        "session",  "qwindowgeometry",    "qwindowtitle",  "qwindowicon"};
    static constexpr std::array<std::string_view, 5> kAlone = {"reverse", "nograb", "dograb",
                                                               "sync", "widgetcount"};
    std::vector<std::string> kept;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            kept.insert(kept.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        std::string_view name = arg;
        if (name.size() > 1 && name[0] == '-') {
            name.remove_prefix(name[1] == '-' ? 2 : 1);
            if (std::find(kWithValue.begin(), kWithValue.end(), name) != kWithValue.end() &&
                i + 1 < args.size()) {
                ++i;
                continue;
            }
            if (std::find(kAlone.begin(), kAlone.end(), name) != kAlone.end()) {
                continue;
            }
        }
        kept.push_back(arg);
    }
    return kept;
}

TInfoRequest InfoRequest(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h") {
            return TInfoRequest::Help;
        }
        if (arg == "--version") {
            return TInfoRequest::Version;
        }
    }
    return TInfoRequest::None;
}

std::string HelpText() {
    return "Usage: pelmar [FILE [-CHARSET] [-SURROGATE] [-HTML|-HEX]]...\n"
           "\n"
           "Opens each FILE in its own document window; without files an empty document "
           "opens.\n"
           "The options after a file apply to it:\n"
           "  -CHARSET      the first other option: the character set (-UTF-8, -Windows, a\n"
           "                table charset of Ini/pelmar.ini); \"-\" alone or none: Default,\n"
           "                the file type's profile and autodetection decide\n"
           "  -SURROGATE    the second other option: the surrogate table\n"
           "  -HTML         read and write characters as decimal references (&#DDDD;)\n"
           "  -HEX          read and write characters as escapes (\\uXXXX)\n"
           "The character set starts afresh for every file; the surrogate and -HTML or -HEX\n"
           "carry over to the files after it.\n"
           "\n"
           "A running Pelmar of the same user takes the files over: this start hands them to\n"
           "it, which opens them and comes to the front, and ends at once.\n"
           "\n"
           "  --new-instance  start a Pelmar of its own even when one is running; it neither\n"
           "                hands its files over nor takes files from later starts\n"
           "  --            end of options: every later argument is a file name\n"
           "  --help, -h    show this text and exit\n"
           "  --version     show the version and exit\n";
}

std::string VersionText(std::string_view version) {
    return "Pelmar " + std::string(version) + "\n";
}
