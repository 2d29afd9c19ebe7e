// The bridge to the highlighting library: loading it, and per document a window of parsed
// lines kept in step with what the editor shows, a background parse from the top, row and
// character attributes for painting, and bracket pairs.
#pragma once

#include <atomic>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "colorerAbi.h"
#include "document/uniDocument.h"
#include "text/uniStringList.h"

// The library, its catalogue and its scheme, as "ColorerDLL", "ColorerPath" and
// "ColorerHRD" of [Common] give them ("%Pelmar%" stands for the program folder).
struct THighlighterPaths {
    std::string library; // the shared library
    std::string grammar; // the folder that holds hrc/colorer.hrc
    std::string scheme;  // the folder that holds rgb/default.hrd
};

// Reads the paths from Ini/pelmar.ini of `programFolder` (which ends with '/').
THighlighterPaths ReadHighlighterPaths(const std::string& programFolder);

// Loads the library once for the program's run. Every failure leaves it not loaded, quietly.
bool LoadHighlighter(const THighlighterPaths& paths);
// The same with a table filled by `getProcs` instead of a library's export (tests).
bool LoadHighlighterWith(ColorerGetProcsProc getProcs, const THighlighterPaths& paths);
void UnloadHighlighter();
bool HighlighterLoaded();
// Reads the scheme again and raises the scheme generation.
void ReloadColourScheme();
std::uint32_t SchemeGeneration();
// Every file type's title, in the library's order (empty when not loaded).
std::vector<std::string> HighlighterFileTypeTitles();

// Font style bits of a character (as uniMeasure's style bits).
struct TCharAttributes {
    int foreground = -1; // 0xBBGGRR, -1 = none
    int background = -1;
    std::uint8_t styles = 0;
    bool pair = false;
};

// A region of a line as the batch prints it.
struct TRowRegion {
    int start = 0;
    int end = 0; // first column after it
    int foreground = -1;
    int background = -1;
    std::uint8_t styles = 0;
    int kind = 0; // 0, COLORER_PAIR_START or COLORER_PAIR_END
};

class TColorerThread;
class TShadowReader;
class TShadowLines;
class TShadowSnapshot;

// One per document while highlighting is on for it. Lives on the main thread; only the
// parse from the top runs on its own thread, over a snapshot of the document's 8-bit lines.
// It watches its document: every change of lines sets Dirty and keeps those lines in step.
class TColorerClass final : private TDocumentWatcher {
public:
    explicit TColorerClass(TDocument& document);
    ~TColorerClass();
    TColorerClass(const TColorerClass&) = delete;
    TColorerClass& operator=(const TColorerClass&) = delete;

    bool ChooseFileType(const std::string& fileName, const std::string* firstLine);
    // Appends every type's title; the index of the current type or -1.
    int ListFileTypes(std::vector<std::string>& titles) const;
    bool SelectFileType(const std::string& title);
    std::string GetFileTypeName() const;
    std::string GetFileTypeTitle() const;

    void UpdateWindow(int parseFrom, int topLine, int visibleRows);
    void StartBackgroundParse();
    void StopBackgroundParse();

    // Row `row` of the window (0 = the top visible line), with the caret at (x, y).
    void GetRowAttributes(int caretX, int caretY, int row);
    // Position p (1-based) of the row last built.
    TCharAttributes GetCharAttributes(int position) const;
    bool IsOnPair(int caretX, int caretY);
    // The position to jump to: (x, y) itself when there is no partner.
    void FindPair(int& caretX, int& caretY);

    // The regions of visible row `row` in the library's order, decoded as painting decodes
    // them, each cut to the line (pairs included, whatever the caret). Stops a running
    // background parse first (it runs again at the next idle pass).
    std::vector<TRowRegion> RowRegions(int row);

    void SetDirty() { dirty_ = true; }
    bool Dirty() const { return dirty_; }
    bool Pending() const { return pending_; }
    bool Busy() const { return busy_.load(); }
    // Reads and clears the "background parse done" flag.
    bool TakeDone() { return done_.exchange(false); }
    bool Done() const { return done_.load(); }

    int WindowStart() const { return windowStart_; }
    int TopOffset() const { return topOffset_; }
    int WindowCount() const { return windowCount_; }
    int ParseStart() const { return parseStart_; }
    int LastStart() const { return lastStart_; }
    int LastCount() const { return lastCount_; }
    // The last line parsed; the background parse writes it, so read it only while not Busy.
    int LastLine() const { return lastLine_; }

    // Bytes of line text copied into the 8-bit shadow so far (tests read it to tell work
    // in proportion to a block from work in proportion to the document).
    std::int64_t ShadowBytesCopied() const;
    // Lines the library has read so far, by any parse (tests count the work of a parse by it).
    std::int64_t LinesRead() const { return linesRead_.load(std::memory_order_relaxed); }

private:
    friend class TColorerThread;
    friend void UnloadHighlighter();
    friend void ReloadColourScheme();
    // (implementation: uniColorer.cpp)
    struct TScan {
        int record = 0;
        const ColorerRegion* partner = nullptr;
    };
    struct TPairPosition {
        bool found = false;
        int x = 0;
        int y = 0;
    };

    // TDocumentWatcher
    void LinesInserted(TDocument& document, const TLineChange& change) override;
    void LinesDeleted(TDocument& document, const TLineChange& change) override;
    void LinesChanged(TDocument& document, const TLineChange& change) override;
    void Loaded(TDocument& document, const TFileEvent& event) override;

    static const char* LineSource(void* source, void* unused, std::int32_t line,
                                  std::int32_t* length);
    static void StopAllBackgroundParses();
    bool Ready() const;
    void Disconnect();
    void PrepareBuffer(int firstLine);
    void ParseWindow(int from);
    bool EnsureWindow();
    int LastRecord() const;
    int LineLength(int line) const;
    TScan ScanPair(const ColorerRegion* start, bool forward, int record);
    const ColorerRegion* PairAt(int record, int x) const;
    bool PairDrawn(const ColorerRegion* region, int record, int line, int start, int end,
                   int caretX, int caretY);
    TPairPosition FindPairBeyond(const ColorerRegion* region, bool forward, int record);

    TDocument& document_;
    ColorerParser* parser_ = nullptr;
    ColorerLineRecord* buffer_ = nullptr;
    const ColorerFileType* fileType_ = nullptr;
    std::string fileName_;
    int windowStart_ = 0;
    int topOffset_ = 0;
    int windowCount_ = 0;
    int parseStart_ = -1;
    int lastStart_ = -1;
    int lastCount_ = -1;
    int lastLine_ = -1;
    int pairDepth_ = 0;
    std::uint32_t seenGeneration_ = 0;
    bool dirty_ = false;
    bool pending_ = false;
    std::atomic<bool> busy_{false};
    std::atomic<bool> done_{false};
    // The buffer holds lines a pair search parsed, not the window.
    bool bufferForeign_ = false;
    // IsOnPair's last answer, kept while the background parse owns the buffer.
    bool lastOnPair_ = false;
    // Lines at the top unchanged since the last background parse took its snapshot: the
    // library may begin the next one at a state it kept above them.
    int sameLines_ = INT_MAX;
    // The shadow's starts over seen by that parse.
    int shadowResets_ = 0;
    std::atomic<std::int64_t> linesRead_{0};
    std::unique_ptr<TShadowLines> shadow_;
    std::unique_ptr<TShadowSnapshot> snapshot_;
    // The lines the library reads now (its line source reads them through this object):
    // the shadow for a parse on this thread, the snapshot while the background parse runs.
    TShadowReader* lines_ = nullptr;
    std::unique_ptr<TColorerThread> thread_;
    // Per character: the raw foreground and background values and the pair flag.
    std::vector<TCharAttributes> row_;
};

// Colours lines first .. last - 1 window by window as the editor's paint and idle time
// would: a window of `rows` lines is parsed from `back` lines above it and, when that only
// guessed the state at its start, from the top. `each(line, row)` is then called for each of
// its lines, `row` being the line's row of the window (as RowRegions takes it).
void ColourLinesAsPainted(TColorerClass& colorer, int first, int last, int back, int rows,
                          const std::function<void(int line, int row)>& each);
