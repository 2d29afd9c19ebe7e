// The parsing engine: a stack of open contexts carried from line to line, the earliest
// match among the top context's end and children winning at each step.
#include "parser.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace colorer {

namespace {

std::mutex buffersMutex;
std::unordered_map<ColorerLineRecord*, RegionBuffer*>& Buffers() {
    static std::unordered_map<ColorerLineRecord*, RegionBuffer*> buffers;
    return buffers;
}

bool IsWordChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return std::isalnum(u) != 0 || c == '_';
}

bool SameWord(const char* text, int length, const std::string& word, bool caseSensitive) {
    if (static_cast<size_t>(length) != word.size()) {
        return false;
    }
    for (int i = 0; i < length; ++i) {
        unsigned char a = static_cast<unsigned char>(text[i]);
        unsigned char b = static_cast<unsigned char>(word[static_cast<size_t>(i)]);
        if (caseSensitive ? a != b : std::tolower(a) != std::tolower(b)) {
            return false;
        }
    }
    return true;
}

// The group of that name which took part in the last match (names may repeat).
int GroupByName(pcre2_code* code, const std::string& name, pcre2_match_data* match) {
    PCRE2_SPTR first = nullptr;
    PCRE2_SPTR last = nullptr;
    int entrySize = pcre2_substring_nametable_scan(code, reinterpret_cast<PCRE2_SPTR>(name.c_str()),
                                                   &first, &last);
    if (entrySize < 0) {
        return -1;
    }
    const uint32_t pairs = pcre2_get_ovector_count(match);
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(match);
    int fallback = -1;
    for (PCRE2_SPTR entry = first; entry <= last; entry += entrySize) {
        int group = (entry[0] << 8) | entry[1];
        if (fallback < 0) {
            fallback = group;
        }
        if (static_cast<uint32_t>(group) < pairs && ov[2 * group] != PCRE2_UNSET) {
            return group;
        }
    }
    return fallback;
}

} // namespace

RegionBuffer::RegionBuffer(int32_t capacity)
    : records_(static_cast<size_t>(std::max<int32_t>(capacity, 1))) {
    Clear(0);
}

void RegionBuffer::Clear(int32_t windowFirst) {
    for (auto& record : records_) {
        record = ColorerLineRecord{};
    }
    records_[0].windowFirstLine = windowFirst;
    used_ = 0;
}

RegionNode* RegionBuffer::Allocate() {
    size_t chunk = used_ / ChunkSize;
    if (chunk == chunks_.size()) {
        chunks_.push_back(std::make_unique<RegionNode[]>(ChunkSize));
    }
    RegionNode* node = &chunks_[chunk][used_ % ChunkSize];
    ++used_;
    return node;
}

RegionBuffer* RegionBuffer::From(ColorerLineRecord* records) {
    std::lock_guard lock(buffersMutex);
    auto it = Buffers().find(records);
    return it == Buffers().end() ? nullptr : it->second;
}

void RegionBuffer::Register(RegionBuffer* buffer) {
    std::lock_guard lock(buffersMutex);
    Buffers()[buffer->Records()] = buffer;
}

void RegionBuffer::Unregister(RegionBuffer* buffer) {
    std::lock_guard lock(buffersMutex);
    Buffers().erase(buffer->Records());
}

Parser::Parser()
    : match_(pcre2_match_data_create(128, nullptr)), limited_(pcre2_match_context_create(nullptr)) {
    pairClass_ = StyleClasses::Instance().Intern("pair");
}

Parser::~Parser() {
    pcre2_match_data_free(match_);
    pcre2_match_context_free(limited_);
}

void Parser::Connect(ColorerLineSource lines, void* source, ColorerLineRecord* buffer) {
    lines_ = lines;
    source_ = source;
    buffer_ = buffer != nullptr ? RegionBuffer::From(buffer) : nullptr;
    kept_.clear();
}

int Parser::Search(pcre2_code* code, const char* text, int length, int from, int& matchEnd,
                   int limit, uint32_t options) {
    pcre2_match_context* context = nullptr;
    if (limit <= length) {
        // Only matches that start before the limit: a long line is searched a piece at a
        // time, so contexts entered and left often do not rescan the rest of the line.
        pcre2_set_offset_limit(limited_, static_cast<PCRE2_SIZE>(limit - 1));
        context = limited_;
    }
    int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(text), static_cast<PCRE2_SIZE>(length),
                         static_cast<PCRE2_SIZE>(from), options, match_, context);
    if (rc < 0) {
        return -1;
    }
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(match_);
    matchEnd = static_cast<int>(ov[1]);
    return static_cast<int>(ov[0]);
}

void Parser::Probe(const Regex& regex, const char* text, int length, int pos, int limit, int& start,
                   int& end) {
    if (static_cast<size_t>(regex.id) >= known_.size()) {
        known_.resize(static_cast<size_t>(regex.id) + 64);
    }
    Known& known = known_[static_cast<size_t>(regex.id)];
    int from = pos;
    // The position only grows along a line, so what a search from before `pos` found
    // still holds when it lies at or after `pos`.
    if (known.line == lineStamp_ && known.from <= pos) {
        if (known.start >= pos) {
            start = known.start < limit ? known.start : kNoneBeforeLimit;
            end = known.end;
            return;
        }
        if (known.start == kNoMatch) {
            start = kNoMatch;
            return;
        }
        if (known.start == kNoneBeforeLimit) {
            if (known.end >= limit) {
                start = kNoneBeforeLimit;
                return;
            }
            from = std::max(pos, known.end);
        }
    }
    known.line = lineStamp_;
    known.from = pos;
    known.start = Search(regex.code, text, length, from, known.end, limit, regex.matchOptions);
    if (known.start < 0) {
        known.start = limit > length ? kNoMatch : kNoneBeforeLimit;
        known.end = limit;
    }
    start = known.start;
    end = known.end;
}

void Parser::AddSpan(int start, int end, int styleClass, int kind) {
    if (!emit_ || styleClass < 0) {
        return;
    }
    if (end >= 0 ? end <= start : start >= static_cast<int>(quiet_.size())) {
        return;
    }
    spans_.push_back(Span{start, end, styleClass, kind});
}

void Parser::AddSubPatterns(const Node& node, pcre2_code* code, bool whereEnd) {
    if (!emit_ || node.subs.empty()) {
        return;
    }
    const uint32_t pairs = pcre2_get_ovector_count(match_);
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(match_);
    for (const auto& rule : node.subs) {
        if (node.kind == DefKind::Container && rule.whereEnd != whereEnd) {
            continue;
        }
        int group = rule.group;
        if (group < 0) {
            group = GroupByName(code, rule.groupName, match_);
        }
        if (group < 0 || static_cast<uint32_t>(group) >= pairs) {
            continue;
        }
        PCRE2_SIZE s = ov[2 * group];
        PCRE2_SIZE e = ov[2 * group + 1];
        if (s == PCRE2_UNSET || e == PCRE2_UNSET) {
            continue;
        }
        AddSpan(static_cast<int>(s), static_cast<int>(e), rule.styleClass);
    }
}

void Parser::MarkQuiet(int from, int to, bool quiet) {
    if (!emit_ || !quiet) {
        return;
    }
    to = std::min(to, static_cast<int>(quiet_.size()));
    for (int i = std::max(from, 0); i < to; ++i) {
        quiet_[static_cast<size_t>(i)] = 1;
    }
}

const Regex* Parser::EndFor(const Regex& end, pcre2_code* startCode, const char* text) {
    const uint32_t pairs = pcre2_get_ovector_count(match_);
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(match_);
    std::string source;
    const std::string& templ = end.source;
    for (size_t i = 0; i < templ.size(); ++i) {
        if (templ[i] != '\x01') {
            source += templ[i];
            continue;
        }
        size_t close = templ.find('\x02', i);
        std::string name = templ.substr(i + 1, close - i - 1);
        i = close;
        int group = name.find_first_not_of("0123456789") == std::string::npos && !name.empty()
                        ? std::stoi(name)
                        : GroupByName(startCode, name, match_);
        if (group < 0 || static_cast<uint32_t>(group) >= pairs || ov[2 * group] == PCRE2_UNSET) {
            continue;
        }
        for (PCRE2_SIZE k = ov[2 * group]; k < ov[2 * group + 1]; ++k) {
            unsigned char c = static_cast<unsigned char>(text[k]);
            if (std::isalnum(c) != 0) {
                source += static_cast<char>(c);
            } else {
                char hex[12];
                std::snprintf(hex, sizeof hex, "\\x{%02X}", c);
                source += hex;
            }
        }
    }
    std::string key = std::to_string(end.options) + ":" + source;
    auto it = dynamicEnds_.find(key);
    if (it == dynamicEnds_.end()) {
        auto regex = std::make_unique<Regex>();
        regex->source = source;
        regex->options = end.options;
        regex->code = CompileRegex(source, end.options);
        it = dynamicEnds_.emplace(key, std::move(regex)).first;
    }
    return it->second->code != nullptr ? it->second.get() : nullptr;
}

void Parser::Push(const Candidate& candidate, int matchStart, int matchEnd, const char* text) {
    const Node& node = *candidate.node;
    Frame frame;
    frame.node = &node;
    frame.styleClass = candidate.styleClass;
    frame.regionStart = node.styleInside ? matchEnd : matchStart;
    frame.quiet = stack_.back().quiet || node.quiet;
    if (node.end) {
        frame.end = node.end->dynamic ? EndFor(*node.end, node.start->code, text) : node.end.get();
    }
    stack_.push_back(frame);
}

void Parser::PopTo(size_t depth, int endColumn) {
    while (stack_.size() > depth && stack_.size() > 1) {
        const Frame& frame = stack_.back();
        AddSpan(frame.regionStart, endColumn, frame.styleClass);
        stack_.pop_back();
    }
}

void Parser::ParseLine(const char* text, int length, int32_t line, bool emit) {
    emit_ = emit;
    spans_.clear();
    if (emit) {
        quiet_.assign(static_cast<size_t>(length), 0);
    }
    ++lineStamp_;
    for (auto& frame : stack_) {
        frame.regionStart = 0;
    }
    int pos = 0;
    int lastPos = -1;
    int stuck = 0;
    for (;;) {
        if (pos == lastPos) {
            if (++stuck > 256) {
                // Empty matches that lead nowhere: step over one character.
                if (pos >= length) {
                    break;
                }
                MarkQuiet(pos, pos + 1, stack_.back().quiet);
                ++pos;
                stuck = 0;
            }
        } else {
            stuck = 0;
        }
        lastPos = pos;

        const size_t top = stack_.size() - 1;
        const Frame& frame = stack_[top];
        int bestStart = INT_MAX, bestEnd = 0;
        size_t endedFrame = 0; // non-zero: the frame whose end matched
        size_t child = SIZE_MAX;
        const auto& children = frame.node->children;
        // The earliest match wins; searched first within a short stretch, then further.
        for (int limit = std::min(length + 1, pos + kSearchStretch);;
             limit = std::min(length + 1, pos + (limit - pos) * 8)) {
            bool unknown = false;
            int s = kNoMatch, e = 0;
            if (frame.end != nullptr) {
                Probe(*frame.end, text, length, pos, limit, s, e);
                unknown = unknown || s == kNoneBeforeLimit;
                if (s >= 0) {
                    bestStart = s;
                    bestEnd = e;
                    endedFrame = top;
                }
            }
            for (size_t i = top; i > 0 && !stack_[i].node->extendParent; --i) {
                const Frame& parent = stack_[i - 1];
                if (parent.end == nullptr || i - 1 == 0) {
                    continue;
                }
                Probe(*parent.end, text, length, pos, limit, s, e);
                unknown = unknown || s == kNoneBeforeLimit;
                if (s >= 0 && s < bestStart) {
                    bestStart = s;
                    bestEnd = e;
                    endedFrame = i - 1;
                }
            }
            for (size_t k = 0; k < children.size(); ++k) {
                const Node& node = *children[k].node;
                if ((node.onceOnly && k < 64 && ((frame.onceUsed >> k) & 1u) != 0) ||
                    (node.firstLineOnly && line != 0) || node.start->code == nullptr) {
                    continue;
                }
                Probe(*node.start, text, length, pos, limit, s, e);
                unknown = unknown || s == kNoneBeforeLimit;
                // An empty end ("stop before whatever comes next") yields to a child there.
                if (s >= 0 && (s < bestStart ||
                               (s == bestStart && child == SIZE_MAX && bestEnd == bestStart))) {
                    bestStart = s;
                    bestEnd = e;
                    endedFrame = 0;
                    child = k;
                    if (s == pos) {
                        break;
                    }
                }
            }
            if (bestStart != INT_MAX || !unknown || limit > length) {
                break;
            }
        }
        if (bestStart == INT_MAX) {
            break;
        }
        // A child that may not extend its parent gives way when the parent's end falls
        // inside what the child matched.
        if (child != SIZE_MAX && !children[child].node->extendParent && top > 0 &&
            frame.end != nullptr) {
            int endsAt = 0;
            int ends = Search(frame.end->code, text, length, bestStart, endsAt);
            if (ends >= 0 && ends < bestEnd) {
                bestStart = ends;
                bestEnd = endsAt;
                endedFrame = top;
                child = SIZE_MAX;
            }
        }
        MarkQuiet(pos, bestStart, frame.quiet);
        if (endedFrame > 0) {
            const Frame& ended = stack_[endedFrame];
            pcre2_code* code = ended.end->code;
            Search(code, text, length, bestStart, bestEnd);
            PopTo(endedFrame + 1, bestStart);
            const Frame& closing = stack_.back();
            MarkQuiet(bestStart, bestEnd, closing.quiet);
            AddSpan(closing.regionStart, closing.node->styleInside ? bestStart : bestEnd,
                    closing.styleClass);
            AddSubPatterns(*closing.node, code, true);
            bool endParent = closing.node->endParent;
            stack_.pop_back();
            while (endParent && stack_.size() > 1) {
                endParent = stack_.back().node->endParent;
                PopTo(stack_.size() - 1, bestEnd);
            }
        } else {
            const Candidate& candidate = children[child];
            const Node& node = *candidate.node;
            pcre2_code* code = node.start->code;
            if (!node.subs.empty() || node.kind == DefKind::Container) {
                Search(code, text, length, bestStart, bestEnd, INT_MAX, node.start->matchOptions);
            }
            MarkQuiet(bestStart, bestEnd, frame.quiet || node.quiet);
            if (node.onceOnly && child < 64) {
                stack_[top].onceUsed |= uint64_t{1} << child;
            }
            if (node.kind == DefKind::Match) {
                AddSpan(bestStart, bestEnd, candidate.styleClass);
                AddSubPatterns(node, code, false);
                bool endParent = node.endParent;
                while (endParent && stack_.size() > 1) {
                    endParent = stack_.back().node->endParent;
                    PopTo(stack_.size() - 1, bestEnd);
                }
            } else {
                AddSubPatterns(node, code, false);
                Push(candidate, bestStart, bestEnd, text);
            }
        }
        pos = bestEnd;
    }
    MarkQuiet(pos, length, stack_.back().quiet);
    while (stack_.size() > 1 && stack_.back().node->endAtLineEnd) {
        PopTo(stack_.size() - 1, -1);
    }
    if (emit) {
        for (const auto& frame : stack_) {
            AddSpan(frame.regionStart, -1, frame.styleClass);
        }
        AddPairs(text, length);
    }
}

void Parser::AddPairs(const char* text, int length) {
    for (int i = 0; i < length; ++i) {
        if (quiet_[static_cast<size_t>(i)] != 0) {
            continue;
        }
        switch (text[i]) {
        case '(':
        case '[':
        case '{':
            AddSpan(i, i + 1, pairClass_, COLORER_PAIR_START);
            break;
        case ')':
        case ']':
        case '}':
            AddSpan(i, i + 1, pairClass_, COLORER_PAIR_END);
            break;
        default:
            break;
        }
    }
    if (language_ == nullptr || (language_->pairOpen.empty() && language_->pairClose.empty())) {
        return;
    }
    for (int i = 0; i < length;) {
        if (!IsWordChar(text[i])) {
            ++i;
            continue;
        }
        int end = i;
        while (end < length && IsWordChar(text[end])) {
            ++end;
        }
        if (quiet_[static_cast<size_t>(i)] == 0) {
            for (const auto& word : language_->pairOpen) {
                if (SameWord(text + i, end - i, word, language_->pairsCaseSensitive)) {
                    AddSpan(i, end, pairClass_, COLORER_PAIR_START);
                }
            }
            for (const auto& word : language_->pairClose) {
                if (SameWord(text + i, end - i, word, language_->pairsCaseSensitive)) {
                    AddSpan(i, end, pairClass_, COLORER_PAIR_END);
                }
            }
        }
        i = end;
    }
}

void Parser::Store(int32_t record) {
    ColorerLineRecord& target = buffer_->Records()[record];
    std::stable_sort(spans_.begin(), spans_.end(), [](const Span& a, const Span& b) {
        if (a.start != b.start) {
            return a.start < b.start;
        }
        int ae = a.end < 0 ? INT_MAX : a.end;
        int be = b.end < 0 ? INT_MAX : b.end;
        return ae > be;
    });
    target.first = nullptr;
    target.last = nullptr;
    for (const auto& span : spans_) {
        RegionNode* node = buffer_->Allocate();
        node->styleClass = span.styleClass;
        ColorerRegion& region = node->pub;
        region = ColorerRegion{};
        region.style = span.styleClass;
        region.foreground = -1;
        region.background = -1;
        region.kind = span.kind;
        region.start = span.start;
        region.end = span.end;
        region.prev = target.last;
        if (target.last != nullptr) {
            target.last->next = &region;
        } else {
            target.first = &region;
        }
        target.last = &region;
    }
}

void Parser::ResetStack() {
    static const Node emptyRoot;
    const Node* root = language_ != nullptr ? language_->root : &emptyRoot;
    stack_.clear();
    Frame bottom;
    bottom.node = root;
    bottom.styleClass = root->styleClass;
    bottom.quiet = root->quiet;
    stack_.push_back(bottom);
}

int32_t Parser::Parse(int32_t from, int32_t windowFirst, int32_t windowCount, int32_t count) {
    stop_.store(false, std::memory_order_relaxed);
    if (lines_ == nullptr || from < 0) {
        return from - 1;
    }
    ResetStack();
    return Run(from, windowFirst, windowCount, count, false);
}

int32_t Parser::ParseFromTop(int32_t sameLines, int32_t windowFirst, int32_t windowCount,
                             int32_t count) {
    stop_.store(false, std::memory_order_relaxed);
    if (lines_ == nullptr) {
        return -1;
    }
    // The state at the start of line i * kKeepEvery holds while lines 0 .. i * kKeepEvery - 1
    // are unchanged.
    const size_t vouched = sameLines < 0 ? 0 : static_cast<size_t>(sameLines / kKeepEvery) + 1;
    if (kept_.size() > vouched) {
        kept_.resize(vouched);
    }
    const size_t usable =
        std::min(kept_.size(), static_cast<size_t>(std::max(windowFirst, 0) / kKeepEvery) + 1);
    if (usable == 0) {
        ResetStack();
        return Run(0, windowFirst, windowCount, count, true);
    }
    stack_ = kept_[usable - 1];
    const auto from = static_cast<int32_t>(usable - 1) * kKeepEvery;
    return Run(from, windowFirst, windowCount, count - from, true);
}

int32_t Parser::Run(int32_t from, int32_t windowFirst, int32_t windowCount, int32_t count,
                    bool keep) {
    int32_t last = from - 1;
    for (int32_t line = from; line < from + count; ++line) {
        if (stop_.load(std::memory_order_relaxed)) {
            break;
        }
        int32_t length = 0;
        const char* text = lines_(source_, nullptr, line, &length);
        if (text == nullptr) {
            break;
        }
        if (keep && line % kKeepEvery == 0 &&
            static_cast<size_t>(line / kKeepEvery) == kept_.size()) {
            kept_.push_back(stack_);
        }
        int32_t record = line - windowFirst + 1;
        bool emit = buffer_ != nullptr && line >= windowFirst && line < windowFirst + windowCount &&
                    record < buffer_->Capacity();
        ParseLine(text, length, line, emit);
        if (emit) {
            Store(record);
        }
        last = line;
    }
    return last;
}

} // namespace colorer
