// pelmar-batch's command line: options, the document, the actions run on it.
#include "batch/batchActions.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>
#include <utility>

#include "base/uniCodePage.h"
#include "base/uniIni.h"
#include "base/uniRecovery.h"
#include "base/uniUtf8.h"
#include "batch/batchCommands.h"
#include "batch/batchExec.h"
#include "batch/batchKeys.h"
#include "detect/uniDetect.h"
#include "editor/uniMemo.h"
#include "platform/uniEditorHost.h"
#include "platform/uniMeasure.h"
#include "print/uniPdfPrint.h"
#include "print/uniPgSetup.h"
#include "search/uniSearch.h"
#include "setup/uniFilesSetup.h"
#include "shell/ProgramFolder.h"
#include "shell/uniConfig.h"
#include "shell/uniSession.h"
#include "shell/uniTools.h"
#include "spell/uniSpellLang.h"
#include "spell/uniSpellWalk.h"
#include "structure/uniStrucParser.h"
#include "text/uniCodec.h"
#include "text/uniStringList.h"

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
    "usage: pelmar-batch [--home DIR] [--charset NAME] [--surrogate NAME] [--repr 0|1|2] "
    "[--force] [--strict] FILE ACTION...\n"
    "       pelmar-batch --recover [list|restore|discard]\n"
    "       pelmar-batch --help | --version\n"
    "--force: --save replaces a read-only file\n"
    "--strict: --save refuses to write characters the charset cannot hold as \"?\" (exit 5)\n"
    "actions: --dump  --info  --detect-scores  --set-charset NAME  --set-surrogate NAME  "
    "--set-repr 0|1|2\n"
    "         --set-eol LF|CR|CRLF|LS  --backup on|off  --save [OUT]\n"
    "         --goto COL LINE  --select COL1 LINE1 COL2 LINE2 [--column]  --type TEXT\n"
    "         --cmd NAME[:ARG]  --exec MACRO  --key KEYS  --undo  --redo  --state\n"
    "         --find PATTERN [--regex] [--case] [--word] [--back]\n"
    "         --replace-all PATTERN REPLACEMENT [--regex] [--case] [--word]\n"
    "         --file-type  --highlight [FIRST COUNT]  --structure  --spell LANG  --profile\n"
    "         --compile ENTRY  --filter ENTRY\n"
    "         --print-pdf OUT [--page-setup W H L T R B]\n"
    "--structure: the structure tree from Struc/<type>.struc (type: the highlighter's, else\n"
    "             the file's extension), one node a line; line numbers count from 1\n"
    "--profile: the file-type profile's section (files.ini) for the document, then each\n"
    "           setting with its value and whether the section has it of its own\n"
    "--compile: saves the document when it was changed, runs the entry of Compile/<type>.ini,\n"
    "           prints the tool's messages, then one JSON line per place they name and\n"
    "           {\"exit\":N}\n"
    "--filter: runs the filter (Filter/<type>.ini, Ini/filters.ini) over the selection, or\n"
    "          the whole document when nothing is selected; its output replaces the text\n"
    "--spell: the words the speller of LANG (a section of ISpell/*/ispell.ini; \"-\": the\n"
    "         document's language) rejects, from the caret on or in the selection, one a\n"
    "         line with its line and column (from 0) and the suggestions\n"
    "--print-pdf: prints the document, or the whole lines of the selection, into the PDF file\n"
    "             OUT in the profile's font with syntax colours, and says how many pages;\n"
    "             A4 with margins of 6.35 mm unless --page-setup gives the paper's width and\n"
    "             height and the left, top, right and bottom margins, all in millimetres\n";

std::optional<int> IntFromText(const std::string& s) {
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return v;
}

// A highlighter colour (0xBBGGRR) as "#RRGGBB", or null for none.
std::string JsonColour(int colour) {
    if (colour < 0) {
        return "null";
    }
    char text[16];
    std::snprintf(text, sizeof text, "\"#%02X%02X%02X\"", colour & 0xFF, (colour >> 8) & 0xFF,
                  (colour >> 16) & 0xFF);
    return text;
}

std::string JsonStyles(std::uint8_t styles) {
    std::string out = "[";
    const std::pair<std::uint8_t, const char*> names[] = {{fsBold, "bold"},
                                                          {fsItalic, "italic"},
                                                          {fsUnderline, "underline"},
                                                          {fsStrikeOut, "strikeout"}};
    for (const auto& [bit, name] : names) {
        if ((styles & bit) != 0) {
            out += std::string(out.size() > 1 ? "," : "") + "\"" + name + "\"";
        }
    }
    return out + "]";
}

std::string JsonPoint(TPoint p) {
    return "[" + std::to_string(p.X) + "," + std::to_string(p.Y) + "]";
}

// The editor's message boxes go to standard error; the last error text is kept for the
// exit message of a failed load or save.
class TStreamMessages : public TMessageBoxHost {
public:
    explicit TStreamMessages(std::ostream& err) : err_(err) {}
    std::string lastError;
    void ShowMessage(std::u16string_view, std::u16string_view text, TMessageKind kind) override {
        if (kind == TMessageKind::Error) {
            lastError = EncodeUtf8(text);
        } else {
            err_ << "pelmar-batch: " << EncodeUtf8(text) << "\n";
        }
    }

private:
    std::ostream& err_;
};

// Nobody to ask: the replace question is answered All (the only replace the tool offers),
// the code entry box is cancelled.
class TReplaceAllQuestions : public TQuestionHost {
public:
    TReplaceAnswer AskReplace(std::u16string_view, int, int, int) override {
        return TReplaceAnswer::All;
    }
    std::optional<std::u16string> EnterCode(int, int, int) override { return std::nullopt; }
};

// A clipboard that lives as long as the run: copy and paste work between actions.
class TRunClipboard : public TClipboardHost {
public:
    bool SetText(const std::u16string& utf16, const std::string& ansi, bool column) override {
        content_ = {utf16, ansi, column};
        return true;
    }
    std::optional<TClipboardText> GetText() override { return content_; }

private:
    TClipboardText content_;
};

class TBatch final {
public:
    TBatch(std::ostream& out, std::ostream& err) : out_(out), err_(err), messages_(err) {}

    int Run(const std::vector<std::string>& args) {
        if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
            out_ << kUsage;
            return 0;
        }
        if (!args.empty() && args[0] == "--version") {
            out_ << "pelmar-batch " << PELMAR_VERSION_TEXT << "\n";
            return 0;
        }
        size_t i = 0;
        std::string home;
        std::optional<std::string> charset;
        std::optional<std::string> surrogate;
        std::optional<TUniRepr> repr;
        for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
            const std::string& opt = args[i];
            if (opt == "--") {
                ++i;
                break;
            }
            if (opt == "--force") {
                force_ = true;
                continue;
            }
            if (opt == "--strict") {
                strict_ = true;
                continue;
            }
            if (opt == "--recover") {
                return Recover(i + 1 < args.size() ? args[i + 1] : "list");
            }
            if (i + 1 >= args.size()) {
                return Usage("missing value for " + opt);
            }
            const std::string& value = args[++i];
            if (opt == "--home") {
                home = value;
            } else if (opt == "--charset") {
                charset = value;
            } else if (opt == "--surrogate") {
                surrogate = value;
            } else if (opt == "--repr") {
                repr = ReprFromText(value);
                if (!repr) {
                    return Usage("--repr takes 0, 1 or 2");
                }
            } else {
                return Usage("unknown option " + opt);
            }
        }
        if (i >= args.size()) {
            return Usage("no file named");
        }
        const std::string fileName = args[i++];
        ReportLeftovers();
        Configure(home.empty() ? FindProgramFolder() : home);
        // The document's own encoding is found at the load unless the command line names it.
        const TEncodingChoice choice{charset.value_or(std::string(kCharsetDefault)),
                                     surrogate.value_or(std::string()), repr};
        if (!CheckCharset(choice.charset) ||
            !CheckSurrogate(choice.surrogate.empty() ? std::string("-") : choice.surrogate)) {
            return kBatchUsage;
        }

        if (!TSession::Open(*memo_, fileName, choice)) {
            err_ << "pelmar-batch: " << fileName << ": " << messages_.lastError << "\n";
            return kBatchLoadFailed;
        }
        fileName_ = fileName;
        const TTextCodec& codec = memo_->Codec();
        if (const int own = memo_->Lines().OwnSeparatorCount(); own > 0) {
            err_ << "pelmar-batch: " << fileName << ": the lines do not all end alike: " << own
                 << " end otherwise than the first (" << SeparatorText(codec.lineSeparator)
                 << "); they are kept as they are (--set-eol makes them uniform)\n";
        }
        if (codec.markAdded) {
            err_ << "pelmar-batch: " << fileName
                 << ": the file has no byte order mark; saving it in " << codec.charset
                 << " adds one\n";
        }

        while (i < args.size()) {
            const std::string action = args[i++];
            int rc = kBatchOk;
            try {
                rc = Action(action, args, i);
            } catch (const std::exception& e) {
                // An editor command or an expression that failed: the run stops here.
                err_ << "pelmar-batch: " << action << ": " << e.what() << "\n";
                rc = kBatchActionFailed;
            }
            if (rc != kBatchOk) {
                out_.flush();
                return rc;
            }
        }
        out_.flush();
        return kBatchOk;
    }

private:
    // The old contents that saves cut short (by a kill) left in the recovery folder.
    void ReportLeftovers() {
        for (const TLeftoverCopy& left : FindLeftoverCopies()) {
            err_ << "pelmar-batch: a save of " << left.original
                 << " was interrupted; its previous contents are in " << left.copy
                 << " (pelmar-batch --recover restore puts them back)\n";
        }
    }

    // --recover: lists the leftovers as JSON lines, puts them back, or removes them.
    int Recover(const std::string& how) {
        if (how != "list" && how != "restore" && how != "discard") {
            return Usage("--recover takes list, restore or discard");
        }
        int rc = kBatchOk;
        for (const TLeftoverCopy& left : FindLeftoverCopies()) {
            if (how == "list") {
                out_ << "{\"file\":" << JsonString(left.original)
                     << ",\"copy\":" << JsonString(left.copy) << "}\n";
            } else if (how == "discard") {
                DiscardLeftoverCopy(left);
            } else if (TWriteResult put = RestoreLeftoverCopy(left); put.ok) {
                err_ << "pelmar-batch: " << left.original << ": restored\n";
            } else {
                err_ << "pelmar-batch: " << left.original << ": " << put.error
                     << " (its previous contents stay in " << left.copy << ")\n";
                rc = kBatchSaveFailed;
            }
        }
        out_.flush();
        return rc;
    }

    int Usage(const std::string& why) {
        err_ << "pelmar-batch: " << why << "\n" << kUsage;
        return kBatchUsage;
    }

    // One action and its values, read from args[i...]; `i` moves past them.
    int Action(const std::string& action, const std::vector<std::string>& args, size_t& i) {
        auto value = [&]() -> std::optional<std::string> {
            if (i < args.size()) {
                return args[i++];
            }
            return std::nullopt;
        };
        auto flag = [&](const char* name) {
            if (i < args.size() && args[i] == name) {
                ++i;
                return true;
            }
            return false;
        };
        // Positions are numbers from 0 that fit an int; anything else (a sign, a value that
        // would wrap) is named in `bad` and refused rather than bent into range.
        std::string bad;
        auto numbers = [&](int n) -> std::optional<std::vector<int>> {
            std::vector<int> out;
            for (int k = 0; k < n; ++k) {
                auto v = value();
                auto number = v ? IntFromText(*v) : std::nullopt;
                if (!number || *number < 0) {
                    bad =
                        v ? ": \"" + *v + "\" is not a number from 0 to " + std::to_string(INT_MAX)
                          : "";
                    return std::nullopt;
                }
                out.push_back(*number);
            }
            return out;
        };
        TuniMemo& memo = *memo_;
        if (action == "--dump") {
            Dump();
        } else if (action == "--info") {
            Info();
        } else if (action == "--detect-scores") {
            DetectScores();
        } else if (action == "--state") {
            State();
        } else if (action == "--file-type") {
            return FileType();
        } else if (action == "--structure") {
            return Structure();
        } else if (action == "--profile") {
            return Profile();
        } else if (action == "--spell") {
            auto v = value();
            if (!v) {
                return Usage("missing value for --spell");
            }
            return Spell(*v);
        } else if (action == "--highlight") {
            std::vector<int> range;
            if (i < args.size() && args[i].rfind("--", 0) != 0) {
                auto n = numbers(2);
                if (!n) {
                    return Usage("--highlight takes FIRST COUNT (numbers from 0)" + bad);
                }
                range = *n;
            }
            return Highlight(range);
        } else if (action == "--compile" || action == "--filter") {
            auto v = value();
            if (!v) {
                return Usage("missing value for " + action);
            }
            return action == "--compile" ? Compile(*v) : Filter(*v);
        } else if (action == "--print-pdf") {
            auto target = value();
            if (!target) {
                return Usage("missing value for --print-pdf");
            }
            TuniPageSetup setup = BatchPageSetup();
            if (flag("--page-setup")) {
                std::vector<std::int32_t> mm;
                for (int k = 0; k < 6; ++k) {
                    auto v = value();
                    auto hundredths = v ? HundredthsFromMillimetres(*v) : std::nullopt;
                    if (!hundredths) {
                        return Usage("--page-setup takes W H L T R B in millimetres" +
                                     (v ? ": \"" + *v + "\" is not one" : std::string()));
                    }
                    mm.push_back(*hundredths);
                }
                if (mm[0] <= 0 || mm[1] <= 0) {
                    return Usage("--page-setup: the paper needs a width and a height");
                }
                setup.SetPaperSize({mm[0], mm[1]});
                setup.SetMargins({mm[2], mm[3], mm[4], mm[5]});
            }
            return PrintPdf(*target, setup);
        } else if (action == "--save") {
            std::string target = fileName_;
            if (i < args.size() && args[i].rfind("--", 0) != 0) {
                target = args[i++];
            }
            return Save(target);
        } else if (action == "--set-charset" || action == "--set-surrogate" ||
                   action == "--set-repr" || action == "--set-eol" || action == "--backup") {
            auto v = value();
            if (!v) {
                return Usage("missing value for " + action);
            }
            return Set(action, *v);
        } else if (action == "--goto") {
            auto n = numbers(2);
            if (!n) {
                return Usage("--goto takes COL LINE (numbers from 0)" + bad);
            }
            memo.BeginCommand();
            memo.GotoPosition((*n)[0], (*n)[1]);
        } else if (action == "--select") {
            auto n = numbers(4);
            if (!n) {
                return Usage("--select takes COL1 LINE1 COL2 LINE2 (numbers from 0)" + bad);
            }
            const bool column = flag("--column");
            const int last = std::max(memo.Lines().Count() - 1, 0);
            const TPoint start{(*n)[0], std::min((*n)[1], last)};
            const TPoint end{(*n)[2], std::min((*n)[3], last)};
            memo.BeginCommand();
            memo.Select(start, end, column ? TSelectionMode::Column : TSelectionMode::Stream);
            // The caret is where the selection's end follows, as far out as that end went.
            memo.SetCaret(memo.SelEnd().pos);
            memo.UpdateView();
        } else if (action == "--type") {
            auto v = value();
            if (!v) {
                return Usage("missing value for --type");
            }
            for (const char16_t unit : DecodeUtf8(*v)) {
                memo.BeginCommand();
                memo.TypeChar(unit);
                memo.UpdateView();
            }
        } else if (action == "--cmd") {
            auto v = value();
            if (!v) {
                return Usage("missing value for --cmd");
            }
            TCommandLookup found = FindEditorCommand(*v);
            if (!found.command) {
                return Usage(found.error);
            }
            memo.BeginCommand();
            (*found.command)(memo);
            // As an unshifted key: a command that moved the caret leaves no selection.
            if (memo.CaretMoved()) {
                memo.CollapseSelection();
            }
            memo.UpdateView();
        } else if (action == "--exec") {
            auto v = value();
            if (!v) {
                return Usage("missing value for --exec");
            }
            ExecMacro(memo, session_->Folder(), *v, err_);
        } else if (action == "--key") {
            auto v = value();
            if (!v) {
                return Usage("missing value for --key");
            }
            if (!keys_) {
                keys_ = std::make_unique<TBatchKeys>(*memo_, session_->Folder(), err_);
            }
            if (!keys_->Press(*v)) {
                return Usage("--key: \"" + *v + "\" names no key");
            }
        } else if (action == "--undo" || action == "--redo") {
            memo.BeginCommand();
            if (action == "--undo") {
                memo.Undo();
            } else {
                memo.Redo();
            }
            memo.UpdateView();
        } else if (action == "--find" || action == "--replace-all") {
            auto pattern = value();
            std::optional<std::string> replacement;
            if (action == "--replace-all") {
                replacement = value();
            }
            if (!pattern || (action == "--replace-all" && !replacement)) {
                return Usage(action == "--find" ? "--find takes PATTERN"
                                                : "--replace-all takes PATTERN REPLACEMENT");
            }
            TMemoSearchOptions options;
            bool back = false;
            for (bool more = true; more;) {
                more = false;
                if (flag("--regex")) {
                    options.regExpr = more = true;
                } else if (flag("--case")) {
                    options.ignoreCase = false;
                    more = true;
                } else if (flag("--word")) {
                    options.wholeWord = more = true;
                } else if (action == "--find" && flag("--back")) {
                    back = more = true;
                }
            }
            memo.SearchOptions() = options;
            memo.BeginCommand();
            if (replacement) {
                // The whole document, from its start.
                memo.GotoPosition(0, 0);
                memo.Replace(DecodeUtf8(*pattern), DecodeUtf8(*replacement), false);
            } else if (back) {
                memo.FindBackward(DecodeUtf8(*pattern), true, false);
            } else {
                memo.FindForward(DecodeUtf8(*pattern), true, false);
            }
        } else {
            return Usage("unknown action " + action);
        }
        return kBatchOk;
    }

    // The session of the program folder (settings, charset lists, detection rules), and the
    // editor that holds the document (its profile is applied when it loads).
    void Configure(const std::string& home) {
        session_ = std::make_unique<TSession>(home);
        session_->LoadSettings();
        session_->LoadHighlighting();
        TMemoPlatform platform;
        platform.measurer = &measurer_;
        platform.messages = &messages_;
        platform.questions = &questions_;
        platform.clipboard = &clipboard_;
        memo_ = std::make_unique<TuniMemo>(platform, session_->Environment(nullptr));
    }

    const TCharsetLists& Lists() const { return session_->Settings().charsetLists; }

    bool CheckCharset(const std::string& name) {
        if (IsBuiltinCharset(name) || Lists().CharsetFile(name)) {
            return true;
        }
        err_ << "pelmar-batch: unknown charset \"" << name << "\"\n";
        return false;
    }

    bool CheckSurrogate(const std::string& name) {
        if (name.empty() || name == "-" || Lists().SurrogateFile(name)) {
            return true;
        }
        err_ << "pelmar-batch: unknown surrogate table \"" << name << "\"\n";
        return false;
    }

    int Set(const std::string& action, const std::string& v) {
        TTextCodec& codec = memo_->Codec();
        TDocument& document = memo_->Document();
        if (action == "--set-charset") {
            if (!CheckCharset(v)) {
                return kBatchUsage;
            }
            document.SetEncoding(v, codec.surrogate, codec.uniRepr);
        } else if (action == "--set-surrogate") {
            if (!CheckSurrogate(v)) {
                return kBatchUsage;
            }
            document.SetEncoding(codec.charset, v, codec.uniRepr);
        } else if (action == "--set-repr") {
            auto repr = ReprFromText(v);
            if (!repr) {
                return Usage("--set-repr takes 0, 1 or 2");
            }
            document.SetEncoding(codec.charset, codec.surrogate, *repr);
        } else if (action == "--set-eol") {
            auto sep = SeparatorFromText(v);
            if (!sep) {
                return Usage("--set-eol takes LF, CR, CRLF or LS");
            }
            // Every line ends with it from now on, as one undo step.
            memo_->SetDocumentSeparator(*sep);
        } else if (action == "--backup") {
            if (v != "on" && v != "off") {
                return Usage("--backup takes on or off");
            }
            codec.profile.createBackup = v == "on";
        }
        return kBatchOk;
    }

    // A4 and the default margins, in hundredths of a millimetre.
    static TuniPageSetup BatchPageSetup() {
        TuniPageSetup setup(TPSMeasurements::pmMillimeters);
        setup.SetPaperSize({21000, 29700});
        return setup;
    }

    // "12.5" millimetres as 1250 hundredths; none for anything but a number from 0 to 10 m.
    static std::optional<std::int32_t> HundredthsFromMillimetres(const std::string& text) {
        double mm = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), mm);
        if (ec != std::errc() || end != text.data() + text.size() || !(mm >= 0 && mm <= 10000)) {
            return std::nullopt;
        }
        return static_cast<std::int32_t>(mm * 100 + 0.5);
    }

    int PrintPdf(const std::string& target, const TuniPageSetup& setup) {
        const TPrintResult printed = PrintToPdf(*memo_, target, setup);
        out_ << "{\"pdf\":" << JsonString(target) << ",\"first_line\":" << printed.firstLine
             << ",\"lines\":" << printed.lineCount << ",\"pages\":" << printed.pages << "}\n";
        return kBatchOk;
    }

    int Save(const std::string& target) {
        messages_.lastError.clear();
        if (strict_) {
            const TSaveLoss loss = memo_->Codec().FindSaveLoss(memo_->Lines());
            if (loss.count > 0) {
                char code[16];
                std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(loss.character));
                err_ << "pelmar-batch: " << target << ": " << loss.count
                     << " characters cannot be held by " << memo_->Codec().charset
                     << " (the first, " << code << ", at line " << loss.line + 1 << ", column "
                     << loss.column + 1 << "); --strict does not save\n";
                return kBatchSaveLossy;
            }
        }
        if (!memo_->SaveToFile(target, {.overwriteReadOnly = force_})) {
            if (memo_->LastSave().readOnly) {
                err_ << "pelmar-batch: " << target
                     << ": the file is read-only; --force replaces it\n";
            } else {
                err_ << "pelmar-batch: " << target << ": " << messages_.lastError << "\n";
            }
            return kBatchSaveFailed;
        }
        // --save without a name keeps writing the file that was loaded.
        memo_->SetFileName(TViewOf::This, fileName_);
        const TTextCodec& codec = memo_->Codec();
        if (codec.unmappableChars > 0) {
            err_ << "pelmar-batch: " << target << ": " << codec.unmappableChars
                 << " characters cannot be held by " << codec.charset
                 << " and were written as \"?\"\n";
        }
        return kBatchOk;
    }

    void Dump() {
        const TWStringList& list = memo_->Lines();
        std::string buf;
        const int n = list.Count();
        for (int k = 0; k < n; ++k) {
            AppendUtf8(buf, list.Get(k)); // escaped bytes come out as the raw bytes
            buf.push_back('\n');
            if (buf.size() >= (1u << 20)) {
                out_.write(buf.data(), static_cast<std::streamsize>(buf.size()));
                buf.clear();
            }
        }
        out_.write(buf.data(), static_cast<std::streamsize>(buf.size()));
    }

    void Info() {
        const TTextCodec& codec = memo_->Codec();
        const std::optional<TDetectionResult>& detection = session_->LastDetection();
        out_ << "{\"lines\":" << memo_->Lines().Count()
             << ",\"charset\":" << JsonString(codec.charset)
             << ",\"surrogate\":" << JsonString(codec.surrogate.empty() ? "-" : codec.surrogate)
             << ",\"repr\":" << static_cast<int>(codec.uniRepr)
             << ",\"separator\":" << JsonString(std::string(SeparatorText(codec.lineSeparator)))
             << ",\"own_separators\":" << memo_->Lines().OwnSeparatorCount()
             << ",\"modified\":" << (memo_->Modified() ? "true" : "false")
             << ",\"escaped_bytes\":" << (codec.escapedBytes ? "true" : "false")
             << ",\"mark_added\":" << (codec.markAdded ? "true" : "false") << ",\"detected\":"
             << (detection ? JsonString(detection->charset) : std::string("null")) << "}\n";
    }

    // Why detection chose what it chose: every entry's score and the characters of its
    // reading its expression does not name. A file whose load did not detect (a charset
    // given, or a profile without AutoDetect) is scored now, without changing anything.
    void DetectScores() {
        std::optional<TDetectionResult> detection = session_->LastDetection();
        if (!detection) {
            detection = session_->ScoreCharsets(fileName_, memo_->Codec().profile.defaultCharset);
        }
        if (!detection) {
            out_ << "{\"detected\":null,\"scores\":[]}\n";
            return;
        }
        out_ << "{\"detected\":" << JsonString(detection->charset) << ",\"scores\":[";
        bool first = true;
        for (const TDetectionScore& s : detection->scores) {
            out_ << (first ? "" : ",") << "{\"charset\":" << JsonString(s.charset)
                 << ",\"score\":" << s.score << ",\"strangers\":" << s.strangers << "}";
            first = false;
        }
        out_ << "]}\n";
    }

    // The document's highlighter, or an error naming why there is none.
    TColorerClass* Highlighter() {
        TColorerClass* colorer = memo_->Colorer();
        if (colorer == nullptr) {
            err_ << "pelmar-batch: no syntax highlighting for this file ("
                 << (HighlighterLoaded() ? "its profile switches it off"
                                         : "the highlighting library is not loaded")
                 << ")\n";
        }
        return colorer;
    }

    int FileType() {
        const TColorerClass* colorer = Highlighter();
        if (colorer == nullptr) {
            return kBatchActionFailed;
        }
        out_ << "{\"title\":" << JsonString(colorer->GetFileTypeTitle())
             << ",\"name\":" << JsonString(colorer->GetFileTypeName()) << "}\n";
        return kBatchOk;
    }

    // The document's file-type profile as the file-type setup shows it: the section that
    // applies (null when only "*" does), then every setting with its value and whether
    // the section has it of its own or takes it from "*".
    int Profile() {
        const TIniFile ini(session_->Folder().FilesIni());
        const TColorerClass* colorer = memo_->Colorer();
        std::optional<std::string> highlighter;
        if (colorer != nullptr) {
            highlighter = colorer->GetFileTypeName();
        }
        const TProfileType type = ProfileTypeFor(memo_->FileName(), {}, highlighter);
        const std::optional<std::u16string> section = FindProfileSection(ini, type);
        TFilesSetupModel model;
        model.Load(ini);
        const int index = section ? model.IndexOf(*section) : model.StarIndex();
        out_ << "{\"type\":" << JsonString(type.Name()) << ",\"section\":"
             << (section ? JsonString(EncodeUtf8(*section)) : std::string("null")) << "}\n";
        for (size_t k = 0; k < kFilesKeyCount; ++k) {
            const auto key = static_cast<TFilesKey>(k);
            const bool own = section && model.Own(index, key);
            out_ << "{\"key\":" << JsonString(FilesKeyName(key))
                 << ",\"value\":" << JsonString(EncodeUtf8(model.Value(index, key)))
                 << ",\"own\":" << (own ? "true" : "false") << "}\n";
        }
        return kBatchOk;
    }

    // The document's structure tree. The template is the one the editor uses: named by the
    // highlighter's type, or by the file's extension when there is no highlighter.
    int Structure() {
        const std::string type = memo_->FileTypeName();
        // The session pointed the cache at the program folder's Struc/.
        TDefStrucParserStorage& storage = StrucParserStorage();
        TStrucParser* parser = type.empty() ? nullptr : storage.GetParser(type);
        if (parser == nullptr) {
            err_ << "pelmar-batch: no structure template for the file type \""
                 << (type.empty() ? std::string("(none)") : type) << "\" (looked for "
                 << storage.Folder() << type << ".struc)\n";
            return kBatchActionFailed;
        }
        const TStringsAdapter adapter(memo_->Lines());
        const std::unique_ptr<TStrucTree> tree =
            parser->ParseLines(TStrucLinesOf<TStringsAdapter>(adapter), nullptr, nullptr);
        out_ << StrucTreeText(*tree);
        return kBatchOk;
    }

    // Reports each rejected word and skips it, as the spell dialog would be asked.
    class TSpellReport final : public TSpellDialogHost {
    public:
        explicit TSpellReport(std::ostream& out) : out_(out) {}
        TSpellAnswer Ask(TuniMemo& memo, const TSpellQuestion& question) override {
            const TPoint at = memo.NormalSelection().start;
            std::string suggestions;
            std::string guesses;
            for (const std::u16string& s : question.suggestions) {
                const bool guess = !s.empty() && s.front() == u':';
                std::string& list = guess ? guesses : suggestions;
                list += (list.empty() ? "" : ",") + JsonString(EncodeUtf8(guess ? s.substr(1) : s));
            }
            out_ << "{\"line\":" << at.Y << ",\"column\":" << at.X
                 << ",\"word\":" << JsonString(EncodeUtf8(question.word)) << ",\"suggestions\":["
                 << suggestions << "],\"guesses\":[" << guesses << "]}\n";
            return {TSpellResult::Skip, {}};
        }

    private:
        std::ostream& out_;
    };

    int Spell(const std::string& name) {
        const std::string language = name == "-" ? memo_->Settings().spellLanguage : name;
        const TSpellLanguages languages = LoadSpellLanguages(session_->Folder().Root());
        if (!spell_) {
            spell_ = std::make_unique<TSpellSession>();
        }
        TSpellChecker* checker = spell_->Prepare(
            language, languages, session_->Settings().charsetLists, session_->Folder());
        if (checker == nullptr) {
            err_ << "pelmar-batch: no spell language \"" << language << "\" in "
                 << session_->Folder().Path("ISpell") << "/*/ispell.ini\n";
            return kBatchActionFailed;
        }
        TSpellReport report(out_);
        SpellCheckDocument(*memo_, *checker, report);
        return kBatchOk;
    }

    // The regions of lines FIRST .. FIRST + COUNT - 1 (all lines without a range), one
    // JSON line each. Each stretch of lines is coloured as a paint of it would be: its
    // window is parsed from the profile's distance above it, then, as at idle time, from
    // the top of the document.
    int Highlight(const std::vector<int>& range) {
        TColorerClass* colorer = Highlighter();
        if (colorer == nullptr) {
            return kBatchActionFailed;
        }
        const int count = memo_->Lines().Count();
        const int first = range.empty() ? 0 : std::min(range[0], count);
        const int last = range.empty() ? count : first + std::min(range[1], count - first);
        constexpr int kRowsAtOnce = 400; // the window of a tall screen
        const auto print = [&](int line, int row) {
            out_ << "{\"line\":" << line << ",\"regions\":[";
            bool firstRegion = true;
            for (const TRowRegion& r : colorer->RowRegions(row)) {
                out_ << (firstRegion ? "" : ",") << "{\"start\":" << r.start << ",\"end\":" << r.end
                     << ",\"fg\":" << JsonColour(r.foreground)
                     << ",\"bg\":" << JsonColour(r.background)
                     << ",\"style\":" << JsonStyles(r.styles) << ",\"pair\":"
                     << (r.kind == COLORER_PAIR_START ? "\"open\""
                         : r.kind == COLORER_PAIR_END ? "\"close\""
                                                      : "null")
                     << "}";
                firstRegion = false;
            }
            out_ << "]}\n";
        };
        ColourLinesAsPainted(*colorer, first, last, memo_->Settings().backLines, kRowsAtOnce,
                             print);
        return kBatchOk;
    }

    // --compile: the entry runs with its output captured, whatever its Show says.
    int Compile(const std::string& name) {
        const std::string type = memo_->FileTypeName();
        const std::optional<TCompileEntry> entry = ReadCompileEntry(session_->Folder(), type, name);
        if (!entry) {
            err_ << "pelmar-batch: no compile entry \"" << name << "\" for the file type \"" << type
                 << "\" (looked in " << session_->Folder().Path("Compile/" + type + ".ini")
                 << ")\n";
            return kBatchActionFailed;
        }
        if (memo_->Modified()) {
            if (const int rc = Save(fileName_); rc != kBatchOk) {
                return rc;
            }
        }
        const TCompileJob job = PrepareCompileJob(*entry, *memo_, session_->Folder().Root());
        if (job.openDocument) {
            err_ << "pelmar-batch: the entry \"" << entry->name
                 << "\" opens the file with the desktop's program; nothing runs here\n";
            return kBatchActionFailed;
        }
        const TToolResult result = RunToolProcess(job.request);
        if (!result.started) {
            err_ << "pelmar-batch: --compile: " << result.messages.front() << "\n";
            return kBatchActionFailed;
        }
        for (const std::string& line : result.messages) {
            out_ << line << "\n";
        }
        for (const std::string& line : result.messages) {
            if (const std::optional<TToolLocation> at = MatchToolLocation(job.pattern, line)) {
                out_ << "{\"file\":" << JsonString(at->file) << ",\"line\":" << at->line
                     << ",\"column\":" << at->column << ",\"message\":" << JsonString(line)
                     << "}\n";
            }
        }
        out_ << "{\"exit\":" << result.exitCode << "}\n";
        return kBatchOk;
    }

    // --filter: over the selection, or the whole text when there is none.
    int Filter(const std::string& name) {
        const std::string type = memo_->FileTypeName();
        const std::optional<TFilterEntry> entry = ReadFilterEntry(session_->Folder(), type, name);
        if (!entry) {
            err_ << "pelmar-batch: no filter \"" << name << "\" for the file type \"" << type
                 << "\" (looked in " << session_->Folder().Path("Ini/filters.ini") << " and "
                 << session_->Folder().Path("Filter/" + type + ".ini") << ")\n";
            return kBatchActionFailed;
        }
        memo_->BeginCommand();
        if (!memo_->HasSelectedText()) {
            memo_->SelectAll();
        }
        const TFilterJob job = PrepareFilterJob(*entry, *memo_, session_->Folder().Root());
        if (job.Empty()) {
            return kBatchOk;
        }
        const TToolResult result = RunToolProcess(job.request);
        if (!ApplyFilterResult(*memo_, job, result)) {
            for (const std::string& line : result.messages) {
                err_ << "pelmar-batch: --filter: " << line << "\n";
            }
            err_ << "pelmar-batch: --filter: the document is left as it was\n";
            return kBatchActionFailed;
        }
        return kBatchOk;
    }

    void State() {
        const TuniMemo& m = *memo_;
        const auto b = [](bool v) { return v ? "true" : "false"; };
        out_ << "{\"caret\":" << JsonPoint(m.Caret())
             << ",\"selection\":{\"active\":" << b(m.SelectionActive()) << ",\"mode\":\""
             << (m.SelectionMode() == TSelectionMode::Column ? "column" : "stream")
             << "\",\"start\":" << JsonPoint(m.SelStart().pos)
             << ",\"end\":" << JsonPoint(m.SelEnd().pos) << "},\"modified\":" << b(m.Modified())
             << ",\"lines\":" << m.Lines().Count() << ",\"can_undo\":" << b(m.CanUndo())
             << ",\"can_redo\":" << b(m.CanRedo()) << ",\"bookmarks\":{";
        bool first = true;
        for (int n = 0; n < TuniMemo::kBookmarkCount; ++n) {
            const TPoint p = m.Bookmark(n);
            if (p.Y < 0) {
                continue;
            }
            out_ << (first ? "" : ",") << "\"" << n << "\":" << JsonPoint(p);
            first = false;
        }
        out_ << "}}\n";
    }

    std::ostream& out_;
    std::ostream& err_;
    // Made by Configure; outlives the editor, which borrows its settings.
    std::unique_ptr<TSession> session_;
    TCellMeasurer measurer_;
    TStreamMessages messages_;
    TReplaceAllQuestions questions_;
    TRunClipboard clipboard_;
    std::unique_ptr<TuniMemo> memo_;
    // Made at the first --key; goes before the editor.
    std::unique_ptr<TBatchKeys> keys_;
    // The speller, started by the first --spell and kept for the next one.
    std::unique_ptr<TSpellSession> spell_;
    std::string fileName_;
    bool force_ = false;  // --force: a read-only file is replaced without refusing
    bool strict_ = false; // --strict: a save that would write "?" for characters is refused
};

} // namespace

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    TBatch batch(out, err);
    return batch.Run(args);
}
