// A registry of watchers that may come and go while they are being told.
#pragma once

#include <algorithm>
#include <vector>

// Borrows its watchers: each one unregisters before it goes. Telling walks the registry by
// index: one that leaves meanwhile leaves a gap, skipped and closed once the outermost
// telling is through; one that arrives meanwhile hears from the next telling on. A telling
// costs one call a watcher.
template <class TWatcher>
class TWatcherList {
public:
    TWatcherList() = default;
    // Its entries are borrowed by address; a copy would tell the same watchers twice.
    TWatcherList(const TWatcherList&) = delete;
    TWatcherList& operator=(const TWatcherList&) = delete;

    // Registering twice changes nothing.
    void Add(TWatcher& watcher) {
        if (std::find(items_.begin(), items_.end(), &watcher) == items_.end()) {
            items_.push_back(&watcher);
        }
    }

    void Remove(TWatcher& watcher) {
        const auto it = std::find(items_.begin(), items_.end(), &watcher);
        if (it == items_.end()) {
            return;
        }
        if (telling_ > 0) {
            *it = nullptr;
            vacated_ = true;
        } else {
            items_.erase(it);
        }
    }

    bool Empty() const { return items_.empty(); }

    template <class Tell>
    void TellAll(Tell tell) {
        TTelling telling(*this);
        const size_t n = items_.size();
        for (size_t i = 0; i < n; ++i) {
            if (TWatcher* watcher = items_[i]) {
                tell(*watcher);
            }
        }
    }

private:
    // Counts the tellings under way (they may nest) and closes the gaps after the last.
    class TTelling {
    public:
        explicit TTelling(TWatcherList& list) : list_(list) { ++list_.telling_; }
        ~TTelling() {
            if (--list_.telling_ == 0 && list_.vacated_) {
                std::erase(list_.items_, nullptr);
                list_.vacated_ = false;
            }
        }
        TTelling(const TTelling&) = delete;
        TTelling& operator=(const TTelling&) = delete;

    private:
        TWatcherList& list_;
    };

    std::vector<TWatcher*> items_;
    int telling_ = 0;
    bool vacated_ = false;
};
