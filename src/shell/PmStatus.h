// The texts the main window shows for its documents: status panels, tab and window
// captions, recent-file menu items, and whether two file names name one file.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "text/uniCodec.h"

// What the status bar shows of the active document. Column and line are 0-based; `code`
// is the code unit under the caret (0 for none); charset and surrogate names are UTF-8.
struct TStatusInfo {
    bool modified;
    int column;
    int line;
    int lineCount;
    char16_t code;
    bool wordWrap;
    std::string charset;
    std::string surrogate;
    int uniRepr;
    TLineSeparator separator = lsLF;
};

// The texts of status panels 0 to 7: "*" or " " with "%3d : %d / %d" of the 1-based
// column, the 1-based line and the line count; the code in decimal and as "0x%x" (both
// empty for 0); " >=<" with word wrap, " <=>" without; the charset; the surrogate; "HTML"
// for representation 1, "Hex" for 2, nothing otherwise; the line separator ("CR LF", "LF",
// "CR", "U+2028").
std::array<std::u16string, 8> StatusPanelTexts(const TStatusInfo& info);

// How the status bar names a line separator.
std::u16string SeparatorCaption(TLineSeparator separator);

// The name of a document: its file's name without the folder (file names are UTF-8), or
// `newFileText` for a document without a file.
std::u16string DocumentName(const std::string& fileName, std::u16string_view newFileText);

// A tab caption: "*" for a modified document or " " otherwise, then its DocumentName.
std::u16string TabCaption(bool modified, const std::string& fileName,
                          std::u16string_view newFileText);

// A recent-file menu caption: "&" and index + 1 as the accelerator, a blank, the full path.
std::u16string RecentItemCaption(int index, const std::string& fullPath);

// Whether two file names name the same file. Both are made absolute and lexically
// normalised; when both exist the file system decides (so a link and its target, or
// "a/../b" and "b", match), otherwise the normalised paths must be equal — letter case
// counts, as it does on the file system. An empty name names no file.
bool SameDocumentFile(const std::string& a, const std::string& b);
