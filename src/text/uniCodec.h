// The text file codec: a file's bytes into the lines of a TWStringList and back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/uniConvTable.h"
#include "text/uniStringList.h"

enum TUniRepr : std::uint8_t { urNone = 0, urDecimalRef = 1, urUEscape = 2 };

// The built-in charset names (compared ignoring case).
inline constexpr std::string_view kCharsetDefault = "DEFAULT";
inline constexpr std::string_view kCharsetUtf8 = "UTF-8";
inline constexpr std::string_view kCharsetUtf8Bom = "UTF-8 (BOM)";
inline constexpr std::string_view kCharsetUtf16LE = "UTF-16 (LE)";
inline constexpr std::string_view kCharsetUtf16BE = "UTF-16 (BE)";
inline constexpr std::string_view kCharsetWindows = "WINDOWS";
inline constexpr std::string_view kCharsetOem = "OEM";

bool IsBuiltinCharset(std::string_view charset);
bool IsUnicodeCharset(std::string_view charset);  // UTF-8, UTF-8 (BOM), UTF-16 (LE/BE)
std::string_view SeparatorText(TLineSeparator s); // "LF", "CR", "CRLF", "LS"
std::optional<TLineSeparator> SeparatorFromText(std::string_view text);
std::u16string_view SeparatorChars(TLineSeparator s);

// The file-type profile values that load and save consult.
struct TCodecProfile {
    std::string defaultCharset{kCharsetUtf8};
    std::string defaultSurrogate = "-";
    TUniRepr defaultUniRepr = urNone;
    bool createBackup = false;
    bool autodetect = false;
};

// The outcome of a load or a save; `error` is the system's text for the failure.
struct TCodecResult {
    bool ok = true;
    std::string error;
    // A save stopped before changing anything because the file is read-only for us: the
    // caller may ask and save again with TSaveOptions::overwriteReadOnly.
    bool readOnly = false;
};

// What a save in the document's encoding would lose: characters it cannot hold, which
// are written as "?". `line` and `column` (0-based, column in UTF-16 code units) and
// `character` (a code point) tell the first of them; a surrogate pair counts once.
struct TSaveLoss {
    std::int64_t count = 0;
    int line = -1;
    int column = -1;
    char32_t character = 0;
};

struct TSaveOptions {
    // Replace a file whose permissions do not let us write it (mode 0444).
    bool overwriteReadOnly = false;
};

// How far a load has come: `lines` read so far, `position` bytes of the file's `size`.
struct TLoadProgress {
    int lines = 0;
    std::int64_t position = 0;
    std::int64_t size = 0;
};

// The load reports its progress at these line counts: after the first lines (a view draws
// once), every so many lines (it handles its pending paint and shows the progress), and
// once the text is long enough to scroll (it sets its scroll range).
inline constexpr int kLoadFirstLines = 100;
inline constexpr int kLoadProgressEvery = 200;
inline constexpr int kLoadScrollRangeLines = 1000;
// A save reports every so many lines, from the first.
inline constexpr int kSaveProgressEvery = 100;

// The one who asked for a load or a save: what the codec tells it as it goes and asks of it.
// Every call does nothing by default, so an observer takes only what it needs.
class TCodecObserver {
public:
    // The file type's profile is due: before a load reads the file, and again after its first
    // line (the type may depend on it).
    virtual void ProfileDue() {}
    // The charset of the file as its bytes tell it, asked for when the charset is "DEFAULT"
    // and the profile lets it be detected; nullopt keeps the profile's charset.
    virtual std::optional<std::string> DetectCharset(const std::string& /*fileName*/) {
        return std::nullopt;
    }
    // A load has read `progress.lines` lines: at kLoadFirstLines, at every multiple of
    // kLoadProgressEvery and at kLoadScrollRangeLines.
    virtual void LinesLoaded(const TLoadProgress& /*progress*/) {}
    // A save is at line `index` of `count`: every kSaveProgressEvery lines, from the first.
    virtual void LinesSaved(int /*count*/, int /*index*/) {}

protected:
    ~TCodecObserver() = default;
};

// Finds the charset of a file from its bytes, for an editor that loads with detection on
// (the detection rules live above the text layer).
class TCharsetDetection {
public:
    virtual std::optional<std::string> DetectCharset(const std::string& fileName,
                                                     const std::string& defaultCharset) = 0;

protected:
    ~TCharsetDetection() = default;
};

// A document's encoding settings, its conversion table and its save bookkeeping. Load and
// Save report to the observer they are given, so the codec knows nothing of editors.
class TTextCodec {
public:
    TTextCodec() = default;
    TTextCodec(const TTextCodec&) = delete;
    TTextCodec& operator=(const TTextCodec&) = delete;

    std::string charset{kCharsetDefault};
    std::string surrogate = "-";
    TUniRepr uniRepr = urNone;
    // Set when uniRepr was asked for explicitly (a command-line option): the profile's
    // default then does not replace it when the charset is "DEFAULT".
    bool uniReprChosen = false;
    // A new document ends its lines as the platform does; a loaded file keeps its own.
    TLineSeparator lineSeparator = lsLF;
    int saveCounter = 0;
    TCodecProfile profile;
    TConvTable table; // refilled at every load and save

    // Where table files live: <programFolder>/Ini/<file>. Not owned.
    std::string programFolder;
    const TCharsetLists* charsetLists = nullptr;

    // Loads the file into the list (cleared first). On failure one empty line is appended
    // to what the list holds at that moment and the result carries the error text. Only a
    // regular file is read; one too big for memory fails with the list holding one empty
    // line.
    // `editor` is named in the save-point record the load leaves (it is never called).
    TCodecResult Load(TWStringList& list, const std::string& fileName,
                      TCodecObserver* observer = nullptr, const TuniAbstractMemo* editor = nullptr);
    // Writes the list to the file. The target is replaced only when everything was
    // written; on failure it is untouched and the list stays modified. With backups on,
    // the old file is first copied to BackupName (safely: a failed copy stops the save).
    TCodecResult Save(TWStringList& list, const std::string& fileName, TSaveOptions options = {},
                      TCodecObserver* observer = nullptr, const TuniAbstractMemo* editor = nullptr);

    // Whether the last load kept undecodable bytes as escaped code units, and how many.
    bool escapedBytes = false;
    std::int64_t escapedByteCount = 0;
    // The file had no byte order mark, but its charset writes one (UTF-8 (BOM), UTF-16): the
    // next save adds it. Callers tell the user at load; a save clears it.
    bool markAdded = false;
    // Characters the last save could not hold in its 8-bit charset (written as "?"): not in
    // the code page, or, for a table charset, a character whose byte means another one there.
    std::int64_t unmappableChars = 0;

    // Counts what a save of `list` with the current settings would write as "?", as Save
    // itself would resolve them (a "DEFAULT" charset becomes the profile's). Changes
    // nothing; the cost is that of encoding the text once.
    TSaveLoss FindSaveLoss(const TWStringList& list) const;

    // The backup name for a file: extension ".ext" becomes ".~ex"; a name without
    // extension gets ".~" appended ("Makefile" -> "Makefile.~").
    static std::string BackupName(const std::string& fileName);

private:
    void PrepareTable(const std::string& charsetName);
    void FillTable(TConvTable& into, const std::string& charsetName) const;
    TCodecResult LoadOutOfMemory(TWStringList& list);
    std::u16string EncodeForSave(std::u16string_view line);
};

// Test hook: make the next file write fail with `error` after `bytes` more bytes have
// been written (negative bytes: no fault).
void SetWriteFaultForTesting(std::int64_t bytes, int error);

// Test hook: make the next load run out of memory once it has read `lines` lines (negative:
// no fault).
void SetLoadFaultForTesting(int lines);
