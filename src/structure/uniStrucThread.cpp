#include "structure/uniStrucThread.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <exception>
#include <utility>

#include "base/uniNumRefs.h"
#include "structure/uniStrucParser.h"
#include "text/uniStringList.h"

namespace {

// A pass's copy of the lines, each turned into the parser's form when it is read.
class TPassLines final : public TStrucLines {
public:
    explicit TPassLines(const TStrucPass& pass) : pass_(pass) {}
    int GetCount() const override { return pass_.Count(); }
    std::string Get(int i) const override {
        return EncodeNumericRefsA(TWStringList::ExpandTabsBy(pass_.Line(i), pass_.tabSize));
    }

private:
    const TStrucPass& pass_;
};

} // namespace

void TStrucPass::Add(std::u16string_view line) {
    text_ += line;
    ends_.push_back(text_.size());
}

void TStrucPass::Clear() {
    parser = nullptr;
    text_.clear();
    ends_.clear();
}

void TStrucPass::Reserve(size_t chars, int lines) {
    text_.reserve(chars);
    ends_.reserve(static_cast<size_t>(std::max(lines, 0)));
}

std::u16string_view TStrucPass::Line(int i) const {
    const size_t end = ends_.at(static_cast<size_t>(i));
    const size_t begin = i == 0 ? 0 : ends_[static_cast<size_t>(i) - 1];
    return std::u16string_view(text_).substr(begin, end - begin);
}

TStrucThread::TStrucThread(TMainThreadQueue& queue, TDone done, TFailed failed)
    : queue_(queue), done_(std::move(done)), failed_(std::move(failed)),
      thread_([this] { Run(); }) {}

TStrucThread::~TStrucThread() {
    *alive_ = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        terminated_ = true;
        abort_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TStrucThread::Restart(TStrucPass pass) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        next_ = std::move(pass);
        abort_ = running_; // the pass in progress gives up; the new one runs next
    }
    wake_.notify_all();
}

TStrucPass TStrucThread::TakeSpare() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(spare_, TStrucPass());
}

bool TStrucThread::Running() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return running_ || next_.has_value() || undelivered_.load() > 0;
}

void TStrucThread::Run() {
    // Passes are background work: they yield the processor to the typing.
    const sched_param idle{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
    for (;;) {
        TStrucPass pass;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            running_ = false;
            wake_.wait(lock, [this] { return terminated_ || next_.has_value(); });
            if (terminated_) {
                return;
            }
            pass = std::move(*next_);
            next_.reset();
            running_ = true;
            abort_ = false;
        }
        std::unique_ptr<TStrucTree> tree;
        std::string error;
        try {
            if (pass.parser != nullptr) {
                const TPassLines lines(pass);
                tree = pass.parser->ParseLines(
                    lines, [](void* data) { return static_cast<std::atomic<bool>*>(data)->load(); },
                    &abort_);
            }
        } catch (const std::exception& e) {
            error = e.what();
        }
        pass.Clear();
        {
            // The old spare, if nobody took it, is freed here rather than on the main thread.
            const std::lock_guard<std::mutex> lock(mutex_);
            std::swap(spare_, pass);
        }
        pass = TStrucPass();
        if (abort_.load()) {
            continue; // given up: a newer pass (or the end) is waiting
        }
        ++passes_;
        ++undelivered_;
        std::weak_ptr<std::atomic<bool>> alive = alive_;
        auto shared = std::make_shared<std::unique_ptr<TStrucTree>>(std::move(tree));
        queue_.Post([this, alive, shared, error] {
            const auto living = alive.lock();
            if (!living || !*living) {
                return;
            }
            --undelivered_;
            if (!error.empty()) {
                failed_(error);
            } else {
                done_(std::move(*shared));
            }
        });
    }
}
