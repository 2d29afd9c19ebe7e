// The 8-bit copy of a document's lines that the highlighting library reads: immutable blocks
// shared between the live copy, which follows every edit, and snapshots a background parse
// reads while the main thread goes on editing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "text/uniStringList.h"

// A run of consecutive lines in one string. Never changed once made, so a snapshot and the
// live copy can hold the same block from different threads.
struct TShadowBlock {
    std::string text;
    std::vector<std::uint32_t> ends; // line i is text[ends[i-1] .. ends[i]) (from 0 for i = 0)

    int Count() const { return static_cast<int>(ends.size()); }
    // Line i's characters and their number; the pointer is never null.
    const char* Line(int i, std::int32_t* length) const;
};

// What the library's line source reads through: the characters of a line below Count()
// (valid until that line changes), or null with length 0 beyond it.
class TShadowReader {
public:
    virtual const char* Line(int index, std::int32_t* length) = 0;
    virtual int Count() const = 0;

protected:
    ~TShadowReader() = default;
};

// The lines as they were when it was taken, up to a limit. Reading it touches nothing else,
// so any one thread may read it while another edits the document.
class TShadowSnapshot final : public TShadowReader {
public:
    const char* Line(int index, std::int32_t* length) override;
    int Count() const override { return count_; }

private:
    friend class TShadowLines;
    int count_ = 0;
    std::vector<int> starts_; // first line of each block
    std::vector<std::shared_ptr<const TShadowBlock>> blocks_;
};

// The live copy: told of every change of the list, it drops the blocks the change touched
// and builds them again from the list when they are read, so an edit costs a block, not
// the document. Main thread only; it reads the list only when a line is asked for.
class TShadowLines final : public TShadowReader {
public:
    // Lines per block: a block is split when it grows past twice this.
    static constexpr int kBlockLines = 128;

    explicit TShadowLines(const TWStringList& list);
    TShadowLines(const TShadowLines&) = delete;
    TShadowLines& operator=(const TShadowLines&) = delete;

    // Builds the block that holds the line when it is not built.
    const char* Line(int index, std::int32_t* length) override;
    int Count() const override { return count_; }

    void Inserted(int first, int last);
    void Deleted(int first, int last);
    void Changed(int first, int last);
    // Starts over when the line count no longer matches the list's (a change not told).
    void Sync();

    // The first `limit` lines (at most all), every block of them built.
    std::unique_ptr<TShadowSnapshot> Snapshot(int limit);

    // Line text copied into blocks so far.
    std::int64_t BytesCopied() const { return bytesCopied_; }
    int BlockCount() const { return static_cast<int>(entries_.size()); }
    // How many times it started over from the list.
    int Resets() const { return resets_; }

private:
    struct TEntry {
        int count = 0;
        std::shared_ptr<const TShadowBlock> block; // null: to be built from the list
    };

    void Reset();
    // The entry that holds `line` (the last one for line == count_).
    size_t Find(int line);
    void Build(size_t entry);
    void Split(size_t entry);
    void AppendEntries(int lines);

    const TWStringList& list_;
    int count_ = 0;
    std::vector<TEntry> entries_;
    // starts_[i] is entry i's first line for every i below valid_; the rest are worked out
    // when a line beyond them is looked for, so a run of edits near each other does not
    // renumber the whole document each time.
    std::vector<int> starts_;
    size_t valid_ = 0;
    std::int64_t bytesCopied_ = 0;
    int resets_ = 0;
};
