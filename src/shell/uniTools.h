// The external tools of a file type: compile entries (Compile/<type>.ini) and filters
// (Filter/<type>.ini and Ini/filters.ini), their command templates with macros, and how
// a line of a tool's output names a place in a file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/uniToolProcess.h"

class TConfigFolder;

// One section of Compile/<type>.ini.
struct TCompileEntry {
    std::string name; // the section (blanks as written)
    std::string cmd;  // empty: the document is opened with the desktop's handler
    std::string home; // empty: the document's folder
    bool show = false;
    std::string pattern; // recognises a message line that names a place
    std::string filePos = "$1";
    std::string linePos = "$2";
    std::string columnPos = "$3";
};

// One filter: Filter/<type>.ini read first, Ini/filters.ini over it.
struct TFilterEntry {
    std::string name;
    std::string cmd;
    std::string home;
    std::string charset;
    std::string surrogate;
};

// An action's entry name back as the section's: "_" becomes a blank.
std::string ToolEntryName(std::string_view actionName);

// The entry of that name (action form or section form), or nothing when no file has it.
std::optional<TCompileEntry> ReadCompileEntry(const TConfigFolder& folder, std::string_view type,
                                              std::string_view name);
std::optional<TFilterEntry> ReadFilterEntry(const TConfigFolder& folder, std::string_view type,
                                            std::string_view name);

// What the macros of a command template stand for. Texts are 8-bit (UTF-8 here).
struct TToolMacros {
    std::string file;     // %File%: the document's full file name
    std::string path;     // %Path%: its folder with a trailing "/"
    std::string name;     // %Name%: the file name without folder and extension
    std::string ext;      // %Ext%: the extension with its dot
    std::string home;     // %Home%: the working folder
    std::string word;     // %Word%: the word at the caret
    std::string selected; // %Selected%: the selection (compile entries only)
    bool withSelected = true;
    std::string pelmar; // %Pelmar%: the program folder with a trailing "/"
};

// The file-name macros of a document, and %Home% from the entry's Home (empty: the
// document's folder).
TToolMacros MacrosForFile(const std::string& fileName, const std::string& home,
                          const std::string& programFolder);

// Replaces the macros in the order %File%, %Path%, %Name%, %Ext%, %Home%, %Word%,
// %Selected%, %Pelmar%, each found ignoring ASCII case; what a replacement inserted is
// never searched again.
std::string ExpandToolMacros(std::string_view text, const TToolMacros& macros);

// The program's arguments: the template is split into arguments first (the command-line
// rules) and each argument is expanded then, so whatever a macro holds (blanks, quotes,
// ";", "$(...)") stays inside the argument it was written in and never meets a shell.
std::vector<std::string> ToolArguments(std::string_view cmd, const TToolMacros& macros);

// The working folder of a run: the given one, else the folder of the program named by
// the first argument, else empty (the current folder).
std::string ToolWorkDir(const std::string& home, const std::vector<std::string>& argv);

// Filter input: each line followed by LF.
std::string FilterInput(const std::vector<std::string>& lines);

// The result lines of a filter as they replace the selection. The tool's last line break
// is taken as the one the input ended with: when the selection did not end at a line
// break, an empty last line is dropped, so "b\na" sorted is "a\nb" and not "a\nb\n".
std::vector<std::string> FilterResultLines(std::vector<std::string> output,
                                           bool selectionEndsWithBreak);

// --- following a message ------------------------------------------------------------------

// The pattern of the last compile run and where it ran.
struct TToolPattern {
    std::string pattern;
    std::string filePos = "$1";
    std::string linePos = "$2";
    std::string columnPos = "$3";
    std::string workDir; // relative file names are taken from here
    bool Empty() const { return pattern.empty(); }
};

struct TToolLocation {
    std::string file; // empty: the active document; else absolute
    int line = 0;     // 1-based as the tool wrote it (0: the first line)
    int column = 0;   // 1-based; 0 keeps the caret's column
    bool operator==(const TToolLocation&) const = default;
};

// The place a message line names, or nothing when there is no pattern, the line does
// not match, or its line number is no number. Raises ERegExpr for a bad pattern.
std::optional<TToolLocation> MatchToolLocation(const TToolPattern& pattern, std::string_view line);

// --- runs on a document ----------------------------------------------------------------------

class TuniMemo;
enum class TSelectionMode;

// A compile entry made ready for the editor's document.
struct TCompileJob {
    TCompileEntry entry;
    TToolRequest request; // captured run (Show), or the detached one
    TToolPattern pattern;
    // Empty Cmd: the document's own file is opened with the desktop's handler.
    bool openDocument = false;
    std::string documentFile;
};
TCompileJob PrepareCompileJob(const TCompileEntry& entry, const TuniMemo& memo,
                              const std::string& programFolder);

struct TFilterJob {
    TFilterEntry entry;
    TToolRequest request;
    bool block = false; // the selection was a column block
    bool selectionEndsWithBreak = false;
    std::string charset; // the entry's, UTF-8 when it names none
    std::string surrogate;
    bool Empty() const { return request.argv.empty(); }
};
// The selection is what goes in (nothing when there is none).
TFilterJob PrepareFilterJob(const TFilterEntry& entry, const TuniMemo& memo,
                            const std::string& programFolder);
// A filter run that went well replaces the selection with its output (one undo step) and
// answers true; one that wrote to standard error, could not start, was stopped or lost
// output leaves the document as it was.
bool ApplyFilterResult(TuniMemo& memo, const TFilterJob& job, const TToolResult& result);
