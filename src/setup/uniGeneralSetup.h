// What the general setup edits: the program-wide fonts, colours and gutter width with the
// save-geometry switch in Ini/pelmar.ini, and the entries of the highlighter's colour
// scheme (rgb/default.hrd), read from and rewritten into that file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/uniFileIO.h"
#include "base/uniIni.h"
#include "profile/uniProfile.h"

// ---------------------------------------------------------------------------------------
// Ini/pelmar.ini

// The values the dialog shows and the main window writes back when it is confirmed.
struct TGeneralSettings {
    TCommonSettings common;
    // Key "SaveGeometry" of "Common": whether the main window's size, position and layout
    // are written too. Read as true when missing.
    bool saveGeometry = true;
};

TGeneralSettings ReadGeneralSettings(const TIniFile& pelmarIni);
// The fonts, sizes, six colours, gutter width and the switch; every other line stays.
TWriteResult WriteGeneralSettings(TIniFile& pelmarIni, const TGeneralSettings& settings);

// ---------------------------------------------------------------------------------------
// The colour scheme

// One "<assign .../>" line of the scheme file. Texts are as written between the quotes.
struct TSchemeEntry {
    std::string value;       // the region name
    std::string descr;       // the part of the description shown in the list (before "[")
    std::string descrSuffix; // the rest of the description, from its first "[" on
    std::string fore = "#FFFFFFFF";
    std::string back = "#FFFFFFFF";
    std::string type;
    bool hasFore = false;
    bool hasBack = false;
    bool hasType = false;
    bool hasDescr = false;
};

// The scheme's colours have no colour when they read as this (as "#FFFFFFFF" does).
inline constexpr std::int32_t kNoSchemeColor = -1;

// The attributes of a line that contains "<assign "; an entry with none of them otherwise.
TSchemeEntry ParseSchemeLine(std::string_view line);
// Whether the dialog lists the line's entry: it has fore or back and its value is not "1".
bool SchemeEntryListed(const TSchemeEntry& entry);

// The listed entries of the scheme file, in file order. A file that cannot be read
// raises EInOutError.
std::vector<TSchemeEntry> LoadSchemeEntries(const std::string& path);

// An entry as the dialog shows it: the foreground (low 24 bits a colour 0xBBGGRR, bits 24
// to 27 bold, italic, underline, strike-out) and the background.
struct TSchemeStyle {
    bool hasFore = false;
    TColor fore = 0x000000; // black when there is none
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    bool hasBack = false;
    TColor back = 0xFFFFFF; // white when there is none
    friend bool operator==(const TSchemeStyle&, const TSchemeStyle&) = default;
};

// A colour text ("#" and hexadecimal digits) as a number; kNoSchemeColor when malformed.
std::int32_t SchemeColorValue(std::string_view text);
TSchemeStyle SchemeEntryStyle(const TSchemeEntry& entry);
// Stores the style in the entry: fore "#%7.7x" of the colour with its style bits, or
// "#FFFFFFFF" and no fore; back "#%7.7x", or no back.
void KeepSchemeStyle(TSchemeEntry& entry, const TSchemeStyle& style);

// The scheme file with its lines replaced by the entries of the same value (the lines
// that would be listed; a value found twice takes the first entry) where an entry differs
// from its line; every other line, and every line end, as it was.
std::string RewriteSchemeText(std::string_view text, const std::vector<TSchemeEntry>& entries);
// The backup beside the scheme file: its name with "-" appended.
std::string SchemeBackupName(const std::string& path);
// Keeps the current file as the backup (replacing an older one) and writes the rewritten
// scheme in its place. Failures raise EInOutError; the file is then as it was.
void RewriteSchemeFile(const std::string& path, const std::vector<TSchemeEntry>& entries);

// The scheme file of a program folder: "ColorerHRD" of pelmar.ini + "/rgb/default.hrd".
std::string SchemeFilePath(const std::string& programFolder);
