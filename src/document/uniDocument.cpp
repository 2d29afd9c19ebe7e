// The document: its references, its watchers, loading and saving with what they tell.
#include "document/uniDocument.h"

#include <sys/stat.h>

// The four settings watchers hear of.
struct TDocument::TEncodingState {
    std::string charset;
    std::string surrogate;
    TUniRepr uniRepr = urNone;
    TLineSeparator lineSeparator = lsLF;
    friend bool operator==(const TEncodingState&, const TEncodingState&) = default;
};

TDocument::TPtr TDocument::New() {
    return TPtr(new TDocument(new TWStringList));
}

TDocument& TDocument::Of(TWStringList& list) {
    if (auto* document = dynamic_cast<TDocument*>(list.Observer())) {
        return *document;
    }
    return *new TDocument(&list);
}

TDocument::TDocument(TWStringList* lines) : lines_(lines) {
    lines_->SetObserver(this);
}

TDocument::~TDocument() {
    lines_->SetObserver(nullptr);
    lines_->Release();
}

TDocument* TDocument::AddRef() {
    lines_->AddRef();
    return this;
}

// The last reference goes with the document, which lets go of the list.
void TDocument::Release() {
    if (lines_->RefCount() <= 1) {
        delete this;
    } else {
        lines_->Release();
    }
}

// --- watchers ----------------------------------------------------------------------------

void TDocument::AddWatcher(TDocumentWatcher& watcher) {
    watchers_.Add(watcher);
}

void TDocument::RemoveWatcher(TDocumentWatcher& watcher) {
    watchers_.Remove(watcher);
}

// --- changes of the lines ------------------------------------------------------------------

void TDocument::LinesInserted(int first, int last) {
    // A load appends line by line: the lines are told in ranges, at the load's progress
    // points and at its end, so that appending stays as cheap as it was.
    if (loading_ && last == lines_->Count() - 1) {
        if (appendLast_ < appendFirst_) {
            appendFirst_ = first;
            appendLast_ = last;
            return;
        }
        if (first == appendLast_ + 1) {
            appendLast_ = last;
            return;
        }
    }
    TellAppended();
    const TLineChange change{++revision_, first, last, 0};
    watchers_.TellAll([&](TDocumentWatcher& w) { w.LinesInserted(*this, change); });
}

void TDocument::LinesDeleted(int first, int last) {
    TellAppended();
    const TLineChange change{++revision_, first, last, 0};
    watchers_.TellAll([&](TDocumentWatcher& w) { w.LinesDeleted(*this, change); });
}

void TDocument::LinesChanged(int first, int last, int column) {
    TellAppended();
    const TLineChange change{++revision_, first, last, column};
    watchers_.TellAll([&](TDocumentWatcher& w) { w.LinesChanged(*this, change); });
}

void TDocument::TellAppended() {
    if (appendLast_ < appendFirst_) {
        return;
    }
    const TLineChange change{++revision_, appendFirst_, appendLast_, 0};
    appendFirst_ = 0;
    appendLast_ = -1;
    watchers_.TellAll([&](TDocumentWatcher& w) { w.LinesInserted(*this, change); });
}

// --- encoding and the modified state ---------------------------------------------------------

TDocument::TEncodingState TDocument::EncodingState() const {
    return {codec_.charset, codec_.surrogate, codec_.uniRepr, codec_.lineSeparator};
}

void TDocument::TellIfEncodingChanged(const TEncodingState& before) {
    if (EncodingState() != before) {
        watchers_.TellAll([&](TDocumentWatcher& w) { w.EncodingChanged(*this, revision_); });
    }
}

void TDocument::SetEncoding(const std::string& charset, const std::string& surrogate,
                            TUniRepr uniRepr) {
    const TEncodingState before = EncodingState();
    codec_.charset = charset;
    codec_.surrogate = surrogate;
    codec_.uniRepr = uniRepr;
    TellIfEncodingChanged(before);
}

void TDocument::SetLineSeparator(TLineSeparator separator) {
    const TEncodingState before = EncodingState();
    codec_.lineSeparator = separator;
    TellIfEncodingChanged(before);
}

void TDocument::SetModified(bool modified, const TuniAbstractMemo* by) {
    lines_->SetModified(modified);
    const TModifiedChange change{revision_, modified, by};
    watchers_.TellAll([&](TDocumentWatcher& w) { w.ModifiedChanged(*this, change); });
}

// --- loading and saving --------------------------------------------------------------------

// Passes the codec's reports on to the view that loads, the appended lines and the
// progress to the watchers first: when the view draws, its lines are told.
class TDocument::TLoadRelay final : public TCodecObserver {
public:
    TLoadRelay(TDocument& document, TCodecObserver& view) : document_(document), view_(view) {}

    void ProfileDue() override { view_.ProfileDue(); }
    std::optional<std::string> DetectCharset(const std::string& fileName) override {
        return view_.DetectCharset(fileName);
    }
    void LinesLoaded(const TLoadProgress& progress) override {
        document_.TellAppended();
        view_.LinesLoaded(progress);
        if (progress.lines % kLoadProgressEvery == 0) {
            document_.watchers_.TellAll(
                [&](TDocumentWatcher& w) { w.LoadProgressed(document_, progress); });
        }
    }
    void LinesSaved(int count, int index) override { view_.LinesSaved(count, index); }

private:
    TDocument& document_;
    TCodecObserver& view_;
};

TFileStamp StampOf(const std::string& fileName) {
    struct stat st {};
    if (fileName.empty() || stat(fileName.c_str(), &st) != 0) {
        return {};
    }
    return {true, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

TDiskChange TDocument::DiskChange() const {
    if (fileName_.empty() || !diskBase_) {
        return TDiskChange::None;
    }
    const TFileStamp now = StampOf(fileName_);
    if (now == *diskBase_) {
        return TDiskChange::None;
    }
    return now.exists ? TDiskChange::Changed : TDiskChange::Removed;
}

TDiskChange TDocument::NewDiskChange() {
    const TDiskChange change = DiskChange();
    if (change == TDiskChange::None) {
        return change;
    }
    const TFileStamp now = StampOf(fileName_);
    if (diskTold_ && now == *diskTold_) {
        return TDiskChange::None;
    }
    diskTold_ = now;
    return change;
}

TCodecResult TDocument::Load(TCodecObserver& observer, const TuniAbstractMemo* by) {
    const TEncodingState before = EncodingState();
    // Taken before reading: a write while the load reads shows as a change afterwards.
    diskBase_ = StampOf(fileName_);
    diskTold_.reset();
    TLoadRelay relay(*this, observer);
    loading_ = true;
    TCodecResult result;
    try {
        result = codec_.Load(*lines_, fileName_, &relay, by);
    } catch (...) {
        loading_ = false; // what was appended is told with the next change
        throw;
    }
    loading_ = false;
    TellAppended();
    TellIfEncodingChanged(before);
    const TFileEvent event{revision_, result.ok, fileName_, by};
    watchers_.TellAll([&](TDocumentWatcher& w) { w.Loaded(*this, event); });
    return result;
}

TCodecResult TDocument::Save(const std::string& fileName, TSaveOptions options,
                             TCodecObserver& observer, const TuniAbstractMemo* by) {
    fileName_ = fileName;
    const TEncodingState before = EncodingState();
    TCodecResult result = codec_.Save(*lines_, fileName_, options, &observer, by);
    TellIfEncodingChanged(before);
    if (result.ok) {
        diskBase_ = StampOf(fileName_);
        diskTold_.reset();
        const TFileEvent event{revision_, true, fileName_, by};
        watchers_.TellAll([&](TDocumentWatcher& w) { w.Saved(*this, event); });
    }
    return result;
}
