// The external tools of a file type: entries, command templates, message locations.
#include "shell/uniTools.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "actions/uniActions.h"
#include "base/uniIni.h"
#include "base/uniUtf8.h"
#include "editor/uniMemo.h"
#include "profile/uniProfile.h"
#include "search/RegExpr.h"
#include "shell/PmCommandLine.h"

namespace {

// The section a name stands for: blanks for "_" first, the name as written second.
std::optional<std::string> FindSection(const TIniFile& ini, std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    const std::string blanks = ToolEntryName(name);
    if (ini.SectionExists(blanks)) {
        return blanks;
    }
    if (ini.SectionExists(std::string(name))) {
        return std::string(name);
    }
    return std::nullopt;
}

bool FlagValue(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (text == "true" || text == "yes" || text == "on") {
        return true;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value != 0;
}

// Reads `key` over `value` when the section has it.
void ReadKey(const TIniFile& ini, const std::string& section, const char* key, std::string& value) {
    if (ini.ValueExists(section, key)) {
        value = ReadUtf8(ini, section, key);
    }
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of `what` in `text` from `from` on, ignoring ASCII case.
std::size_t FindFolded(std::string_view text, std::string_view what, std::size_t from) {
    if (what.size() > text.size()) {
        return std::string_view::npos;
    }
    for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < what.size() && AsciiLower(text[i + k]) == AsciiLower(what[k])) {
            ++k;
        }
        if (k == what.size()) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::optional<int> NumberOf(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::string ToolEntryName(std::string_view actionName) {
    std::string name(actionName);
    for (char& c : name) {
        if (c == '_') {
            c = ' ';
        }
    }
    return name;
}

std::optional<TCompileEntry> ReadCompileEntry(const TConfigFolder& folder, std::string_view type,
                                              std::string_view name) {
    const std::string path = ToolTypeFile(folder, "Compile", type);
    if (path.empty()) {
        return std::nullopt;
    }
    const TIniFile ini(path);
    const std::optional<std::string> section = FindSection(ini, name);
    if (!section) {
        return std::nullopt;
    }
    TCompileEntry entry;
    entry.name = *section;
    ReadKey(ini, *section, "Cmd", entry.cmd);
    ReadKey(ini, *section, "Home", entry.home);
    std::string show;
    ReadKey(ini, *section, "Show", show);
    entry.show = FlagValue(show);
    ReadKey(ini, *section, "Pattern", entry.pattern);
    ReadKey(ini, *section, "FilePos", entry.filePos);
    ReadKey(ini, *section, "LinePos", entry.linePos);
    ReadKey(ini, *section, "ColumnPos", entry.columnPos);
    return entry;
}

std::optional<TFilterEntry> ReadFilterEntry(const TConfigFolder& folder, std::string_view type,
                                            std::string_view name) {
    TFilterEntry entry;
    bool found = false;
    // The type's file first; the common file's keys win.
    for (const std::string& path :
         {ToolTypeFile(folder, "Filter", type), folder.Path("Ini/filters.ini")}) {
        if (path.empty()) {
            continue;
        }
        const TIniFile ini(path);
        const std::optional<std::string> section = FindSection(ini, name);
        if (!section) {
            continue;
        }
        found = true;
        entry.name = *section;
        ReadKey(ini, *section, "Cmd", entry.cmd);
        ReadKey(ini, *section, "Home", entry.home);
        ReadKey(ini, *section, "Charset", entry.charset);
        ReadKey(ini, *section, "Surrogate", entry.surrogate);
    }
    if (!found) {
        return std::nullopt;
    }
    return entry;
}

TToolMacros MacrosForFile(const std::string& fileName, const std::string& home,
                          const std::string& programFolder) {
    TToolMacros m;
    if (!fileName.empty()) {
        std::error_code ec;
        std::filesystem::path full = std::filesystem::absolute(fileName, ec);
        if (ec) {
            full = fileName;
        }
        full = full.lexically_normal();
        m.file = full.string();
        m.path = full.parent_path().string();
        if (m.path.empty() || m.path.back() != '/') {
            m.path += '/';
        }
        const std::string base = full.filename().string();
        const std::size_t dot = base.rfind('.');
        m.name = dot == std::string::npos ? base : base.substr(0, dot);
        m.ext = dot == std::string::npos ? std::string() : base.substr(dot);
        m.home = full.parent_path().string();
    }
    if (!home.empty()) {
        m.home = home;
    }
    m.pelmar = programFolder;
    if (!m.pelmar.empty() && m.pelmar.back() != '/') {
        m.pelmar += '/';
    }
    return m;
}

std::string ExpandToolMacros(std::string_view text, const TToolMacros& macros) {
    struct TPiece {
        std::string text;
        bool inserted;
    };
    std::vector<TPiece> pieces{{std::string(text), false}};
    const std::pair<std::string_view, const std::string*> table[] = {
        {"%File%", &macros.file},         {"%Path%", &macros.path},    {"%Name%", &macros.name},
        {"%Ext%", &macros.ext},           {"%Home%", &macros.home},    {"%Word%", &macros.word},
        {"%Selected%", &macros.selected}, {"%Pelmar%", &macros.pelmar}};
    for (const auto& [macro, value] : table) {
        if (macro == "%Selected%" && !macros.withSelected) {
            continue;
        }
        std::vector<TPiece> next;
        for (TPiece& piece : pieces) {
            if (piece.inserted) {
                next.push_back(std::move(piece));
                continue;
            }
            std::size_t from = 0;
            for (std::size_t at = FindFolded(piece.text, macro, 0); at != std::string::npos;
                 at = FindFolded(piece.text, macro, from)) {
                next.push_back({piece.text.substr(from, at - from), false});
                next.push_back({*value, true});
                from = at + macro.size();
            }
            next.push_back({piece.text.substr(from), false});
        }
        pieces = std::move(next);
    }
    std::string out;
    for (const TPiece& piece : pieces) {
        out += piece.text;
    }
    return out;
}

std::vector<std::string> ToolArguments(std::string_view cmd, const TToolMacros& macros) {
    std::vector<std::string> argv = SplitCommandLine(cmd);
    for (std::string& arg : argv) {
        arg = ExpandToolMacros(arg, macros);
    }
    return argv;
}

std::string ToolWorkDir(const std::string& home, const std::vector<std::string>& argv) {
    if (!home.empty()) {
        return home;
    }
    if (!argv.empty() && argv[0].find('/') != std::string::npos) {
        return std::filesystem::path(argv[0]).parent_path().string();
    }
    return {};
}

std::string FilterInput(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& line : lines) {
        size += line.size() + 1;
    }
    std::string input;
    input.reserve(size);
    for (const std::string& line : lines) {
        input += line;
        input += '\n';
    }
    return input;
}

std::vector<std::string> FilterResultLines(std::vector<std::string> output,
                                           bool selectionEndsWithBreak) {
    if (!selectionEndsWithBreak && !output.empty() && output.back().empty()) {
        output.pop_back();
    }
    return output;
}

std::optional<TToolLocation> MatchToolLocation(const TToolPattern& pattern, std::string_view line) {
    if (pattern.Empty()) {
        return std::nullopt;
    }
    TRegExpr re;
    re.SetExpression(IniWideFrom8(pattern.pattern));
    if (!re.Exec(IniWideFrom8(line))) {
        return std::nullopt;
    }
    const std::optional<int> lineNumber =
        NumberOf(EncodeUtf8(re.Substitute(IniWideFrom8(pattern.linePos))));
    if (!lineNumber) {
        return std::nullopt;
    }
    TToolLocation location;
    location.line = *lineNumber;
    location.column =
        NumberOf(EncodeUtf8(re.Substitute(IniWideFrom8(pattern.columnPos)))).value_or(0);
    const std::string file = EncodeUtf8(re.Substitute(IniWideFrom8(pattern.filePos)));
    if (!file.empty()) {
        std::filesystem::path p(file);
        if (p.is_relative()) {
            std::error_code ec;
            const std::filesystem::path base = pattern.workDir.empty()
                                                   ? std::filesystem::current_path(ec)
                                                   : std::filesystem::path(pattern.workDir);
            p = base / p;
        }
        location.file = p.lexically_normal().string();
    }
    return location;
}

// --- runs on a document ----------------------------------------------------------------------

namespace {

TToolMacros MacrosForMemo(const TuniMemo& memo, const std::string& home,
                          const std::string& programFolder, bool withSelected) {
    TToolMacros macros = MacrosForFile(memo.FileName(), home, programFolder);
    macros.word = EncodeUtf8(memo.WordAtCaret());
    macros.withSelected = withSelected;
    if (withSelected) {
        std::vector<std::string> lines;
        memo.ExportSelection(lines, "UTF-8", "");
        for (std::size_t i = 0; i < lines.size(); ++i) {
            macros.selected += (i > 0 ? "\n" : "") + lines[i];
        }
    }
    return macros;
}

} // namespace

TCompileJob PrepareCompileJob(const TCompileEntry& entry, const TuniMemo& memo,
                              const std::string& programFolder) {
    TCompileJob job;
    job.entry = entry;
    job.documentFile = memo.FileName();
    if (entry.cmd.empty()) {
        job.openDocument = true;
        return job;
    }
    const TToolMacros macros = MacrosForMemo(memo, entry.home, programFolder, true);
    job.request.argv = ToolArguments(entry.cmd, macros);
    job.request.workDir = ToolWorkDir(macros.home, job.request.argv);
    job.request.output = TToolOutput::Messages;
    job.pattern = {entry.pattern, entry.filePos, entry.linePos, entry.columnPos,
                   job.request.workDir};
    return job;
}

TFilterJob PrepareFilterJob(const TFilterEntry& entry, const TuniMemo& memo,
                            const std::string& programFolder) {
    TFilterJob job;
    job.entry = entry;
    job.charset = entry.charset.empty() ? std::string("UTF-8") : entry.charset;
    job.surrogate = entry.surrogate;
    if (entry.cmd.empty()) {
        return job;
    }
    const TToolMacros macros = MacrosForMemo(memo, entry.home, programFolder, false);
    job.request.argv = ToolArguments(entry.cmd, macros);
    job.request.workDir = ToolWorkDir(macros.home, job.request.argv);
    job.request.output = TToolOutput::Separate;
    // A filter's result replaces text: it is never cut short (a longer one fails instead).
    job.request.maxBytes = std::size_t{512} << 20;
    std::vector<std::string> lines;
    job.block = memo.ExportSelection(lines, job.charset, job.surrogate);
    const TNormalSelection sel = memo.NormalSelection();
    job.selectionEndsWithBreak =
        memo.HasSelectedText() && !job.block && sel.end.X == 0 && sel.end.Y > sel.start.Y;
    job.request.input = FilterInput(lines);
    return job;
}

bool ApplyFilterResult(TuniMemo& memo, const TFilterJob& job, const TToolResult& result) {
    if (!result.started || result.cancelled || result.truncated || !result.messages.empty()) {
        return false;
    }
    memo.ImportSelection(FilterResultLines(result.output, job.selectionEndsWithBreak),
                         job.block ? TSelectionMode::Column : TSelectionMode::Stream, job.surrogate,
                         job.charset);
    return true;
}
