// The bridge to the highlighting library: loading it through its function table, and the
// per-document window of parsed lines with its background parse and bracket pairs.
#include "highlight/uniColorer.h"

#include <dlfcn.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "base/uniIni.h"
#include "base/uniUtf8.h"
#include "highlight/uniShadowLines.h"
#include "platform/uniMeasure.h"

namespace {

// The window grows and moves in blocks of this many lines.
constexpr int kGranularity = 20;
constexpr int kBufferCapacity = 512;
// Record k of the buffer holds window line k - 1 and record 0 is the header, so a window
// holds at most capacity - 1 lines; kept a whole number of blocks.
constexpr int kMaxWindowCount = (kBufferCapacity - 1) / kGranularity * kGranularity;
// A parse that starts this far beyond the last window or more parses just the new one.
constexpr int kFarJump = 100;
// Lines parsed at a time by a pair search beyond the window.
constexpr int kPairChunk = 5;

bool IsPair(const ColorerRegion* region) {
    return region->kind == COLORER_PAIR_START || region->kind == COLORER_PAIR_END;
}

// The library's file: opened once, closed at unloading or at the program's end.
class TLibraryHandle {
public:
    TLibraryHandle() = default;
    ~TLibraryHandle() { Close(); }
    // Owns a handle: neither copied nor moved.
    TLibraryHandle(const TLibraryHandle&) = delete;
    TLibraryHandle& operator=(const TLibraryHandle&) = delete;

    bool Open(const std::string& path) {
        Close();
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        return handle_ != nullptr;
    }
    void* Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }
    void Close() noexcept {
        if (handle_ != nullptr) {
            dlclose(handle_);
            handle_ = nullptr;
        }
    }

private:
    void* handle_ = nullptr;
};

// The process-wide state. Written on the main thread only, and only while no background
// parse runs (loading, unloading and a scheme reload stop them all first).
struct THighlighter {
    TLibraryHandle library;
    ColorerProcs procs{};
    ColorerGrammar* grammar = nullptr;
    ColorerStyles* styles = nullptr;
    const ColorerStyle* defaultStyle = nullptr;
    THighlighterPaths paths;
    bool loaded = false;
    std::uint32_t generation = 1;
    // Every bridge object alive, so that unloading can let go of their parsers first.
    std::vector<TColorerClass*> objects;
};

THighlighter& State() {
    static THighlighter state;
    return state;
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
    for (size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

// Style 2 is the default style; without a background of its own it takes style 1's.
void FetchDefaultStyle(THighlighter& st) {
    ColorerStyle* style = st.procs.getStyle(st.styles, 2);
    if (style != nullptr && style->hasBackground == 0) {
        if (const ColorerStyle* base = st.procs.getStyle(st.styles, 1)) {
            style->background = base->background;
        }
    }
    st.defaultStyle = style;
}

bool TableComplete(const ColorerProcs& p) {
    return p.loadGrammar && p.freeGrammar && p.enumFileTypes && p.chooseFileType &&
           p.loadFileType && p.createParser && p.freeParser && p.breakParse && p.connect &&
           p.setFileType && p.parse && p.parseFromTop && p.createBuffer && p.freeBuffer &&
           p.clearBuffer && p.resetBuffer && p.colourBuffer && p.createStyles && p.freeStyles &&
           p.loadScheme && p.getStyle;
}

// Bits 28..31 of a foreground value: it has no colour of its own.
constexpr std::uint32_t kNoColourBits = 0xF0000000u;

// Decodes a foreground and a background value as painting uses them.
TCharAttributes Decode(std::int32_t foreground, std::int32_t background) {
    TCharAttributes a;
    a.background = background == -1 ? -1 : (background & 0xFFFFFF);
    if (foreground != -1) {
        // A foreground value without a colour may still carry style flags.
        const auto bits = static_cast<std::uint32_t>(foreground);
        a.foreground = (bits & kNoColourBits) != 0 ? -1 : (foreground & 0xFFFFFF);
        int styles = 0;
        styles |= (bits & COLORER_BOLD) != 0 ? fsBold : 0;
        styles |= (bits & COLORER_ITALIC) != 0 ? fsItalic : 0;
        styles |= (bits & COLORER_UNDERLINE) != 0 ? fsUnderline : 0;
        styles |= (bits & COLORER_STRIKEOUT) != 0 ? fsStrikeOut : 0;
        a.styles = static_cast<std::uint8_t>(styles);
    }
    return a;
}

} // namespace

// ---- Loading ----

THighlighterPaths ReadHighlighterPaths(const std::string& programFolder) {
    const std::string folder = WithSlash(programFolder);
    const TIniFile ini(folder + "Ini/pelmar.ini");
    const auto read = [&](const char* key, const std::string& fallback) {
        std::string value =
            EncodeUtf8(ini.ReadString("Common", key, DecodeUtf8(fallback), TIniRefs::Decode));
        std::replace(value.begin(), value.end(), '\\', '/');
        return ReplaceAll(std::move(value), "%Pelmar%", folder);
    };
    THighlighterPaths paths;
    paths.library = read("ColorerDLL", folder + "Colorer/libicolorer.so");
    paths.grammar = read("ColorerPath", folder + "Colorer");
    paths.scheme = read("ColorerHRD", folder + "Colorer/hrc/assigns");
    return paths;
}

bool LoadHighlighterWith(ColorerGetProcsProc getProcs, const THighlighterPaths& paths) {
    THighlighter& st = State();
    if (st.loaded) {
        return true;
    }
    try {
        ColorerProcs procs{};
        procs.size = sizeof(ColorerProcs);
        if (getProcs == nullptr || getProcs(&procs) == 0 || !TableComplete(procs)) {
            return false;
        }
        const std::string catalogue = WithSlash(paths.grammar) + "hrc/colorer.hrc";
        ColorerGrammar* grammar = procs.loadGrammar(catalogue.c_str(), nullptr);
        if (grammar == nullptr) {
            return false;
        }
        st.procs = procs;
        st.grammar = grammar;
        st.styles = procs.createStyles();
        const std::string scheme = WithSlash(paths.scheme) + "rgb/default.hrd";
        procs.loadScheme(st.styles, scheme.c_str());
        FetchDefaultStyle(st);
        st.paths = paths;
        st.loaded = true;
        return true;
    } catch (...) {
        return false;
    }
}

bool LoadHighlighter(const THighlighterPaths& paths) {
    THighlighter& st = State();
    if (st.loaded) {
        return true;
    }
    try {
        // A failed start leaves the library open, as it was found; unloading or the
        // program's end closes it.
        if (paths.library.empty() || !st.library.Open(paths.library)) {
            return false;
        }
        const auto getProcs =
            reinterpret_cast<ColorerGetProcsProc>(st.library.Symbol(COLORER_GET_PROCS_NAME));
        if (getProcs == nullptr) {
            return false;
        }
        return LoadHighlighterWith(getProcs, paths);
    } catch (...) {
        return false;
    }
}

void UnloadHighlighter() {
    THighlighter& st = State();
    if (!st.loaded) {
        st.library.Close();
        return;
    }
    for (TColorerClass* object : st.objects) {
        object->Disconnect();
    }
    st.procs.freeStyles(st.styles);
    st.procs.freeGrammar(st.grammar);
    st.library.Close();
    st.procs = ColorerProcs{};
    st.grammar = nullptr;
    st.styles = nullptr;
    st.defaultStyle = nullptr;
    st.paths = THighlighterPaths{};
    st.loaded = false;
}

bool HighlighterLoaded() {
    return State().loaded;
}

void ReloadColourScheme() {
    THighlighter& st = State();
    if (!st.loaded) {
        return;
    }
    // The styles are what a background parse colours its regions with.
    TColorerClass::StopAllBackgroundParses();
    const std::string scheme = WithSlash(st.paths.scheme) + "rgb/default.hrd";
    st.procs.loadScheme(st.styles, scheme.c_str());
    FetchDefaultStyle(st);
    ++st.generation;
}

std::uint32_t SchemeGeneration() {
    return State().generation;
}

std::vector<std::string> HighlighterFileTypeTitles() {
    std::vector<std::string> titles;
    const THighlighter& st = State();
    if (!st.loaded) {
        return titles;
    }
    for (const ColorerFileType* t = st.procs.enumFileTypes(st.grammar, nullptr); t != nullptr;
         t = st.procs.enumFileTypes(st.grammar, t)) {
        titles.emplace_back(t->title ? t->title : "");
    }
    return titles;
}

// ---- The background parse ----

// Parses the window from line 0 on its own thread, reading the snapshot its owner took; the
// library begins at a state it kept from the parses before, above the first `sameLines`
// lines. The owner's main thread reads neither the buffer nor LastLine while it runs (Busy).
class TColorerThread {
public:
    TColorerThread(TColorerClass& owner, int windowStart, int windowCount, int sameLines)
        : owner_(owner), windowStart_(windowStart), windowCount_(windowCount),
          sameLines_(sameLines), thread_([this] { Run(); }) {}
    ~TColorerThread() { Stop(); }
    // Runs a thread over `this`: neither copied nor moved.
    TColorerThread(const TColorerThread&) = delete;
    TColorerThread& operator=(const TColorerThread&) = delete;

    // Tells the thread to end, asks the library to stop parsing until it has, and waits.
    // The request is repeated because a parse that was about to start may miss one.
    void Stop() {
        if (!thread_.joinable()) {
            return;
        }
        terminated_ = true;
        std::unique_lock<std::mutex> lock(mutex_);
        while (!finished_) {
            lock.unlock();
            State().procs.breakParse(owner_.parser_);
            lock.lock();
            ended_.wait_for(lock, std::chrono::milliseconds(2), [this] { return finished_; });
        }
        lock.unlock();
        thread_.join();
    }

private:
    void Run() {
        // The parse from the top is work for idle time: it yields the processor to the
        // editor and to everything else that wants it.
        const sched_param idle{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
        const THighlighter& st = State();
        st.procs.clearBuffer(owner_.buffer_, windowStart_);
        st.procs.resetBuffer(owner_.buffer_);
        if (!terminated_) {
            owner_.lastLine_ = st.procs.parseFromTop(owner_.parser_, sameLines_, windowStart_,
                                                     windowCount_, windowStart_ + windowCount_);
            if (!terminated_) {
                st.procs.colourBuffer(owner_.buffer_, st.styles, st.defaultStyle);
                owner_.busy_ = false;
                owner_.done_ = true;
            }
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        ended_.notify_all();
    }

    TColorerClass& owner_;
    const int windowStart_;
    const int windowCount_;
    const int sameLines_;
    std::atomic<bool> terminated_{false};
    std::mutex mutex_;
    std::condition_variable ended_;
    bool finished_ = false;
    std::thread thread_; // last: starts once the rest is set
};

// ---- TColorerClass ----

TColorerClass::TColorerClass(TDocument& document)
    : document_(document), shadow_(std::make_unique<TShadowLines>(document.Lines())) {
    lines_ = shadow_.get();
    shadowResets_ = shadow_->Resets();
    document_.AddWatcher(*this);
    THighlighter& st = State();
    st.objects.push_back(this);
    if (!st.loaded) {
        return;
    }
    parser_ = st.procs.createParser();
    buffer_ = st.procs.createBuffer(kBufferCapacity);
    if (parser_ == nullptr || buffer_ == nullptr) {
        Disconnect();
        return;
    }
    st.procs.connect(parser_, &TColorerClass::LineSource, nullptr, st.procs.passedToConnect,
                     static_cast<void*>(this), nullptr, buffer_);
}

TColorerClass::~TColorerClass() {
    Disconnect();
    auto& objects = State().objects;
    objects.erase(std::remove(objects.begin(), objects.end(), this), objects.end());
    document_.RemoveWatcher(*this);
}

void TColorerClass::Disconnect() {
    StopBackgroundParse();
    const THighlighter& st = State();
    if (st.loaded) {
        if (buffer_ != nullptr) {
            st.procs.freeBuffer(buffer_);
        }
        if (parser_ != nullptr) {
            st.procs.freeParser(parser_);
        }
    }
    buffer_ = nullptr;
    parser_ = nullptr;
    fileType_ = nullptr;
    row_.clear();
}

bool TColorerClass::Ready() const {
    return parser_ != nullptr && buffer_ != nullptr && State().loaded;
}

std::int64_t TColorerClass::ShadowBytesCopied() const {
    return shadow_->BytesCopied();
}

const char* TColorerClass::LineSource(void* source, void*, std::int32_t line,
                                      std::int32_t* length) {
    std::int32_t ignored = 0;
    std::int32_t* out = length != nullptr ? length : &ignored;
    *out = 0;
    try {
        auto* owner = static_cast<TColorerClass*>(source);
        owner->linesRead_.fetch_add(1, std::memory_order_relaxed);
        TShadowReader* reader = owner->lines_;
        return reader != nullptr ? reader->Line(line, out) : nullptr;
    } catch (...) {
        *out = 0;
        return nullptr;
    }
}

void TColorerClass::StopAllBackgroundParses() {
    for (TColorerClass* object : State().objects) {
        object->StopBackgroundParse();
    }
}

// -- The watcher: every change keeps the shadow in step and asks for a parse. The lines
// above a change keep what the parse from the top learnt of them.

void TColorerClass::LinesInserted(TDocument&, const TLineChange& change) {
    shadow_->Inserted(change.first, change.last);
    sameLines_ = std::min(sameLines_, change.first);
    dirty_ = true;
}

void TColorerClass::LinesDeleted(TDocument&, const TLineChange& change) {
    shadow_->Deleted(change.first, change.last);
    sameLines_ = std::min(sameLines_, change.first);
    dirty_ = true;
}

void TColorerClass::LinesChanged(TDocument&, const TLineChange& change) {
    shadow_->Changed(change.first, change.last);
    sameLines_ = std::min(sameLines_, change.first);
    dirty_ = true;
}

void TColorerClass::Loaded(TDocument&, const TFileEvent&) {
    sameLines_ = 0;
    dirty_ = true;
}

// -- File types

bool TColorerClass::ChooseFileType(const std::string& fileName, const std::string* firstLine) {
    fileName_ = fileName;
    if (!Ready()) {
        return false;
    }
    const THighlighter& st = State();
    const ColorerFileType* type = st.procs.chooseFileType(
        st.grammar, fileName.c_str(), firstLine ? firstLine->c_str() : nullptr, nullptr);
    if (type == nullptr) {
        return false;
    }
    // Loading a type changes the catalogue every parser reads.
    StopAllBackgroundParses();
    st.procs.loadFileType(st.grammar, type);
    st.procs.setFileType(parser_, type);
    fileType_ = type;
    dirty_ = true;
    return true;
}

int TColorerClass::ListFileTypes(std::vector<std::string>& titles) const {
    const THighlighter& st = State();
    if (!st.loaded) {
        return -1;
    }
    int current = -1;
    for (const ColorerFileType* t = st.procs.enumFileTypes(st.grammar, nullptr); t != nullptr;
         t = st.procs.enumFileTypes(st.grammar, t)) {
        if (t == fileType_) {
            current = static_cast<int>(titles.size());
        }
        titles.emplace_back(t->title ? t->title : "");
    }
    return current;
}

bool TColorerClass::SelectFileType(const std::string& title) {
    if (!Ready()) {
        return false;
    }
    THighlighter& st = State();
    const ColorerFileType* found = nullptr;
    for (const ColorerFileType* t = st.procs.enumFileTypes(st.grammar, nullptr); t != nullptr;
         t = st.procs.enumFileTypes(st.grammar, t)) {
        if (t->title != nullptr && title == t->title) {
            found = t;
            break;
        }
    }
    if (found == nullptr || found == fileType_) {
        return false;
    }
    StopAllBackgroundParses();
    fileType_ = found;
    st.procs.loadFileType(st.grammar, found);
    st.procs.setFileType(parser_, found);
    dirty_ = true;
    ++st.generation;
    return true;
}

std::string TColorerClass::GetFileTypeName() const {
    return fileType_ != nullptr && fileType_->name != nullptr ? fileType_->name : "";
}

std::string TColorerClass::GetFileTypeTitle() const {
    return fileType_ != nullptr && fileType_->title != nullptr ? fileType_->title : "";
}

// -- The window

void TColorerClass::PrepareBuffer(int firstLine) {
    const THighlighter& st = State();
    st.procs.clearBuffer(buffer_, firstLine);
    st.procs.resetBuffer(buffer_);
}

// Parses the window on this thread from `from` (no background parse runs). A parse that
// does not start at line 0 only guesses the state at its start, so the parse from the top
// is asked for.
void TColorerClass::ParseWindow(int from) {
    const THighlighter& st = State();
    shadow_->Sync();
    lines_ = shadow_.get();
    PrepareBuffer(windowStart_);
    try {
        lastLine_ = st.procs.parse(parser_, from, windowStart_, windowCount_,
                                   windowStart_ + windowCount_ - from);
    } catch (...) {
        // The library's own trouble: keep what it produced.
    }
    st.procs.colourBuffer(buffer_, st.styles, st.defaultStyle);
    busy_ = false;
    bufferForeign_ = false;
    if (from > 0) {
        pending_ = true;
    }
}

void TColorerClass::UpdateWindow(int parseFrom, int topLine, int visibleRows) {
    if (!Ready()) {
        return;
    }
    done_ = false;
    const THighlighter& st = State();
    if (seenGeneration_ != st.generation) {
        dirty_ = true;
        seenGeneration_ = st.generation;
    }
    parseFrom = std::max(parseFrom, 0);
    topLine = std::max(topLine, 0);
    visibleRows = std::max(visibleRows, 0);
    windowStart_ = topLine / kGranularity * kGranularity;
    topOffset_ = topLine % kGranularity;
    windowCount_ = std::min((visibleRows / kGranularity + 2) * kGranularity, kMaxWindowCount);
    int from = std::min(parseFrom / kGranularity * kGranularity, windowStart_);
    if (lastStart_ >= 0 && from > lastStart_ + lastCount_) {
        // Beyond the last window: a short step goes on from its end, a far jump parses just
        // the new window; either only guesses the state at its start.
        if (from - (lastStart_ + lastCount_) < kFarJump) {
            from = lastStart_ + lastCount_ - 1;
        }
        pending_ = true;
    }
    if (lastStart_ == windowStart_ && lastCount_ == windowCount_ && !dirty_ && !busy_) {
        return;
    }
    if (busy_) {
        pending_ = true; // the interrupted parse from the top must run again
    }
    lastStart_ = windowStart_;
    lastCount_ = windowCount_;
    parseStart_ = from;
    StopBackgroundParse();
    ParseWindow(from);
    dirty_ = false;
}

void TColorerClass::StartBackgroundParse() {
    if (!Ready() || !pending_ || windowCount_ <= 0) {
        return;
    }
    pending_ = false;
    StopBackgroundParse();
    snapshot_ = shadow_->Snapshot(windowStart_ + windowCount_);
    if (shadow_->Resets() != shadowResets_) {
        // The shadow started over from the list: lines may have changed untold.
        shadowResets_ = shadow_->Resets();
        sameLines_ = 0;
    }
    const int sameLines = std::max(sameLines_, 0);
    sameLines_ = INT_MAX; // from now on: the lines unchanged since this snapshot
    lines_ = snapshot_.get();
    busy_ = true; // before the thread runs: from now on the buffer is the thread's
    thread_ = std::make_unique<TColorerThread>(*this, windowStart_, windowCount_, sameLines);
    lastStart_ = windowStart_;
    lastCount_ = windowCount_;
}

void TColorerClass::StopBackgroundParse() {
    if (!thread_) {
        return;
    }
    thread_->Stop();
    thread_.reset();
    lines_ = shadow_.get();
    snapshot_.reset();
    if (busy_) {
        pending_ = true; // stopped before it ended: it must run again
    }
}

// Makes the buffer hold the window before this thread reads it: a background parse still
// running (or stopped halfway) and a pair search's chunks give way to a parse of the window.
bool TColorerClass::EnsureWindow() {
    if (!Ready() || lastStart_ < 0) {
        return false;
    }
    if (busy_ || bufferForeign_) {
        StopBackgroundParse();
        ParseWindow(std::clamp(parseStart_, 0, windowStart_));
    }
    return true;
}

int TColorerClass::LastRecord() const {
    return lastLine_ + 1 - buffer_[0].windowFirstLine;
}

int TColorerClass::LineLength(int line) const {
    return static_cast<int>(document_.Lines().Get(line).size());
}

// -- Rows

void TColorerClass::GetRowAttributes(int caretX, int caretY, int row) {
    row_.clear();
    if (!Ready()) {
        return;
    }
    const int line = windowStart_ + topOffset_ + row;
    if (row < 0 || line >= document_.Lines().Count()) {
        return;
    }
    const int n = LineLength(line);
    row_.assign(static_cast<size_t>(n), TCharAttributes{});
    const int k = topOffset_ + row + 1;
    if (!EnsureWindow() || k > windowCount_ || k >= kBufferCapacity) {
        return;
    }
    // A pair is drawn only with the caret on it or on its partner: with the caret on no
    // pair at all, none is, and no partner need be looked for.
    const int caretRecord = caretY - windowStart_ + 1;
    const bool caretOnPair = caretRecord >= 1 && caretRecord <= LastRecord() &&
                             caretRecord < kBufferCapacity &&
                             PairAt(caretRecord, caretX) != nullptr;
    for (const ColorerRegion* region = buffer_[k].first; region != nullptr; region = region->next) {
        const int s = std::max(region->start, 0);
        const int e = region->end == -1 ? n : std::min(region->end, n);
        const bool pair = IsPair(region);
        if (pair && !(caretOnPair && PairDrawn(region, k, line, s, e, caretX, caretY))) {
            continue;
        }
        for (int j = s; j < e; ++j) {
            TCharAttributes& a = row_[static_cast<size_t>(j)];
            if (region->foreground != -1) {
                a.foreground = region->foreground;
            }
            // A drawn pair keeps its background against the regions after it.
            if (!a.pair) {
                a.background = region->background;
                a.pair = pair;
            }
        }
    }
}

// A pair region is drawn while the caret is on it or on its partner.
bool TColorerClass::PairDrawn(const ColorerRegion* region, int record, int line, int start, int end,
                              int caretX, int caretY) {
    if (caretY == line && start <= caretX && caretX <= end) {
        return true;
    }
    const bool forward = region->kind == COLORER_PAIR_START;
    pairDepth_ = forward ? 1 : -1;
    const TScan scan = ScanPair(region, forward, record);
    if (scan.partner == nullptr || scan.record != caretY - windowStart_ + 1) {
        return false;
    }
    const int partnerEnd = scan.partner->end == -1 ? INT_MAX : scan.partner->end;
    return scan.partner->start <= caretX && caretX <= partnerEnd;
}

TCharAttributes TColorerClass::GetCharAttributes(int position) const {
    if (!State().loaded || position < 1 || static_cast<size_t>(position) > row_.size()) {
        return TCharAttributes{};
    }
    const TCharAttributes& raw = row_[static_cast<size_t>(position) - 1];
    TCharAttributes a = Decode(raw.foreground, raw.background);
    a.pair = raw.pair;
    return a;
}

std::vector<TRowRegion> TColorerClass::RowRegions(int row) {
    std::vector<TRowRegion> regions;
    if (!EnsureWindow()) {
        return regions;
    }
    const int line = windowStart_ + topOffset_ + row;
    const int k = topOffset_ + row + 1;
    if (row < 0 || line >= document_.Lines().Count() || k > windowCount_ || k >= kBufferCapacity ||
        k > LastRecord()) {
        return regions;
    }
    const int n = LineLength(line);
    for (const ColorerRegion* region = buffer_[k].first; region != nullptr; region = region->next) {
        const int s = std::clamp(region->start, 0, n);
        const int e = region->end == -1 ? n : std::clamp(region->end, s, n);
        if (s >= e) {
            continue;
        }
        const TCharAttributes a = Decode(region->foreground, region->background);
        regions.push_back(TRowRegion{s, e, a.foreground, a.background, a.styles,
                                     IsPair(region) ? region->kind : 0});
    }
    return regions;
}

// -- Pairs

bool TColorerClass::IsOnPair(int caretX, int caretY) {
    if (!Ready()) {
        return false;
    }
    if (busy_) {
        return lastOnPair_; // the buffer is the background parse's
    }
    if (!EnsureWindow()) {
        return lastOnPair_ = false;
    }
    const int k = caretY + 1 - windowStart_;
    if (k < 0 || k > LastRecord() || k >= kBufferCapacity) {
        return lastOnPair_ = true;
    }
    return lastOnPair_ = PairAt(k, caretX) != nullptr;
}

// The first pair region of a record that holds column x (or ends just before it).
const ColorerRegion* TColorerClass::PairAt(int record, int x) const {
    for (const ColorerRegion* region = buffer_[record].first; region != nullptr;
         region = region->next) {
        if (region->start <= x && (region->end >= x || region->end == -1) && IsPair(region)) {
            return region;
        }
    }
    return nullptr;
}

void TColorerClass::FindPair(int& caretX, int& caretY) {
    if (!EnsureWindow()) {
        return;
    }
    const int k = caretY - windowStart_ + 1;
    if (k < 0 || k > LastRecord() || k >= kBufferCapacity) {
        return;
    }
    const ColorerRegion* region = PairAt(k, caretX);
    if (region == nullptr) {
        return;
    }
    const TPairPosition found = FindPairBeyond(region, region->kind == COLORER_PAIR_START, k);
    if (found.found) {
        caretX = found.x;
        caretY = found.y;
    }
}

// Walks the regions from `start` (not counted) forward or backward, through the records
// from `record` on, counting pair starts and ends into PairDepth until it is 0. A null
// `start` begins before the first region of record + 1 (forward) or after the last of
// record - 1 (backward).
TColorerClass::TScan TColorerClass::ScanPair(const ColorerRegion* start, bool forward, int record) {
    const int lastRecord = std::min(LastRecord(), kBufferCapacity - 1);
    const ColorerRegion* current = start;
    for (;;) {
        if (forward) {
            current = current != nullptr ? current->next : nullptr;
            while (current == nullptr) {
                if (record >= lastRecord) {
                    return TScan{record, nullptr};
                }
                ++record;
                current = buffer_[record].first;
            }
        } else {
            current = current != nullptr ? current->prev : nullptr;
            while (current == nullptr) {
                --record;
                if (record < 1) {
                    return TScan{record, nullptr};
                }
                current = buffer_[record].last;
            }
        }
        if (current->start == current->end) {
            continue;
        }
        if (current->kind == COLORER_PAIR_START) {
            ++pairDepth_;
        } else if (current->kind == COLORER_PAIR_END) {
            --pairDepth_;
        }
        if (pairDepth_ == 0) {
            return TScan{record, current};
        }
    }
}

// Looks for the partner in the window, then beyond it in chunks of five lines, each parsed
// from its own first line. The chunks leave the buffer holding other lines than the window.
TColorerClass::TPairPosition TColorerClass::FindPairBeyond(const ColorerRegion* region,
                                                           bool forward, int record) {
    const THighlighter& st = State();
    const int caretLine = record - 1 + windowStart_;
    const int count = document_.Lines().Count();
    TPairPosition position;
    const auto endColumn = [this](const ColorerRegion* partner, int line) {
        return partner->end == -1 ? LineLength(line) : partner->end;
    };
    const auto parseChunk = [&](int first, int lines) {
        bufferForeign_ = true;
        shadow_->Sync();
        PrepareBuffer(first);
        lastLine_ = st.procs.parse(parser_, first, first, lines, lines);
        st.procs.colourBuffer(buffer_, st.styles, st.defaultStyle);
    };
    dirty_ = true;
    if (forward) {
        pairDepth_ = 1;
        if (region->start == region->end && region->next != nullptr) {
            region = region->next;
        }
        TScan scan = ScanPair(region, true, record);
        if (scan.partner != nullptr) {
            const int line = scan.record - 1 + windowStart_;
            return TPairPosition{true, endColumn(scan.partner, line), line};
        }
        pairDepth_ = 1;
        for (int m = caretLine + 1; m < count; m += kPairChunk) {
            parseChunk(m, kPairChunk);
            scan = ScanPair(nullptr, true, 0);
            if (scan.partner != nullptr) {
                const int line = m + scan.record - 1;
                return TPairPosition{true, endColumn(scan.partner, line), line};
            }
        }
        return position;
    }
    pairDepth_ = -1;
    TScan scan = ScanPair(region, false, record);
    if (scan.partner != nullptr) {
        return TPairPosition{true, scan.partner->start, scan.record - 1 + windowStart_};
    }
    pairDepth_ = -1;
    int chunk = kPairChunk;
    int m = caretLine - kPairChunk;
    if (m < 0) {
        // The lines above the caret's own, which the window already showed in full.
        m = 0;
        chunk = caretLine;
    }
    while (m >= 0 && chunk > 0) {
        parseChunk(m, chunk);
        scan = ScanPair(nullptr, false, chunk + 1);
        if (scan.partner != nullptr) {
            return TPairPosition{true, scan.partner->start, m + scan.record - 1};
        }
        if (m < chunk) {
            chunk = m;
        }
        m -= chunk;
    }
    return position;
}

// ---- Colouring a stretch of lines

void ColourLinesAsPainted(TColorerClass& colorer, int first, int last, int back, int rows,
                          const std::function<void(int line, int row)>& each) {
    rows = std::max(rows, 1);
    back = std::max(back, 0);
    for (int top = first; top < last; top += rows) {
        const int count = std::min(rows, last - top);
        colorer.UpdateWindow(std::max(top - back, 0), top, count + 1);
        if (colorer.Pending()) {
            colorer.StartBackgroundParse();
            while (colorer.Busy()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            colorer.TakeDone();
        }
        for (int row = 0; row < count; ++row) {
            each(top + row, row);
        }
    }
}
