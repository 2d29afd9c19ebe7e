// The program's own settings: the main window's geometry and tool bars, the language
// list, recent files, and everything the start-up reads at once. What a document and its
// editor take from the configuration is in profile/uniProfile.h.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/uniFileIO.h"
#include "base/uniIni.h"
#include "profile/uniProfile.h"
#include "text/uniConvTable.h" // TCharsetLists

// ---------------------------------------------------------------------------------------
// Ini/pelmar.ini, section "Common" (kCommonSection)

// The main window's geometry, read at start-up only. Empty optionals mean "keep the
// designed or current value".
struct TWindowSettings {
    std::optional<int> width;
    std::optional<int> height;
    std::optional<bool> zoom; // open documents maximized; read as true when missing
    int left = -1;
    int top = -1;
    bool maximize = false;
    std::string tools = "1,*2,3,4,5";
    std::optional<int> browserWidth;
    std::optional<bool> browserMin;
    std::optional<bool> browserLeft; // the structure view stands left of the documents
    std::optional<int> msgPanelHeight;
};

// A width or height of 0 or less counts as missing.
TWindowSettings ReadWindowSettings(const TIniFile& pelmarIni);
// The geometry keys; `zoom` only when set (there is a document window).
TWriteResult WriteWindowSettings(TIniFile& pelmarIni, const TWindowSettings& window);
// The structure view's keys alone, as the main window keeps them when it closes: its width
// (the remembered one while it is collapsed), whether it is collapsed, and its side.
TWriteResult WriteBrowserSettings(TIniFile& pelmarIni, int width, bool collapsed, bool left);

// The main window as the exit keeps it: its place and size in the normal state (also while
// maximized), whether it is maximized, and whether the active document window is (`zoom`,
// only when there is one).
struct TWindowGeometry {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool maximize = false;
    std::optional<bool> zoom;
};
// Writes Left, Top, Width, Height, Maximize and Zoom; every other line stays as it is.
TWriteResult WriteWindowGeometry(TIniFile& pelmarIni, const TWindowGeometry& geometry);
// "SaveGeometry": whether the exit keeps the window's geometry (true when missing), as the
// general setup's "Save window size and position" box sets it.
bool ReadSaveGeometry(const TIniFile& pelmarIni);
TWriteResult WriteSaveGeometry(TIniFile& pelmarIni, bool save);
// The tool message panel's height alone (MsgPanelHeight).
TWriteResult WriteMsgPanelHeight(TIniFile& pelmarIni, int height);

// Where the main window goes: a coordinate below 0 keeps its current value.
struct TWindowPos {
    int left = 0;
    int top = 0;
};
inline TWindowPos PlaceMainWindow(TWindowPos current, int left, int top) {
    return {left < 0 ? current.left : left, top < 0 ? current.top : top};
}

// Tool-bar bands: 1 menu, 2 file, 3 edit, 4 search, 5 run; 0 is the window band (the
// active document's minimize/maximize/close buttons), which is never stored.
inline constexpr int kWindowBand = 0;
struct TToolBand {
    int number = 0;
    bool newRow = false;
    friend bool operator==(const TToolBand&, const TToolBand&) = default;
};
// "1,*2,3": unknown numbers and repeated bands are skipped.
std::vector<TToolBand> ParseToolBands(std::string_view tools);
// Back to text: "*" before a band that starts a row, "," between; the window band is left out.
std::string FormatToolBands(const std::vector<TToolBand>& bands);
// The bands as built: the window band goes just before the first band that starts a new
// row (not starting one itself), or last when none does.
std::vector<TToolBand> ToolBandLayout(const std::vector<TToolBand>& bands);

// ---------------------------------------------------------------------------------------
// Ini/pelmar.ini, "Languages" and the Lang folder

struct TLanguageEntry {
    std::string baseName; // file name without ".ini" (UTF-8)
    std::u16string displayName;
};

struct TLanguageList {
    std::vector<TLanguageEntry> entries; // menu order
    std::string defaultName;             // key "Default": the language in use at start-up

    // Base names compare ignoring case; -1 when absent.
    int IndexOf(std::string_view baseName) const;
};

// Section "Languages" (file order, "Default" left out), then every Lang/*.ini by name:
// its display name is key "Name" of section "Language" (default the base name); a base
// name already listed takes that display name, a new one is appended.
TLanguageList ReadLanguageList(const TIniFile& pelmarIni, const std::string& langFolder);
TWriteResult WriteDefaultLanguage(TIniFile& pelmarIni, std::string_view baseName);

// ---------------------------------------------------------------------------------------
// Storage/recent.ini

inline constexpr int kRecentFileCount = 8;

struct TRecentFile {
    std::string fileName; // full path; empty ends the list
    std::string charset;
    std::string surrogate;
    int uniRepr = 0;
    friend bool operator==(const TRecentFile&, const TRecentFile&) = default;
};
using TRecentFiles = std::array<TRecentFile, kRecentFileCount>;

TRecentFiles ReadRecentFiles(const TConfigFolder& folder);
// Section "Path": the folder of the file recorded last, with a trailing "/".
std::string ReadRecentFolder(const TConfigFolder& folder);
// Records a file as the most recent one: the name is made a full path; an entry with the
// same name (compared exactly) moves to the top, otherwise the oldest entry drops out. All
// eight entries and the folder are written back; Storage/ is created when missing.
TWriteResult AddRecentFile(const TConfigFolder& folder, std::string_view fileName,
                           std::string_view charset, std::string_view surrogate, int uniRepr);

// File names in configuration values: any bytes (not only UTF-8) survive the round trip.
std::string ReadFileNameValue(const TIniFile& ini, const TIniName& section, const TIniName& key);
TWriteResult WriteFileNameValue(TIniFile& ini, const TIniName& section, const TIniName& key,
                                std::string_view fileName);

// ---------------------------------------------------------------------------------------
// Everything at once

// What the start-up and every language switch read from Ini/pelmar.ini and Lang/.
struct TProgramSettings {
    TCommonSettings common;
    TWindowSettings window; // used at start-up only
    TLanguageList languages;
    TCharsetLists charsetLists;
};
TProgramSettings ReadProgramSettings(const TConfigFolder& folder);
