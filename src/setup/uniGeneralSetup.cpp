// The general setup's values in Ini/pelmar.ini and the colour scheme file.
#include "setup/uniGeneralSetup.h"

#include <cstdio>
#include <optional>

#include "highlight/uniColorer.h"

namespace {

constexpr std::string_view kAssign = "<assign ";

// Whether the line holds an "<assign " that is not inside a comment begun before it.
bool AssignLine(std::string_view line) {
    const size_t at = line.find(kAssign);
    if (at == std::string_view::npos) {
        return false;
    }
    const size_t comment = line.find("<!--");
    return comment == std::string_view::npos || comment > at;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The text of attribute `name` ("name" "=" and the text in double quotes, running to the
// next double quote or the end of the line); empty when the line has no such attribute.
std::optional<std::string> Attribute(std::string_view line, std::string_view name) {
    const std::string key = std::string(name) + "=\"";
    for (size_t at = line.find(key); at != std::string_view::npos; at = line.find(key, at + 1)) {
        if (at > 0 && !IsBlank(line[at - 1]) && line[at - 1] != '<') {
            continue; // "xvalue=" is not "value="
        }
        const size_t start = at + key.size();
        const size_t end = line.find('"', start);
        return std::string(line.substr(start, end == std::string_view::npos ? std::string_view::npos
                                                                            : end - start));
    }
    return std::nullopt;
}

// The value a line is replaced by: the text after "value=", without an opening double
// quote, up to a double quote, else a blank, else ">", else the end.
std::string RewriteValue(std::string_view line) {
    const size_t at = line.find("value=");
    std::string_view rest = line.substr(at + 6);
    if (!rest.empty() && rest.front() == '"') {
        rest.remove_prefix(1);
    }
    size_t end = rest.find('"');
    if (end == std::string_view::npos) {
        end = rest.find(' ');
    }
    if (end == std::string_view::npos) {
        end = rest.find('>');
    }
    return std::string(rest.substr(0, end));
}

std::string HexColor(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "#%7.7x", value);
    return text;
}

std::string NewSchemeLine(const TSchemeEntry& e, bool closed) {
    std::string line = "  <assign ";
    const auto attribute = [&](std::string_view name, std::string_view text) {
        line += std::string(name) + "=\"" + std::string(text) + "\" ";
    };
    attribute("value", e.value);
    attribute("fore", e.fore);
    if (e.hasBack) {
        attribute("back", e.back);
    }
    if (e.hasType) {
        attribute("type", e.type);
    }
    if (e.hasDescr) {
        attribute("descr", e.descr + e.descrSuffix);
    }
    line += closed ? "/>" : ">";
    return line;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Ini/pelmar.ini

TGeneralSettings ReadGeneralSettings(const TIniFile& ini) {
    TGeneralSettings s;
    s.common = ReadCommonSettings(ini);
    s.saveGeometry = ini.ReadBool(kCommonSection, "SaveGeometry", true);
    return s;
}

TWriteResult WriteGeneralSettings(TIniFile& ini, const TGeneralSettings& s) {
    ini.BeginUpdate();
    WriteCommonSettings(ini, s.common);
    ini.WriteBool(kCommonSection, "SaveGeometry", s.saveGeometry);
    return ini.EndUpdate();
}

// ---------------------------------------------------------------------------------------
// Scheme entries

TSchemeEntry ParseSchemeLine(std::string_view line) {
    TSchemeEntry e;
    if (!AssignLine(line)) {
        return e;
    }
    if (auto v = Attribute(line, "value")) {
        e.value = std::move(*v);
    }
    if (auto v = Attribute(line, "descr")) {
        e.hasDescr = true;
        const size_t bracket = v->find('[');
        e.descr = v->substr(0, bracket);
        if (bracket != std::string::npos) {
            e.descrSuffix = v->substr(bracket);
        }
    }
    if (auto v = Attribute(line, "fore")) {
        e.hasFore = true;
        e.fore = std::move(*v);
    }
    if (auto v = Attribute(line, "back")) {
        e.hasBack = true;
        e.back = std::move(*v);
    }
    if (auto v = Attribute(line, "type")) {
        e.hasType = true;
        e.type = std::move(*v);
    }
    return e;
}

bool SchemeEntryListed(const TSchemeEntry& e) {
    return (e.hasFore || e.hasBack) && e.value != "1";
}

std::vector<TSchemeEntry> LoadSchemeEntries(const std::string& path) {
    const TFileBytes file = ReadFileBytes(path);
    if (file.status != TReadStatus::Ok) {
        throw EInOutError("Cannot read the colour scheme " + path + ": " +
                          (file.error.empty() ? ErrorText(ENOENT) : file.error));
    }
    std::vector<TSchemeEntry> entries;
    std::string_view text = file.bytes;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!AssignLine(line)) {
            continue;
        }
        TSchemeEntry e = ParseSchemeLine(line);
        if (SchemeEntryListed(e)) {
            entries.push_back(std::move(e));
        }
    }
    return entries;
}

std::int32_t SchemeColorValue(std::string_view text) {
    if (!text.empty() && text.front() == '#') {
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 8) {
        return kNoSchemeColor;
    }
    std::uint32_t v = 0;
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return kNoSchemeColor;
        }
        v = (v << 4) | static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(v);
}

TSchemeStyle SchemeEntryStyle(const TSchemeEntry& e) {
    TSchemeStyle s;
    const std::int32_t fore = SchemeColorValue(e.fore);
    if (e.hasFore && fore != kNoSchemeColor) {
        const auto bits = static_cast<std::uint32_t>(fore);
        s.hasFore = true;
        s.fore = static_cast<TColor>(bits & 0xFFFFFF);
        s.bold = (bits & 0x1000000) != 0;
        s.italic = (bits & 0x2000000) != 0;
        s.underline = (bits & 0x4000000) != 0;
        s.strikeout = (bits & 0x8000000) != 0;
    }
    // "#FFFFFFFF" is no background, as it is no foreground: showing it as white would
    // write white when the entry is kept.
    const std::int32_t back = SchemeColorValue(e.back);
    if (e.hasBack && back != kNoSchemeColor) {
        s.hasBack = true;
        s.back = static_cast<TColor>(static_cast<std::uint32_t>(back) & 0xFFFFFF);
    }
    return s;
}

void KeepSchemeStyle(TSchemeEntry& e, const TSchemeStyle& s) {
    if (s.hasFore) {
        std::uint32_t v = static_cast<std::uint32_t>(s.fore) & 0xFFFFFF;
        v |= s.bold ? 0x1000000u : 0;
        v |= s.italic ? 0x2000000u : 0;
        v |= s.underline ? 0x4000000u : 0;
        v |= s.strikeout ? 0x8000000u : 0;
        e.fore = HexColor(v);
        e.hasFore = true;
    } else {
        e.fore = "#FFFFFFFF";
        e.hasFore = false;
    }
    e.hasBack = s.hasBack;
    e.back = s.hasBack ? HexColor(static_cast<std::uint32_t>(s.back) & 0xFFFFFF) : "#FFFFFFFF";
}

// ---------------------------------------------------------------------------------------
// Rewriting the scheme

std::string RewriteSchemeText(std::string_view text, const std::vector<TSchemeEntry>& entries) {
    std::string out;
    out.reserve(text.size() + 256);
    while (!text.empty()) {
        size_t end = text.find('\n');
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        std::string_view line = text.substr(0, end);
        std::string_view eol = text.substr(line.size(), next - line.size());
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
            eol = text.substr(line.size(), next - line.size());
        }
        text.remove_prefix(next);

        const bool candidate = AssignLine(line) && line.find("value=") != std::string_view::npos &&
                               (line.find("fore=") != std::string_view::npos ||
                                line.find("back=") != std::string_view::npos);
        const TSchemeEntry* entry = nullptr;
        if (candidate) {
            const std::string value = RewriteValue(line);
            if (value != "1") {
                for (const TSchemeEntry& e : entries) {
                    if (e.value == value) {
                        entry = &e;
                        break;
                    }
                }
            }
        }
        const bool closed = line.find("/>") != std::string_view::npos;
        // A line whose entry did not change keeps its own spelling.
        if (entry != nullptr &&
            NewSchemeLine(*entry, closed) != NewSchemeLine(ParseSchemeLine(line), closed)) {
            out += NewSchemeLine(*entry, closed);
        } else {
            out += line;
        }
        out += eol;
    }
    return out;
}

std::string SchemeBackupName(const std::string& path) {
    return path + "-";
}

void RewriteSchemeFile(const std::string& path, const std::vector<TSchemeEntry>& entries) {
    const TFileBytes file = ReadFileBytes(path);
    if (file.status != TReadStatus::Ok) {
        throw EInOutError("Cannot read the colour scheme " + path + ": " +
                          (file.error.empty() ? ErrorText(ENOENT) : file.error));
    }
    // The backup is complete before the scheme is replaced, and the scheme is replaced as
    // a whole: a failure on the way leaves the old scheme in its place.
    if (TWriteResult copied = CopyFileSafely(path, SchemeBackupName(path)); !copied.ok) {
        throw EInOutError("Cannot keep the colour scheme's backup " + SchemeBackupName(path) +
                          ": " + copied.error);
    }
    if (TWriteResult written = WriteFileAtomic(path, RewriteSchemeText(file.bytes, entries));
        !written.ok) {
        throw EInOutError("Cannot write the colour scheme " + path + ": " + written.error);
    }
}

std::string SchemeFilePath(const std::string& programFolder) {
    std::string folder = ReadHighlighterPaths(programFolder).scheme;
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    return folder + "rgb/default.hrd";
}
