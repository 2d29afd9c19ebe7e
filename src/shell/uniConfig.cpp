// The program's own settings in the program folder's configuration files.
#include "shell/uniConfig.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/uniAscii.h"
#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"

namespace fs = std::filesystem;

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return TIniName(a).Folded() == TIniName(b).Folded();
}

} // namespace

// ---------------------------------------------------------------------------------------
// Window settings

TWindowSettings ReadWindowSettings(const TIniFile& ini) {
    TWindowSettings w;
    w.width = ReadOptionalInt(ini, kCommonSection, "Width");
    w.height = ReadOptionalInt(ini, kCommonSection, "Height");
    w.zoom = ini.ReadBool(kCommonSection, "Zoom", true);
    w.left = ini.ReadInteger(kCommonSection, "Left", -1);
    w.top = ini.ReadInteger(kCommonSection, "Top", -1);
    w.maximize = ini.ReadBool(kCommonSection, "Maximize", false);
    w.tools = ini.ReadStringA(kCommonSection, "Tools", w.tools);
    w.browserWidth = ReadOptionalInt(ini, kCommonSection, "BrowserWidth");
    w.browserMin = ReadOptionalBool(ini, kCommonSection, "BrowserMin");
    w.browserLeft = ReadOptionalBool(ini, kCommonSection, "BrowserLeft");
    w.msgPanelHeight = ReadOptionalInt(ini, kCommonSection, "MsgPanelHeight");
    if (w.width && *w.width <= 0) {
        w.width.reset();
    }
    if (w.height && *w.height <= 0) {
        w.height.reset();
    }
    return w;
}

TWriteResult WriteWindowSettings(TIniFile& ini, const TWindowSettings& w) {
    ini.BeginUpdate();
    ini.WriteBool(kCommonSection, "Maximize", w.maximize);
    if (w.zoom) {
        ini.WriteBool(kCommonSection, "Zoom", *w.zoom);
    }
    if (w.width) {
        ini.WriteInteger(kCommonSection, "Width", *w.width);
    }
    if (w.height) {
        ini.WriteInteger(kCommonSection, "Height", *w.height);
    }
    ini.WriteInteger(kCommonSection, "Top", w.top);
    ini.WriteInteger(kCommonSection, "Left", w.left);
    ini.WriteStringA(kCommonSection, "Tools", w.tools);
    if (w.browserWidth) {
        ini.WriteInteger(kCommonSection, "BrowserWidth", *w.browserWidth);
    }
    if (w.browserMin) {
        ini.WriteBool(kCommonSection, "BrowserMin", *w.browserMin);
    }
    if (w.browserLeft) {
        ini.WriteBool(kCommonSection, "BrowserLeft", *w.browserLeft);
    }
    if (w.msgPanelHeight) {
        ini.WriteInteger(kCommonSection, "MsgPanelHeight", *w.msgPanelHeight);
    }
    return ini.EndUpdate();
}

TWriteResult WriteBrowserSettings(TIniFile& ini, int width, bool collapsed, bool left) {
    ini.BeginUpdate();
    ini.WriteInteger(kCommonSection, "BrowserWidth", width);
    ini.WriteBool(kCommonSection, "BrowserMin", collapsed);
    ini.WriteBool(kCommonSection, "BrowserLeft", left);
    return ini.EndUpdate();
}

TWriteResult WriteWindowGeometry(TIniFile& ini, const TWindowGeometry& g) {
    ini.BeginUpdate();
    ini.WriteBool(kCommonSection, "Maximize", g.maximize);
    if (g.zoom) {
        ini.WriteBool(kCommonSection, "Zoom", *g.zoom);
    }
    ini.WriteInteger(kCommonSection, "Width", g.width);
    ini.WriteInteger(kCommonSection, "Height", g.height);
    ini.WriteInteger(kCommonSection, "Top", g.top);
    ini.WriteInteger(kCommonSection, "Left", g.left);
    return ini.EndUpdate();
}

bool ReadSaveGeometry(const TIniFile& ini) {
    return ini.ReadBool(kCommonSection, "SaveGeometry", true);
}

TWriteResult WriteSaveGeometry(TIniFile& ini, bool save) {
    return ini.WriteBool(kCommonSection, "SaveGeometry", save);
}

TWriteResult WriteMsgPanelHeight(TIniFile& ini, int height) {
    return ini.WriteInteger(kCommonSection, "MsgPanelHeight", height);
}

// ---------------------------------------------------------------------------------------
// Tool bands

std::vector<TToolBand> ParseToolBands(std::string_view tools) {
    std::vector<TToolBand> bands;
    size_t pos = 0;
    while (pos <= tools.size()) {
        size_t comma = tools.find(',', pos);
        if (comma == std::string_view::npos) {
            comma = tools.size();
        }
        std::string_view item = tools.substr(pos, comma - pos);
        while (!item.empty() && item.front() == ' ') {
            item.remove_prefix(1);
        }
        while (!item.empty() && item.back() == ' ') {
            item.remove_suffix(1);
        }
        bool newRow = false;
        if (!item.empty() && item.front() == '*') {
            newRow = true;
            item.remove_prefix(1);
        }
        if (item.size() == 1 && item[0] >= '1' && item[0] <= '5') {
            const int number = item[0] - '0';
            const bool seen = std::any_of(bands.begin(), bands.end(),
                                          [&](const TToolBand& b) { return b.number == number; });
            if (!seen) {
                bands.push_back({number, newRow});
            }
        }
        pos = comma + 1;
    }
    return bands;
}

std::string FormatToolBands(const std::vector<TToolBand>& bands) {
    std::string text;
    for (const TToolBand& b : bands) {
        if (b.number == kWindowBand) {
            continue;
        }
        if (b.newRow) {
            text.push_back('*');
        }
        text += std::to_string(b.number);
        text.push_back(',');
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

std::vector<TToolBand> ToolBandLayout(const std::vector<TToolBand>& bands) {
    std::vector<TToolBand> layout;
    bool placed = false;
    for (const TToolBand& b : bands) {
        if (b.number == kWindowBand) {
            continue;
        }
        if (b.newRow && !placed) {
            layout.push_back({kWindowBand, false});
            placed = true;
        }
        layout.push_back(b);
    }
    if (!placed) {
        layout.push_back({kWindowBand, false});
    }
    return layout;
}

// ---------------------------------------------------------------------------------------
// Languages

int TLanguageList::IndexOf(std::string_view baseName) const {
    for (size_t i = 0; i < entries.size(); ++i) {
        if (SameName(entries[i].baseName, baseName)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TLanguageList ReadLanguageList(const TIniFile& pelmarIni, const std::string& langFolder) {
    TLanguageList list;
    list.defaultName = ReadUtf8(pelmarIni, "Languages", "Default");
    for (const std::u16string& key : pelmarIni.ReadSection("Languages")) {
        std::string base = EncodeUtf8(DecodeNumericRefs(key, TRefForms::Ampersand));
        if (SameName(base, "Default") || list.IndexOf(base) >= 0) {
            continue;
        }
        list.entries.push_back({std::move(base), pelmarIni.ReadString("Languages", key)});
    }
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::directory_iterator(langFolder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const fs::path& p = it->path();
        std::error_code typeEc;
        if (LowerAscii(p.extension().string()) == ".ini" && it->is_regular_file(typeEc)) {
            files.push_back(p);
        }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& p : files) {
        std::string base = p.stem().string();
        if (SameName(base, "Default")) {
            continue;
        }
        TIniFile lang(p.string());
        std::u16string display = lang.ReadString("Language", "Name", DecodeUtf8(base));
        if (display.empty()) {
            display = DecodeUtf8(base);
        }
        if (int i = list.IndexOf(base); i >= 0) {
            // The file's own spelling, so that the file can be opened by this name.
            TLanguageEntry& entry = list.entries[static_cast<size_t>(i)];
            entry.baseName = std::move(base);
            entry.displayName = std::move(display);
        } else {
            list.entries.push_back({std::move(base), std::move(display)});
        }
    }
    return list;
}

TWriteResult WriteDefaultLanguage(TIniFile& pelmarIni, std::string_view baseName) {
    return pelmarIni.WriteString("Languages", "Default", DecodeUtf8(baseName));
}

// ---------------------------------------------------------------------------------------
// Recent files

std::string ReadFileNameValue(const TIniFile& ini, const TIniName& section, const TIniName& key) {
    return EncodeUtf8(ini.ReadString(section, key));
}

TWriteResult WriteFileNameValue(TIniFile& ini, const TIniName& section, const TIniName& key,
                                std::string_view fileName) {
    // DecodeUtf8 keeps bytes that are not UTF-8 as escaped units, which the references
    // carry and EncodeUtf8 turns back into the same bytes.
    return ini.WriteString(section, key, DecodeUtf8(fileName));
}

TRecentFiles ReadRecentFiles(const TConfigFolder& folder) {
    const TIniFile ini(folder.RecentIni());
    TRecentFiles files;
    for (int i = 0; i < kRecentFileCount; ++i) {
        const std::string n = std::to_string(i);
        TRecentFile& f = files[static_cast<size_t>(i)];
        f.fileName = ReadFileNameValue(ini, "Files", "File" + n);
        f.charset = ReadUtf8(ini, "Files", "CharSet" + n);
        f.surrogate = ReadUtf8(ini, "Files", "Surrogate" + n);
        f.uniRepr = ini.ReadInteger("Files", "UniRepr" + n, 0);
    }
    return files;
}

std::string ReadRecentFolder(const TConfigFolder& folder) {
    const TIniFile ini(folder.RecentIni());
    return ReadFileNameValue(ini, "Path", "Path");
}

TWriteResult AddRecentFile(const TConfigFolder& folder, std::string_view fileName,
                           std::string_view charset, std::string_view surrogate, int uniRepr) {
    if (fileName.empty()) {
        return {}; // an unnamed document has nothing to record
    }
    if (TWriteResult made = ForceDirectories(folder.StorageFolder()); !made.ok) {
        return made;
    }
    std::error_code ec;
    fs::path full = fs::absolute(fs::path(std::string(fileName)), ec);
    if (ec) {
        full = fs::path(std::string(fileName));
    }
    full = full.lexically_normal();
    const std::string fullName = full.string();
    std::string parent = full.parent_path().string();
    if (parent.empty() || parent.back() != '/') {
        parent.push_back('/');
    }

    TIniFile ini(folder.RecentIni());
    ini.BeginUpdate(); // reads the file as it is now
    TRecentFiles files;
    for (int i = 0; i < kRecentFileCount; ++i) {
        const std::string n = std::to_string(i);
        TRecentFile& f = files[static_cast<size_t>(i)];
        f.fileName = ReadFileNameValue(ini, "Files", "File" + n);
        f.charset = ReadUtf8(ini, "Files", "CharSet" + n);
        f.surrogate = ReadUtf8(ini, "Files", "Surrogate" + n);
        f.uniRepr = ini.ReadInteger("Files", "UniRepr" + n, 0);
    }
    size_t index = kRecentFileCount - 1;
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].fileName == fullName) {
            index = i;
            break;
        }
    }
    for (size_t i = index; i > 0; --i) {
        files[i] = files[i - 1];
    }
    files[0] = {fullName, std::string(charset), std::string(surrogate), uniRepr};
    for (int i = 0; i < kRecentFileCount; ++i) {
        const std::string n = std::to_string(i);
        const TRecentFile& f = files[static_cast<size_t>(i)];
        WriteFileNameValue(ini, "Files", "File" + n, f.fileName);
        ini.WriteString("Files", "CharSet" + n, DecodeUtf8(f.charset));
        ini.WriteString("Files", "Surrogate" + n, DecodeUtf8(f.surrogate));
        ini.WriteInteger("Files", "UniRepr" + n, f.uniRepr);
    }
    WriteFileNameValue(ini, "Path", "Path", parent);
    return ini.EndUpdate();
}

// ---------------------------------------------------------------------------------------
// Everything at once

TProgramSettings ReadProgramSettings(const TConfigFolder& folder) {
    const TIniFile ini(folder.PelmarIni());
    TProgramSettings settings;
    settings.common = ReadCommonSettings(ini);
    settings.window = ReadWindowSettings(ini);
    settings.languages = ReadLanguageList(ini, folder.LangFolder());
    settings.charsetLists = ReadCharsetLists(ini);
    return settings;
}
