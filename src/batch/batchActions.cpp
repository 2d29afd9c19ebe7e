// pelmar-batch's command line: options, the document, the actions run on it.
#include "batch/batchActions.h"

#include <fstream>
#include <memory>
#include <optional>
#include <utility>

#include "search/uniSearch.h"
#include "shell/ProgramFolder.h"
#include "shell/uniConfig.h"
#include "shell/uniIni.h"
#include "text/uniCodePage.h"
#include "text/uniCodec.h"
#include "text/uniDetect.h"
#include "text/uniUtf8.h"

namespace {

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
        Configure(home.empty() ? FindProgramFolder() : home, fileName);
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

    // The settings, charset lists and detection rules of the program folder, and the
    // file-type profile of the document.
    void Configure(const std::string& home, const std::string& fileName) {
        const TConfigFolder folder(home);
        TProgramSettings settings = ReadProgramSettings(folder);
        SetAnsiCodePage(settings.common.ansiCodePage);
        SetOemCodePage(settings.common.oemCodePage);
        lists_ = std::move(settings.charsetLists);
        const TIniFile files(folder.FilesIni());
        const TProfileResult profile =
            LoadFileProfile(files, ProfileTypeFor(fileName, "", std::nullopt), settings.common);
        codec_.profile = profile.profile.CodecProfile();
        codec_.programFolder = home;
        codec_.charsetLists = &lists_;
        detector_.Load(lists_, home);
        codec_.detectCharset = [this](const std::string& name) {
            return detector_.DetectCharset(name, codec_.profile.defaultCharset, &search_);
        };
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
    TCharsetDetector detector_;
    TuniSearch search_;
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
