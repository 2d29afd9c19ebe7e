// pelmar-batch's command line: options, the document, the actions run on it.
#include "batch/batchActions.h"

#include <fstream>
#include <memory>
#include <optional>
#include <utility>

#include "shell/ProgramFolder.h"
#include "text/uniCodePage.h"
#include "text/uniCodec.h"
#include "text/uniUtf8.h"

namespace {

using TPairs = std::vector<std::pair<std::string, std::string>>;

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) {
        return {};
    }
    const size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// The few keys of Ini/pelmar.ini that the codec needs: a section's name = value pairs in
// file order, first occurrence of a section only.
TPairs ReadSection(const std::string& file, const std::string& section) {
    TPairs pairs;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    bool inside = false;
    bool seen = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            if (inside) {
                break;
            }
            inside = !seen && SameText(Trim(line.substr(1, line.size() - 2)), section);
            seen = seen || inside;
            continue;
        }
        const size_t eq = line.find('=');
        if (inside && eq != std::string::npos) {
            pairs.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
        }
    }
    return pairs;
}

std::optional<int> IntValue(const TPairs& pairs, const std::string& key) {
    for (const auto& [k, v] : pairs) {
        if (SameText(k, key)) {
            try {
                return std::stoi(v);
            } catch (const std::exception&) {
                return std::nullopt;
            }
        }
    }
    return std::nullopt;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out += "\\u00";
            out.push_back(hex[(c >> 4) & 0xF]);
            out.push_back(hex[c & 0xF]);
        } else {
            out.push_back(c);
        }
    }
    return out + "\"";
}

std::optional<TUniRepr> ReprFromText(const std::string& s) {
    if (s == "0") {
        return urNone;
    }
    if (s == "1") {
        return urDecimalRef;
    }
    if (s == "2") {
        return urUEscape;
    }
    return std::nullopt;
}

const char* const kUsage =
    "usage: pelmar-batch [--home DIR] [--charset NAME] [--surrogate NAME] [--repr 0|1|2] FILE "
    "ACTION...\n"
    "actions: --dump  --info  --set-charset NAME  --set-surrogate NAME  --set-repr 0|1|2\n"
    "         --set-eol LF|CR|CRLF|LS  --backup on|off  --save [OUT]\n";

class TBatch {
public:
    TBatch(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    int Run(const std::vector<std::string>& args) {
        size_t i = 0;
        std::string home;
        for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
            const std::string& opt = args[i];
            if (opt == "--") {
                ++i;
                break;
            }
            if (i + 1 >= args.size()) {
                return Usage("missing value for " + opt);
            }
            const std::string& value = args[++i];
            if (opt == "--home") {
                home = value;
            } else if (opt == "--charset") {
                codec_.charset = value;
            } else if (opt == "--surrogate") {
                codec_.surrogate = value;
            } else if (opt == "--repr") {
                auto repr = ReprFromText(value);
                if (!repr) {
                    return Usage("--repr takes 0, 1 or 2");
                }
                codec_.uniRepr = *repr;
            } else {
                return Usage("unknown option " + opt);
            }
        }
        if (i >= args.size()) {
            return Usage("no file named");
        }
        const std::string fileName = args[i++];
        Configure(home.empty() ? FindProgramFolder() : home);
        if (!CheckCharset(codec_.charset) || !CheckSurrogate(codec_.surrogate)) {
            return kBatchUsage;
        }

        TCodecResult loaded = codec_.Load(*list_, fileName);
        if (!loaded.ok) {
            err_ << "pelmar-batch: " << fileName << ": " << loaded.error << "\n";
            return kBatchLoadFailed;
        }
        fileName_ = fileName;

        while (i < args.size()) {
            const std::string action = args[i++];
            auto value = [&]() -> std::optional<std::string> {
                if (i < args.size()) {
                    return args[i++];
                }
                return std::nullopt;
            };
            if (action == "--dump") {
                Dump();
            } else if (action == "--info") {
                Info();
            } else if (action == "--save") {
                std::string target = fileName_;
                if (i < args.size() && args[i].rfind("--", 0) != 0) {
                    target = args[i++];
                }
                TCodecResult saved = codec_.Save(*list_, target);
                if (!saved.ok) {
                    err_ << "pelmar-batch: " << target << ": " << saved.error << "\n";
                    return kBatchSaveFailed;
                }
                if (codec_.unmappableChars > 0) {
                    err_ << "pelmar-batch: " << target << ": " << codec_.unmappableChars
                         << " characters cannot be held by " << codec_.charset
                         << " and were written as \"?\"\n";
                }
            } else if (action == "--set-charset" || action == "--set-surrogate" ||
                       action == "--set-repr" || action == "--set-eol" || action == "--backup") {
                auto v = value();
                if (!v) {
                    return Usage("missing value for " + action);
                }
                if (int rc = Set(action, *v); rc != kBatchOk) {
                    return rc;
                }
            } else {
                return Usage("unknown action " + action);
            }
        }
        out_.flush();
        return kBatchOk;
    }

private:
    int Usage(const std::string& why) {
        err_ << "pelmar-batch: " << why << "\n" << kUsage;
        return kBatchUsage;
    }

    void Configure(const std::string& home) {
        const std::string ini = home + "/Ini/pelmar.ini";
        lists_.charsets = ReadSection(ini, "charsets");
        lists_.surrogates = ReadSection(ini, "surrogates");
        lists_.htmlCharsets = ReadSection(ini, "html-charsets");
        const TPairs common = ReadSection(ini, "Common");
        SetAnsiCodePage(IntValue(common, "AnsiCodePage").value_or(1252));
        SetOemCodePage(IntValue(common, "OemCodePage").value_or(437));
        codec_.programFolder = home;
        codec_.charsetLists = &lists_;
    }

    bool CheckCharset(const std::string& name) {
        if (IsBuiltinCharset(name) || lists_.CharsetFile(name)) {
            return true;
        }
        err_ << "pelmar-batch: unknown charset \"" << name << "\"\n";
        return false;
    }

    bool CheckSurrogate(const std::string& name) {
        if (name.empty() || name == "-" || lists_.SurrogateFile(name)) {
            return true;
        }
        err_ << "pelmar-batch: unknown surrogate table \"" << name << "\"\n";
        return false;
    }

    int Set(const std::string& action, const std::string& v) {
        if (action == "--set-charset") {
            if (!CheckCharset(v)) {
                return kBatchUsage;
            }
            codec_.charset = v;
        } else if (action == "--set-surrogate") {
            if (!CheckSurrogate(v)) {
                return kBatchUsage;
            }
            codec_.surrogate = v;
        } else if (action == "--set-repr") {
            auto repr = ReprFromText(v);
            if (!repr) {
                return Usage("--set-repr takes 0, 1 or 2");
            }
            codec_.uniRepr = *repr;
        } else if (action == "--set-eol") {
            auto sep = SeparatorFromText(v);
            if (!sep) {
                return Usage("--set-eol takes LF, CR, CRLF or LS");
            }
            codec_.lineSeparator = *sep;
        } else if (action == "--backup") {
            if (v != "on" && v != "off") {
                return Usage("--backup takes on or off");
            }
            codec_.profile.createBackup = v == "on";
        }
        return kBatchOk;
    }

    void Dump() {
        std::string buf;
        const int n = list_->Count();
        for (int k = 0; k < n; ++k) {
            AppendUtf8(buf, list_->Get(k)); // escaped bytes come out as the raw bytes
            buf.push_back('\n');
            if (buf.size() >= (1u << 20)) {
                out_.write(buf.data(), static_cast<std::streamsize>(buf.size()));
                buf.clear();
            }
        }
        out_.write(buf.data(), static_cast<std::streamsize>(buf.size()));
    }

    void Info() {
        out_ << "{\"lines\":" << list_->Count() << ",\"charset\":" << JsonString(codec_.charset)
             << ",\"surrogate\":" << JsonString(codec_.surrogate.empty() ? "-" : codec_.surrogate)
             << ",\"repr\":" << static_cast<int>(codec_.uniRepr)
             << ",\"separator\":" << JsonString(std::string(SeparatorText(codec_.lineSeparator)))
             << ",\"modified\":" << (list_->Modified() ? "true" : "false")
             << ",\"escaped_bytes\":" << (codec_.escapedBytes ? "true" : "false") << "}\n";
    }

    std::ostream& out_;
    std::ostream& err_;
    TCharsetLists lists_;
    TTextCodec codec_;
    struct TReleaser {
        void operator()(TWStringList* l) const { l->Release(); }
    };
    std::unique_ptr<TWStringList, TReleaser> list_{new TWStringList};
    std::string fileName_;
};

} // namespace

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    TBatch batch(out, err);
    return batch.Run(args);
}
