// The fake highlighting library (see fakeColorer.h).
#include "fakeColorer.h"

#include <atomic>
#include <cctype>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

struct ColorerGrammar {
    int unused = 0;
};
struct ColorerStyles {
    std::vector<ColorerStyle> styles;
};
struct ColorerParser {
    ColorerLineSource lines = nullptr;
    void* source = nullptr;
    ColorerLineRecord* buffer = nullptr;
    const ColorerFileType* type = nullptr;
    std::atomic<bool> stop{false};
};

namespace fake_colorer {
namespace {

struct TBuffer {
    std::vector<ColorerLineRecord> records;
    std::deque<ColorerRegion> regions; // stable addresses
};

const ColorerFileType kTypes[] = {
    {"C source", "c"},
    {"Plain text", "text"},
    {"Default", "default"},
};

struct TState {
    std::mutex mutex;
    std::thread::id mainThread;
    std::vector<TParseCall> calls;
    std::map<const ColorerLineRecord*, std::unique_ptr<TBuffer>> buffers;
    int breaks = 0;
    int live = 0;
    bool overflowed = false;
    std::string grammarPath;
    std::string schemePath;
    int schemeLoads = 0;
    int defaultBackground = -2;
    bool failGrammar = false;
    std::vector<ColorerStyle> scheme;
    std::function<void(int)> hook;
    ColorerGrammar grammar;
};

TState& S() {
    static TState state;
    return state;
}

std::vector<ColorerStyle> DefaultScheme() {
    std::vector<ColorerStyle> s(7);
    const auto set = [&](int i, int fg, int bg) {
        s[static_cast<size_t>(i)].foreground = fg;
        s[static_cast<size_t>(i)].hasForeground = 1;
        s[static_cast<size_t>(i)].background = bg < 0 ? 0 : bg;
        s[static_cast<size_t>(i)].hasBackground = bg < 0 ? 0 : 1;
    };
    set(kText, 0x000000, kTextBackground);
    set(kDefault, 0x000000, -1);
    set(kComment, kCommentForeground, -1);
    set(kKeyword, kKeywordForeground, -1);
    set(kPlain, kPlainForeground, -1);
    set(kPair, kPairForeground, kPairBackground);
    return s;
}

TBuffer& BufferOf(const ColorerLineRecord* records) {
    return *S().buffers.at(records);
}

// Splits one line into regions; `inComment` carries a "/*" comment from line to line.
void Scan(const char* text, int length, bool& inComment, TBuffer& buffer, ColorerLineRecord* rec) {
    const auto add = [&](int style, int kind, int start, int end) {
        ColorerRegion& r = buffer.regions.emplace_back();
        r.style = style;
        r.foreground = -1;
        r.background = -1;
        r.kind = kind;
        r.start = start;
        r.end = end;
        if (rec == nullptr) {
            return;
        }
        r.prev = rec->last;
        if (rec->last != nullptr) {
            rec->last->next = &r;
        } else {
            rec->first = &r;
        }
        rec->last = &r;
    };
    int i = 0;
    while (i < length) {
        if (inComment) {
            const int start = i;
            while (i < length && !(text[i] == '*' && i + 1 < length && text[i + 1] == '/')) {
                ++i;
            }
            if (i < length) {
                i += 2;
                inComment = false;
                add(kComment, 0, start, i);
            } else {
                add(kComment, 0, start, -1);
            }
            continue;
        }
        const char c = text[i];
        if (c == '/' && i + 1 < length && text[i + 1] == '/') {
            add(kComment, 0, i, -1);
            return;
        }
        if (c == '/' && i + 1 < length && text[i + 1] == '*') {
            inComment = true;
            continue;
        }
        if (c == '(' || c == '{') {
            add(kPair, COLORER_PAIR_START, i, i + 1);
            ++i;
            continue;
        }
        if (c == ')' || c == '}') {
            add(kPair, COLORER_PAIR_END, i, i + 1);
            ++i;
            continue;
        }
        if (std::isalpha(static_cast<unsigned char>(c))) {
            const int start = i;
            while (i < length && std::isalnum(static_cast<unsigned char>(text[i]))) {
                ++i;
            }
            const std::string word(text + start, static_cast<size_t>(i - start));
            if (word == "if" || word == "int") {
                add(kKeyword, 0, start, i);
            } else if (word == "none") {
                add(kPlain, 0, start, i);
            }
            continue;
        }
        ++i;
    }
}

// --- The table's entries

ColorerGrammar* LoadGrammar(const char* path, void*) {
    const std::lock_guard<std::mutex> lock(S().mutex);
    S().grammarPath = path;
    if (S().failGrammar) {
        S().failGrammar = false;
        return nullptr;
    }
    return &S().grammar;
}

void FreeGrammar(ColorerGrammar*) {}

const ColorerFileType* EnumFileTypes(ColorerGrammar*, const ColorerFileType* previous) {
    if (previous == nullptr) {
        return &kTypes[0];
    }
    const auto next = static_cast<size_t>(previous - kTypes) + 1;
    return next < std::size(kTypes) ? &kTypes[next] : nullptr;
}

const ColorerFileType* ChooseFileType(ColorerGrammar*, const char* name, const char*, void*) {
    const std::string n = name;
    const auto endsWith = [&](const char* tail) {
        const size_t t = std::strlen(tail);
        return n.size() >= t && n.compare(n.size() - t, t, tail) == 0;
    };
    if (endsWith(".c") || endsWith(".h")) {
        return &kTypes[0];
    }
    if (endsWith(".txt")) {
        return &kTypes[1];
    }
    if (endsWith(".unknown")) {
        return nullptr;
    }
    return &kTypes[2];
}

void LoadFileType(ColorerGrammar*, const ColorerFileType*) {}

ColorerParser* CreateParser() {
    const std::lock_guard<std::mutex> lock(S().mutex);
    ++S().live;
    return new ColorerParser;
}

void FreeParser(ColorerParser* parser) {
    const std::lock_guard<std::mutex> lock(S().mutex);
    --S().live;
    delete parser;
}

void BreakParse(ColorerParser* parser) {
    parser->stop = true;
    const std::lock_guard<std::mutex> lock(S().mutex);
    ++S().breaks;
}

void Connect(ColorerParser* parser, ColorerLineSource lines, void*, ColorerOpaqueProc, void* source,
             void*, ColorerLineRecord* buffer) {
    parser->lines = lines;
    parser->source = source;
    parser->buffer = buffer;
}

void SetFileType(ColorerParser* parser, const ColorerFileType* type) {
    parser->type = type;
}

// A parse from the top keeps no state here: it always begins at line 0.
int32_t Run(ColorerParser* parser, int32_t from, int32_t windowFirst, int32_t windowCount,
            int32_t count, int32_t sameLines) {
    parser->stop = false;
    TParseCall call;
    call.sameLines = sameLines;
    call.from = from;
    call.windowFirst = windowFirst;
    call.windowCount = windowCount;
    call.count = count;
    std::function<void(int)> hook;
    TBuffer* buffer = nullptr;
    {
        const std::lock_guard<std::mutex> lock(S().mutex);
        call.mainThread = std::this_thread::get_id() == S().mainThread;
        hook = S().hook;
        buffer = &BufferOf(parser->buffer);
    }
    bool inComment = false;
    int32_t last = from - 1;
    bool overflow = false;
    for (int32_t line = from; line < from + count; ++line) {
        if (hook) {
            hook(line);
        }
        if (parser->stop) {
            call.stopped = true;
            break;
        }
        int32_t length = 0;
        const char* text = parser->lines(parser->source, nullptr, line, &length);
        if (text == nullptr) {
            break;
        }
        call.lines.emplace_back(text, static_cast<size_t>(length));
        ColorerLineRecord* record = nullptr;
        if (line >= windowFirst && line < windowFirst + windowCount) {
            const int32_t k = line - windowFirst + 1;
            if (k < static_cast<int32_t>(buffer->records.size())) {
                record = &buffer->records[static_cast<size_t>(k)];
            } else {
                overflow = true;
            }
        }
        Scan(text, length, inComment, *buffer, record);
        last = line;
    }
    const std::lock_guard<std::mutex> lock(S().mutex);
    S().overflowed = S().overflowed || overflow;
    S().calls.push_back(std::move(call));
    return last;
}

int32_t Parse(ColorerParser* parser, int32_t from, int32_t windowFirst, int32_t windowCount,
              int32_t count) {
    return Run(parser, from, windowFirst, windowCount, count, -1);
}

int32_t ParseFromTop(ColorerParser* parser, int32_t sameLines, int32_t windowFirst,
                     int32_t windowCount, int32_t count) {
    return Run(parser, 0, windowFirst, windowCount, count, sameLines);
}

ColorerLineRecord* CreateBuffer(int32_t capacity) {
    auto buffer = std::make_unique<TBuffer>();
    buffer->records.resize(static_cast<size_t>(capacity));
    ColorerLineRecord* records = buffer->records.data();
    const std::lock_guard<std::mutex> lock(S().mutex);
    ++S().live;
    S().buffers[records] = std::move(buffer);
    return records;
}

void FreeBuffer(ColorerLineRecord* records) {
    const std::lock_guard<std::mutex> lock(S().mutex);
    --S().live;
    S().buffers.erase(records);
}

void ClearBuffer(ColorerLineRecord* records, int32_t windowFirst) {
    TBuffer* buffer = nullptr;
    {
        const std::lock_guard<std::mutex> lock(S().mutex);
        buffer = &BufferOf(records);
    }
    for (ColorerLineRecord& r : buffer->records) {
        r = ColorerLineRecord{};
    }
    buffer->regions.clear();
    records[0].windowFirstLine = windowFirst;
}

void ResetBuffer(ColorerLineRecord*) {}

void ColourBuffer(ColorerLineRecord* records, ColorerStyles* styles,
                  const ColorerStyle* defaultStyle) {
    TBuffer* buffer = nullptr;
    {
        const std::lock_guard<std::mutex> lock(S().mutex);
        buffer = &BufferOf(records);
        S().defaultBackground = defaultStyle != nullptr ? defaultStyle->background : -2;
    }
    for (ColorerRegion& r : buffer->regions) {
        const ColorerStyle& style = styles->styles.at(static_cast<size_t>(r.style));
        r.foreground = style.hasForeground ? style.foreground : -1;
        r.background = style.hasBackground ? style.background : -1;
    }
}

ColorerStyles* CreateStyles() {
    return new ColorerStyles;
}
void FreeStyles(ColorerStyles* styles) {
    delete styles;
}

void LoadScheme(ColorerStyles* styles, const char* path) {
    const std::lock_guard<std::mutex> lock(S().mutex);
    S().schemePath = path;
    ++S().schemeLoads;
    styles->styles = S().scheme;
}

ColorerStyle* GetStyle(ColorerStyles* styles, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= styles->styles.size()) {
        return nullptr;
    }
    return &styles->styles[static_cast<size_t>(index)];
}

void PassedThrough() {}

} // namespace

void Reset() {
    TState& s = S();
    const std::lock_guard<std::mutex> lock(s.mutex);
    s.mainThread = std::this_thread::get_id();
    s.calls.clear();
    s.breaks = 0;
    s.overflowed = false;
    s.grammarPath.clear();
    s.schemePath.clear();
    s.schemeLoads = 0;
    s.defaultBackground = -2;
    s.failGrammar = false;
    s.scheme = DefaultScheme();
    s.hook = nullptr;
}

int GetProcs(ColorerProcs* procs) {
    if (procs->size != sizeof(ColorerProcs)) {
        return 0;
    }
    procs->loadGrammar = LoadGrammar;
    procs->freeGrammar = FreeGrammar;
    procs->enumFileTypes = EnumFileTypes;
    procs->chooseFileType = ChooseFileType;
    procs->loadFileType = LoadFileType;
    procs->createParser = CreateParser;
    procs->freeParser = FreeParser;
    procs->breakParse = BreakParse;
    procs->connect = Connect;
    procs->setFileType = SetFileType;
    procs->parse = Parse;
    procs->parseFromTop = ParseFromTop;
    procs->createBuffer = CreateBuffer;
    procs->freeBuffer = FreeBuffer;
    procs->clearBuffer = ClearBuffer;
    procs->passedToConnect = PassedThrough;
    procs->resetBuffer = ResetBuffer;
    procs->colourBuffer = ColourBuffer;
    procs->createStyles = CreateStyles;
    procs->freeStyles = FreeStyles;
    procs->loadScheme = LoadScheme;
    procs->getStyle = GetStyle;
    return 1;
}

std::vector<TParseCall> ParseCalls() {
    const std::lock_guard<std::mutex> lock(S().mutex);
    return S().calls;
}

int ParseCount() {
    const std::lock_guard<std::mutex> lock(S().mutex);
    return static_cast<int>(S().calls.size());
}

int BreakCount() {
    const std::lock_guard<std::mutex> lock(S().mutex);
    return S().breaks;
}

int LiveObjects() {
    const std::lock_guard<std::mutex> lock(S().mutex);
    return S().live;
}

bool Overflowed() {
    const std::lock_guard<std::mutex> lock(S().mutex);
    return S().overflowed;
}

std::string GrammarPath() {
    const std::lock_guard<std::mutex> lock(S().mutex);
    return S().grammarPath;
}

std::string SchemePath() {
    const std::lock_guard<std::mutex> lock(S().mutex);
    return S().schemePath;
}

int SchemeLoads() {
    const std::lock_guard<std::mutex> lock(S().mutex);
    return S().schemeLoads;
}

int DefaultBackgroundSeen() {
    const std::lock_guard<std::mutex> lock(S().mutex);
    return S().defaultBackground;
}

void FailGrammar() {
    const std::lock_guard<std::mutex> lock(S().mutex);
    S().failGrammar = true;
}

void SetStyleForeground(int index, int foreground) {
    const std::lock_guard<std::mutex> lock(S().mutex);
    S().scheme.at(static_cast<size_t>(index)).foreground = foreground;
}

void SetLineHook(std::function<void(int line)> hook) {
    const std::lock_guard<std::mutex> lock(S().mutex);
    S().hook = std::move(hook);
}

} // namespace fake_colorer
