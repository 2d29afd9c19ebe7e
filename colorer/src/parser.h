// A document's parser: walks lines through the context graph and fills a region buffer.
#pragma once

#include <atomic>
#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "grammar.h"

namespace colorer {

// A region as the library allocates it: the record the program reads, then the style
// class it was parsed with (so colouring can be repeated).
struct RegionNode {
    ColorerRegion pub;
    int32_t styleClass;
};

// The records the program reads, plus the storage of their regions; the storage is reused
// from one preparation to the next.
class RegionBuffer {
public:
    explicit RegionBuffer(int32_t capacity);
    RegionBuffer(const RegionBuffer&) = delete;
    RegionBuffer& operator=(const RegionBuffer&) = delete;

    ColorerLineRecord* Records() { return records_.data(); }
    [[nodiscard]] int32_t Capacity() const { return static_cast<int32_t>(records_.size()); }
    void Clear(int32_t windowFirst);
    RegionNode* Allocate();

    static RegionBuffer* From(ColorerLineRecord* records);
    static void Register(RegionBuffer* buffer);
    static void Unregister(RegionBuffer* buffer);

private:
    static constexpr size_t ChunkSize = 4096;
    std::vector<ColorerLineRecord> records_;
    std::vector<std::unique_ptr<RegionNode[]>> chunks_;
    size_t used_ = 0;
};

class Parser {
public:
    Parser();
    ~Parser();
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    void Connect(ColorerLineSource lines, void* source, ColorerLineRecord* buffer);
    void SetLanguage(const CompiledLanguage* language) {
        language_ = language;
        kept_.clear();
    }
    void Stop() { stop_.store(true, std::memory_order_relaxed); }
    // Parses `count` lines from `from`, which starts afresh (its state is only guessed).
    int32_t Parse(int32_t from, int32_t windowFirst, int32_t windowCount, int32_t count);
    // Parses lines 0 .. count - 1, starting at the last state kept at or before the window
    // among those that lines 0 .. sameLines - 1, unchanged, still vouch for.
    int32_t ParseFromTop(int32_t sameLines, int32_t windowFirst, int32_t windowCount,
                         int32_t count);

private:
    struct Frame {
        const Node* node = nullptr;
        int styleClass = -1;
        int regionStart = 0;
        bool quiet = false;
        uint64_t onceUsed = 0;
        const Regex* end = nullptr;
    };
    struct Span {
        int start, end, styleClass, kind;
    };

    // Parses lines from `from` on with the stack as it is; keeps states when `keep`.
    int32_t Run(int32_t from, int32_t windowFirst, int32_t windowCount, int32_t count, bool keep);
    void ResetStack();
    void ParseLine(const char* text, int length, int32_t line, bool emit);
    void Push(const Candidate& candidate, int matchStart, int matchEnd, const char* text);
    void PopTo(size_t depth, int endColumn);
    // The first match starting at `from` or after (and before `limit` when that is within
    // the line); its start, or -1.
    int Search(pcre2_code* code, const char* text, int length, int from, int& matchEnd,
               int limit = INT_MAX, uint32_t options = 0);
    // A regex's next match from `pos` that starts before `limit`, through what is known
    // from earlier searches of the line: its start, kNoMatch, or kNoneBeforeLimit.
    void Probe(const Regex& regex, const char* text, int length, int pos, int limit, int& start,
               int& end);
    void AddSpan(int start, int end, int styleClass, int kind = 0);
    void AddSubPatterns(const Node& node, pcre2_code* code, bool whereEnd);
    void MarkQuiet(int from, int to, bool quiet);
    void AddPairs(const char* text, int length);
    void Store(int32_t record);
    const Regex* EndFor(const Regex& end, pcre2_code* startCode, const char* text);

    static constexpr int kNoMatch = -1;         // none in the rest of the line
    static constexpr int kUnknown = -2;         // not searched yet
    static constexpr int kNoneBeforeLimit = -3; // none before the end value
    static constexpr int kSearchStretch = 256;
    // A parse from the top keeps the state at the start of every this many lines.
    static constexpr int32_t kKeepEvery = 32;

    ColorerLineSource lines_ = nullptr;
    void* source_ = nullptr;
    RegionBuffer* buffer_ = nullptr;
    const CompiledLanguage* language_ = nullptr;
    std::atomic<bool> stop_{false};
    pcre2_match_data* match_ = nullptr;
    pcre2_match_context* limited_ = nullptr;
    std::vector<Frame> stack_;
    // kept_[i]: the stack at the start of line i * kKeepEvery in a parse from line 0. A
    // state depends only on the lines above it.
    std::vector<std::vector<Frame>> kept_;
    // Per regex (by id), what a search on the current line found: a regex's next match
    // does not depend on the context that asks, so contexts share what is known.
    struct Known {
        uint32_t line = 0; // lineStamp_ when found; older entries mean nothing
        int from = 0;      // where the search started
        int start = 0;     // the match, kNoMatch, or kNoneBeforeLimit (then end is the limit)
        int end = 0;
    };
    std::vector<Known> known_;
    uint32_t lineStamp_ = 0;
    std::vector<Span> spans_;
    std::vector<char> quiet_;
    bool emit_ = false;
    int pairClass_ = -1;
    std::map<std::string, std::unique_ptr<Regex>> dynamicEnds_;
};

} // namespace colorer
