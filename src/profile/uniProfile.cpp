// What the program folder's configuration gives a document and its editor.
#include "profile/uniProfile.h"

#include <algorithm>
#include <cstdio>

#include "base/uniAscii.h"
#include "base/uniFileIO.h"
#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"
#include "text/uniStringList.h"

namespace {

char16_t LowerUnit(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::u16string LowerWide(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) {
        c = LowerUnit(c);
    }
    return out;
}

int ReadRanged(const TIniFile& ini, const TIniName& section, const TIniName& key, int def, int low,
               int high) {
    const int v = ini.ReadInteger(section, key, def);
    return v < low || v > high ? def : v;
}

// Appends the comma-separated names to `list`, skipping empty and repeated ones.
void AppendNames(std::vector<std::string>& list, std::string_view text) {
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string_view::npos) {
            comma = text.size();
        }
        std::string_view item = text.substr(pos, comma - pos);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) {
            item.remove_prefix(1);
        }
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) {
            item.remove_suffix(1);
        }
        if (!item.empty()) {
            const std::string folded = TIniName(item).Folded();
            const bool seen = std::any_of(list.begin(), list.end(), [&](const std::string& n) {
                return TIniName(n).Folded() == folded;
            });
            if (!seen) {
                list.emplace_back(item);
            }
        }
        pos = comma + 1;
    }
}

bool IsProfileSeparator(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'"' || c == u',' || c == u';';
}

// The file name part of a path (either separator).
std::string_view BaseName(std::string_view path) {
    const size_t sep = path.find_last_of("/\\");
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

std::string ExtensionOf(std::string_view path) {
    const std::string_view base = BaseName(path);
    const size_t dot = base.rfind('.');
    return dot == std::string_view::npos ? std::string() : LowerAscii(base.substr(dot + 1));
}

} // namespace

// ---------------------------------------------------------------------------------------

std::string TConfigFolder::IndentIni(std::string_view typeName) const {
    if (typeName.empty() || typeName == "." || typeName == ".." ||
        typeName.find_first_of("/\\") != std::string_view::npos ||
        typeName.find('\0') != std::string_view::npos) {
        return {};
    }
    return Path("Indent/" + std::string(typeName) + ".ini");
}

// ---------------------------------------------------------------------------------------
// Colours

std::string ColorToString(TColor color) {
    char buffer[16];
    const auto bits = static_cast<std::uint32_t>(color);
    if (bits <= 0xFFFFFF) {
        std::snprintf(buffer, sizeof buffer, "$%06X", bits);
    } else {
        std::snprintf(buffer, sizeof buffer, "$%08X", bits);
    }
    return buffer;
}

TColor ReadColor(const TIniFile& ini, const TIniName& section, const TIniName& key, TColor def) {
    return ini.ReadInteger(section, key, def);
}

TWriteResult WriteColor(TIniFile& ini, const TIniName& section, const TIniName& key, TColor color) {
    return ini.WriteStringA(section, key, ColorToString(color));
}

// ---------------------------------------------------------------------------------------
// Common settings

TCommonSettings ReadCommonSettings(const TIniFile& ini) {
    TCommonSettings s;
    const TCommonSettings d;
    s.editFont = ini.ReadString(kCommonSection, "EditFont", d.editFont);
    s.editFontSize = ReadRanged(ini, kCommonSection, "EditFontSize", d.editFontSize, 1, 200);
    s.interfaceFont = ini.ReadString(kCommonSection, "InterfaceFont", d.interfaceFont);
    s.interfaceFontSize =
        ReadRanged(ini, kCommonSection, "InterfaceFontSize", d.interfaceFontSize, 1, 200);
    if (s.editFont.empty()) {
        s.editFont = d.editFont;
    }
    if (s.interfaceFont.empty()) {
        s.interfaceFont = d.interfaceFont;
    }
    s.textColor = ReadColor(ini, kCommonSection, "TextColor", d.textColor);
    s.backgroundColor = ReadColor(ini, kCommonSection, "BackgroundColor", d.backgroundColor);
    s.highlightColor = ReadColor(ini, kCommonSection, "HighlightColor", d.highlightColor);
    s.gutterWidth = ReadRanged(ini, kCommonSection, "GutterWidth", d.gutterWidth, 0, 1000);
    s.gutterBColor = ReadColor(ini, kCommonSection, "GutterBColor", d.gutterBColor);
    s.gutterFColor = ReadColor(ini, kCommonSection, "GutterFColor", d.gutterFColor);
    s.gutterFColor2 = ReadColor(ini, kCommonSection, "GutterFColor2", d.gutterFColor2);
    s.ansiCodePage = ReadRanged(ini, kCommonSection, "AnsiCodePage", d.ansiCodePage, 1, 65535);
    s.oemCodePage = ReadRanged(ini, kCommonSection, "OemCodePage", d.oemCodePage, 1, 65535);
    return s;
}

TWriteResult WriteCommonSettings(TIniFile& ini, const TCommonSettings& s) {
    ini.BeginUpdate();
    ini.WriteString(kCommonSection, "EditFont", s.editFont);
    ini.WriteInteger(kCommonSection, "EditFontSize", s.editFontSize);
    ini.WriteString(kCommonSection, "InterfaceFont", s.interfaceFont);
    ini.WriteInteger(kCommonSection, "InterfaceFontSize", s.interfaceFontSize);
    ini.WriteInteger(kCommonSection, "GutterWidth", s.gutterWidth);
    WriteColor(ini, kCommonSection, "TextColor", s.textColor);
    WriteColor(ini, kCommonSection, "BackgroundColor", s.backgroundColor);
    WriteColor(ini, kCommonSection, "HighlightColor", s.highlightColor);
    WriteColor(ini, kCommonSection, "GutterFColor", s.gutterFColor);
    WriteColor(ini, kCommonSection, "GutterFColor2", s.gutterFColor2);
    WriteColor(ini, kCommonSection, "GutterBColor", s.gutterBColor);
    return ini.EndUpdate();
}

// ---------------------------------------------------------------------------------------
// Charset lists

TCharsetLists ReadCharsetLists(const TIniFile& ini) {
    auto read = [&](const char* section) {
        std::vector<std::pair<std::string, std::string>> list;
        for (const std::u16string& key : ini.ReadSection(section)) {
            list.emplace_back(EncodeUtf8(DecodeNumericRefs(key, TRefForms::Ampersand)),
                              EncodeUtf8(ini.ReadString(section, key)));
        }
        return list;
    };
    TCharsetLists lists;
    lists.charsets = read("charsets");
    lists.htmlCharsets = read("html-charsets");
    lists.surrogates = read("surrogates");
    return lists;
}

// ---------------------------------------------------------------------------------------
// File-type profiles

std::vector<TSpellIgnorePair> TFileProfile::SpellIgnorePairs() const {
    std::vector<TSpellIgnorePair> pairs;
    for (const TSpellIgnorePair& p : spellIgnore) {
        if (!p.begin.empty()) {
            pairs.push_back(p);
        }
    }
    return pairs;
}

TCodecProfile TFileProfile::CodecProfile() const {
    TCodecProfile codec;
    codec.defaultCharset = charset;
    codec.defaultSurrogate = surrogate;
    codec.defaultUniRepr = uniRepr;
    codec.createBackup = createBak;
    codec.autodetect = autoDetect;
    return codec;
}

TUniRepr UniReprFromText(std::string_view text) {
    const std::string upper = [&] {
        std::string u(text);
        for (char& c : u) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        return u;
    }();
    if (upper == "&#DDDD;") {
        return urDecimalRef;
    }
    if (upper == "\\UXXXX") {
        return urUEscape;
    }
    return urNone;
}

void ReadProfileSection(const TIniFile& ini, const TIniName& section, const TCommonSettings& common,
                        TFileProfile& p) {
    if (!ini.SectionExists(section)) {
        // Section "*" decides the font even when it is missing.
        if (section.Text() == "*") {
            p.fontName = common.editFont;
            p.fontSize = common.editFontSize;
        }
        return;
    }
    const bool star = section.Text() == "*";
    p.highlightMode = ini.ReadInteger(section, "HighlightMode", p.highlightMode) & 3;
    if (auto v = ReadOptionalBool(ini, section, "HighlightLine")) {
        p.highlightLine = v;
    }
    if (auto v = ReadOptionalBool(ini, section, "HighlightColumn")) {
        p.highlightColumn = v;
    }
    // A tab size below 1 would divide by zero in the layout: it becomes the default 4.
    // Sizes above 100 are ignored.
    if (auto v = ReadOptionalInt(ini, section, "TabSize"); v && *v <= 100) {
        p.tabSize = *v < 1 ? 4 : *v;
    }
    if (auto v = ReadOptionalBool(ini, section, "UseColorer")) {
        p.useColorer = v;
    }
    if (auto v = ReadOptionalInt(ini, section, "BackLines"); v && *v >= 0) {
        p.backLines = *v;
    }
    p.delimiters = ini.ReadString(section, "Delimiters", p.delimiters);
    p.upperCase = ini.ReadString(section, "UpperCase", p.upperCase);
    p.lowerCase = ini.ReadString(section, "LowerCase", p.lowerCase);
    p.kbd1 = ini.ReadString(section, "Kbd1", p.kbd1);
    p.kbd2 = ini.ReadString(section, "Kbd2", p.kbd2);
    AppendNames(p.subst, ReadUtf8(ini, section, "Subst"));
    AppendNames(p.keys, ReadUtf8(ini, section, "Keys"));
    p.charset = ReadUtf8(ini, section, "Charset", p.charset);
    p.surrogate = ReadUtf8(ini, section, "Surrogate", p.surrogate);
    if (p.charset.empty()) {
        p.charset = std::string(kCharsetUtf8);
    }
    if (p.surrogate.empty()) {
        p.surrogate = "-";
    }
    p.autoDetect = ini.ReadBool(section, "AutoDetect", p.autoDetect);
    p.autoIndent = ini.ReadBool(section, "AutoIndent", p.autoIndent);
    if (ini.ValueExists(section, "UniRepr")) {
        p.uniRepr = UniReprFromText(ini.ReadStringA(section, "UniRepr"));
    }
    if (auto v = ReadOptionalBool(ini, section, "Wrap")) {
        p.wrap = v;
    }
    p.createBak = ini.ReadBool(section, "CreateBAK", p.createBak);

    const std::u16string font = ini.ReadString(section, "Font");
    if (font == u"0" || (font.empty() && star)) {
        p.fontName = common.editFont;
        p.fontSize = common.editFontSize;
    } else if (font == u"1") {
        p.fontName = common.interfaceFont;
        p.fontSize = common.interfaceFontSize;
    } else if (!font.empty()) {
        p.fontName = font;
    }
    if (auto v = ReadOptionalInt(ini, section, "FontSize"); v && *v >= 1 && *v <= 200) {
        p.fontSize = v;
    }

    if (ini.ValueExists(section, "ISpellLanguage")) {
        p.spellLanguage = ReadUtf8(ini, section, "ISpellLanguage");
    }
    for (size_t i = 0; i < p.spellIgnore.size(); ++i) {
        const std::string n = std::to_string(i);
        std::u16string begin = ini.ReadString(section, "ISpellIgnoreBeg" + n);
        if (!begin.empty()) {
            std::u16string end = ini.ReadString(section, "ISpellIgnoreEnd" + n);
            if (end.empty()) {
                end = begin;
            }
            p.spellIgnore[i] = {std::move(begin), std::move(end)};
        }
    }
}

TProfileType ProfileTypeFor(std::string_view fileName, std::string_view templateFile,
                            std::optional<std::string_view> highlighterType) {
    TProfileType type;
    if (!fileName.empty()) {
        const std::string_view base = BaseName(fileName);
        type.extension =
            base.find('.') == std::string_view::npos ? LowerAscii(base) : ExtensionOf(fileName);
    } else if (!templateFile.empty()) {
        type.extension = ExtensionOf(templateFile);
    }
    if (highlighterType) {
        std::string hl = LowerAscii(*highlighterType);
        if (!hl.empty() && (hl != "default" || type.extension.empty())) {
            type.highlighter = std::move(hl);
        }
    }
    return type;
}

bool ProfileNameHasWord(std::u16string_view name, std::u16string_view word) {
    if (word.empty()) {
        return false;
    }
    const std::u16string n = LowerWide(name);
    const std::u16string w = LowerWide(word);
    for (size_t at = n.find(w); at != std::u16string::npos; at = n.find(w, at + 1)) {
        const bool before = at == 0 || IsProfileSeparator(n[at - 1]);
        const size_t after = at + w.size();
        const bool behind = after == n.size() || IsProfileSeparator(n[after]);
        if (before && behind) {
            return true;
        }
    }
    return false;
}

std::optional<std::u16string> FindProfileSection(const TIniFile& ini, const TProfileType& type) {
    const std::vector<std::u16string> sections = ini.ReadSections();
    auto find = [&](const std::string& word) -> std::optional<std::u16string> {
        const std::u16string w = DecodeUtf8(word);
        for (const std::u16string& s : sections) {
            if (s != u"*" && ProfileNameHasWord(s, w)) {
                return s;
            }
        }
        return std::nullopt;
    };
    if (!type.highlighter.empty()) {
        if (auto s = find(type.highlighter)) {
            return s;
        }
    }
    return find(type.extension);
}

TProfileResult LoadFileProfile(const TIniFile& ini, const TProfileType& type,
                               const TCommonSettings& common) {
    TProfileResult result;
    ReadProfileSection(ini, "*", common, result.profile);
    result.section = FindProfileSection(ini, type);
    if (result.section) {
        ReadProfileSection(ini, *result.section, common, result.profile);
    }
    return result;
}

// ---------------------------------------------------------------------------------------
// Substitutions

void AddSortedLines(TWStringList& list, std::vector<std::u16string> lines) {
    if (!list.Sorted() || list.Count() != 0 || list.Duplicates() != TDuplicates::Ignore) {
        for (std::u16string& line : lines) {
            list.Add(std::move(line));
        }
        return;
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    list.SetSorted(false);
    list.InsertLines(0, std::move(lines));
    list.SetSorted(true); // already in order: the sort moves nothing
}

void TSubstitutions::AddTo(TWStringList& list) const {
    std::vector<std::u16string> lines;
    lines.reserve(pairs.size());
    for (const auto& [typed, replacement] : pairs) {
        lines.push_back(typed + u"=" + replacement);
    }
    AddSortedLines(list, std::move(lines));
}

bool SubstHeaderHasName(std::u16string_view header, std::u16string_view name) {
    if (name.empty()) {
        return false;
    }
    auto isBefore = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u',' || c == u';' || c == u'[';
    };
    auto isAfter = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u',' || c == u';' || c == u']';
    };
    const std::u16string h = LowerWide(header);
    const std::u16string n = LowerWide(name);
    for (size_t at = h.find(n); at != std::u16string::npos; at = h.find(n, at + 1)) {
        const size_t after = at + n.size();
        if ((at == 0 || isBefore(h[at - 1])) && (after == h.size() || isAfter(h[after]))) {
            return true;
        }
    }
    return false;
}

TSubstitutions LoadSubstitutions(const std::string& path, const std::vector<std::string>& names) {
    TSubstitutions result;
    if (names.empty()) {
        return result;
    }
    TFileBytes file = ReadFileBytes(path);
    if (file.status != TReadStatus::Ok) {
        return result;
    }
    std::string_view bytes = file.bytes;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    std::vector<std::u16string> wideNames;
    for (const std::string& n : names) {
        wideNames.push_back(IniWideFrom8(n));
    }
    const std::u16string text = IniWideFrom8(bytes);
    bool active = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(u"\r\n", pos);
        if (end == std::u16string::npos) {
            end = text.size();
        }
        const std::u16string_view line = std::u16string_view(text).substr(pos, end - pos);
        pos = end + (end < text.size() && text[end] == u'\r' && end + 1 < text.size() &&
                             text[end + 1] == u'\n'
                         ? 2
                         : 1);
        if (line.find(u'\0') != std::u16string_view::npos) {
            continue;
        }
        if (!line.empty() && line.front() == u'[') {
            active = std::any_of(wideNames.begin(), wideNames.end(), [&](const std::u16string& n) {
                return SubstHeaderHasName(line, n);
            });
            continue;
        }
        if (!active) {
            continue;
        }
        const std::u16string decoded = DecodeNumericRefs(line, TRefForms::Ampersand);
        const size_t eq = decoded.find(u'=');
        if (eq == std::u16string::npos || eq == 0 || eq + 1 == decoded.size()) {
            continue;
        }
        std::u16string typed = decoded.substr(0, eq);
        result.maxKeyLength = std::max(result.maxKeyLength, static_cast<int>(typed.size()));
        result.pairs.emplace_back(std::move(typed), decoded.substr(eq + 1));
    }
    return result;
}

// ---------------------------------------------------------------------------------------
// Indentation rules and templates

TIndentRules LoadIndentRules(const TConfigFolder& folder, std::string_view typeName) {
    TIndentRules rules;
    const std::string path = folder.IndentIni(typeName);
    if (path.empty()) {
        return rules;
    }
    const TIniFile ini(path);
    rules.begin = ini.ReadString("*", "begin", {}, TIniRefs::Keep);
    rules.end = ini.ReadString("*", "end", {}, TIniRefs::Keep);
    rules.cont = ini.ReadString("*", "continue", {}, TIniRefs::Keep);
    rules.begin2 = ini.ReadString("*", "begin2", {}, TIniRefs::Keep);
    rules.continue2 = ini.ReadString("*", "continue2", {}, TIniRefs::Keep);
    rules.comment = ini.ReadString("*", "comment", {}, TIniRefs::Keep);
    return rules;
}

TTemplateInfo FindTemplate(const TConfigFolder& folder, std::string_view key) {
    TTemplateInfo info;
    if (TIniName(key).Empty()) {
        return info;
    }
    const TIniFile ini(folder.Path("Templates/templates.ini"));
    const std::string file = ReadUtf8(ini, "templates", key);
    if (!file.empty()) {
        info.path = ConfigPath(folder.TemplatesFolder(), file);
        info.extension = ExtensionOf(file);
    }
    info.charset = ReadUtf8(ini, "charsets", key);
    info.surrogate = ReadUtf8(ini, "surrogates", key);
    return info;
}

TDocumentConfig LoadDocumentConfig(const TConfigFolder& folder, const TProfileType& type,
                                   const TCommonSettings& common) {
    TDocumentConfig config;
    config.type = type;
    TProfileResult found = LoadFileProfile(TIniFile(folder.FilesIni()), type, common);
    config.profile = std::move(found.profile);
    config.section = std::move(found.section);
    config.substitutions = LoadSubstitutions(folder.SubstIni(), config.profile.subst);
    config.indent = LoadIndentRules(folder, type.Name());
    return config;
}
