// A document's structure parse on a thread of its own: one pass after each Restart, asleep
// between passes. The lines a pass reads are a copy taken on the main thread when the pass
// is asked for, so the user may go on editing; a pass whose document changed again, or
// that was asked to give up, drops its result. Results reach the main thread through the
// main-thread queue.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/uniEditorHost.h"
#include "structure/uniStrucTree.h"

class TStrucParser;

// What one pass needs: the parser of the document's type (none: no tree) and a copy of the
// document's lines with its tab size; the pass reads them as the parser wants them (tabs
// expanded, characters from 128 up as numeric references). The lines are kept in one
// string, so taking the copy on the main thread costs a few allocations, not one a line.
struct TStrucPass {
    const TStrucParser* parser = nullptr;
    int tabSize = 8;

    void Add(std::u16string_view line);
    // No lines and no parser; the memory stays for the next copy.
    void Clear();
    int Count() const { return static_cast<int>(ends_.size()); }
    size_t Capacity() const { return text_.capacity(); }
    // Room for `lines` lines of `chars` characters in all, so adding them moves nothing.
    void Reserve(size_t chars, int lines);
    std::u16string_view Line(int i) const;

private:
    std::u16string text_;
    std::vector<size_t> ends_; // line i is text_[ends_[i-1] .. ends_[i]) (from 0 for i = 0)
};

class TStrucThread {
public:
    // `done` runs on the main thread with each finished pass's tree (none when the type has
    // no template); `failed` with the message of a parse that raised.
    using TDone = std::function<void(std::unique_ptr<TStrucTree>)>;
    using TFailed = std::function<void(const std::string&)>;
    TStrucThread(TMainThreadQueue& queue, TDone done, TFailed failed);
    ~TStrucThread(); // gives up the pass in progress and waits for the thread
    TStrucThread(const TStrucThread&) = delete;
    TStrucThread& operator=(const TStrucThread&) = delete;

    // A new pass over `pass`; a pass in progress gives up at its next line.
    void Restart(TStrucPass pass);
    // An empty pass holding the memory a finished one left behind: copying a large document
    // into memory already in use spares the main thread the cost of fresh pages.
    TStrucPass TakeSpare();
    // Passes finished and handed over so far (tests).
    int Passes() const { return passes_.load(); }
    // A pass is asked for, in progress, or its result is on its way to the main thread.
    bool Running() const;

private:
    void Run();

    TMainThreadQueue& queue_;
    TDone done_;
    TFailed failed_;
    // Tells posted results whether this object still exists.
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<TStrucPass> next_; // the pass asked for and not started
    TStrucPass spare_;               // the last pass's memory, emptied
    bool running_ = false;           // a pass is in progress
    bool terminated_ = false;
    std::atomic<bool> abort_{false};
    std::atomic<int> passes_{0};
    std::atomic<int> undelivered_{0}; // results posted and not yet handed over
    std::thread thread_;              // last: starts once the rest is set
};
