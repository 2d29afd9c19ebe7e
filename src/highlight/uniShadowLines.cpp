// The highlighter's 8-bit copy of a document's lines (see uniShadowLines.h).
#include "highlight/uniShadowLines.h"

#include <algorithm>

const char* TShadowBlock::Line(int i, std::int32_t* length) const {
    const std::uint32_t begin = i == 0 ? 0 : ends[static_cast<size_t>(i) - 1];
    *length = static_cast<std::int32_t>(ends[static_cast<size_t>(i)] - begin);
    return text.data() + begin;
}

// ---- TShadowSnapshot ----

const char* TShadowSnapshot::Line(int index, std::int32_t* length) {
    *length = 0;
    if (index < 0 || index >= count_) {
        return nullptr;
    }
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), index);
    const size_t e = static_cast<size_t>(it - starts_.begin()) - 1;
    const TShadowBlock* block = blocks_[e].get();
    if (block == nullptr || index - starts_[e] >= block->Count()) {
        return nullptr;
    }
    return block->Line(index - starts_[e], length);
}

// ---- TShadowLines ----

TShadowLines::TShadowLines(const TWStringList& list) : list_(list) {
    Reset();
}

void TShadowLines::Reset() {
    ++resets_;
    entries_.clear();
    starts_.clear();
    valid_ = 0;
    count_ = 0;
    AppendEntries(list_.Count());
}

void TShadowLines::Sync() {
    if (count_ != list_.Count()) {
        Reset();
    }
}

void TShadowLines::AppendEntries(int lines) {
    while (lines > 0) {
        const int n = std::min(lines, kBlockLines);
        entries_.push_back(TEntry{n, nullptr});
        starts_.push_back(0);
        count_ += n;
        lines -= n;
    }
}

size_t TShadowLines::Find(int line) {
    while (valid_ < entries_.size() &&
           (valid_ == 0 || starts_[valid_ - 1] + entries_[valid_ - 1].count <= line)) {
        starts_[valid_] = valid_ == 0 ? 0 : starts_[valid_ - 1] + entries_[valid_ - 1].count;
        ++valid_;
    }
    const auto end = starts_.begin() + static_cast<std::ptrdiff_t>(valid_);
    const auto it = std::upper_bound(starts_.begin(), end, line);
    return it == starts_.begin() ? 0 : static_cast<size_t>(it - starts_.begin()) - 1;
}

void TShadowLines::Build(size_t entry) {
    TEntry& e = entries_[entry];
    if (e.block) {
        return;
    }
    const int first = starts_[entry];
    size_t size = 0;
    for (int i = first; i < first + e.count; ++i) {
        size += list_.Get(i).size();
    }
    auto block = std::make_shared<TShadowBlock>();
    block->text.reserve(size);
    block->ends.reserve(static_cast<size_t>(e.count));
    for (int i = first; i < first + e.count; ++i) {
        block->text += TWStringList::AnsiForm(list_.Get(i));
        block->ends.push_back(static_cast<std::uint32_t>(block->text.size()));
    }
    bytesCopied_ += static_cast<std::int64_t>(block->text.size());
    e.block = std::move(block);
}

const char* TShadowLines::Line(int index, std::int32_t* length) {
    *length = 0;
    if (index < 0 || index >= count_) {
        return nullptr;
    }
    const size_t e = Find(index);
    Build(e);
    return entries_[e].block->Line(index - starts_[e], length);
}

void TShadowLines::Split(size_t entry) {
    const int total = entries_[entry].count;
    const int pieces = (total + kBlockLines - 1) / kBlockLines;
    std::vector<TEntry> parts;
    parts.reserve(static_cast<size_t>(pieces));
    for (int i = 0; i < pieces; ++i) {
        // Even sizes, so that no piece is left tiny.
        const int n = total * (i + 1) / pieces - total * i / pieces;
        parts.push_back(TEntry{n, nullptr});
    }
    const auto at = static_cast<std::ptrdiff_t>(entry);
    entries_.erase(entries_.begin() + at);
    entries_.insert(entries_.begin() + at, parts.begin(), parts.end());
    starts_.insert(starts_.begin() + at + 1, parts.size() - 1, 0); // after its own start
    valid_ = std::min(valid_, entry + 1);
}

void TShadowLines::Inserted(int first, int last) {
    const int n = last - first + 1;
    if (n <= 0) {
        return;
    }
    if (first < 0 || first > count_) {
        Reset(); // out of step: start over from the list
        return;
    }
    if (entries_.empty()) {
        AppendEntries(n);
        return;
    }
    const size_t e = Find(first);
    entries_[e].count += n;
    entries_[e].block.reset();
    count_ += n;
    valid_ = std::min(valid_, e + 1);
    if (entries_[e].count > 2 * kBlockLines) {
        Split(e);
    }
}

void TShadowLines::Deleted(int first, int last) {
    int remaining = last - first + 1;
    if (remaining <= 0) {
        return;
    }
    if (first < 0 || last >= count_) {
        Reset();
        return;
    }
    const size_t e0 = Find(first);
    int offset = first - starts_[e0];
    size_t e = e0;
    while (remaining > 0 && e < entries_.size()) {
        const int take = std::min(remaining, entries_[e].count - offset);
        entries_[e].count -= take;
        entries_[e].block.reset();
        remaining -= take;
        offset = 0;
        ++e;
    }
    count_ -= last - first + 1;
    // Drop the entries left empty; e0's start stays what it was.
    const auto begin = entries_.begin() + static_cast<std::ptrdiff_t>(e0);
    const auto end = entries_.begin() + static_cast<std::ptrdiff_t>(e);
    const auto kept = std::remove_if(begin, end, [](const TEntry& x) { return x.count == 0; });
    const auto removed = end - kept;
    entries_.erase(kept, end);
    starts_.erase(starts_.end() - removed, starts_.end());
    valid_ = std::min(valid_, e0 + 1);
    if (valid_ > entries_.size()) {
        valid_ = entries_.size();
    }
}

void TShadowLines::Changed(int first, int last) {
    if (first < 0 || last >= count_ || first > last) {
        Reset();
        return;
    }
    size_t e = Find(first);
    int start = starts_[e];
    while (e < entries_.size() && start <= last) {
        entries_[e].block.reset();
        start += entries_[e].count;
        ++e;
    }
}

std::unique_ptr<TShadowSnapshot> TShadowLines::Snapshot(int limit) {
    Sync();
    auto snapshot = std::make_unique<TShadowSnapshot>();
    snapshot->count_ = std::clamp(limit, 0, count_);
    if (snapshot->count_ == 0) {
        return snapshot;
    }
    const size_t last = Find(snapshot->count_ - 1);
    snapshot->starts_.reserve(last + 1);
    snapshot->blocks_.reserve(last + 1);
    for (size_t e = 0; e <= last; ++e) {
        Build(e);
        snapshot->starts_.push_back(starts_[e]);
        snapshot->blocks_.push_back(entries_[e].block);
    }
    return snapshot;
}
