// The document: the line list its views share, its file name and encoding, its save
// count, and the watchers that hear of its changes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "document/uniWatcherList.h"
#include "text/uniCodec.h"
#include "text/uniStringList.h"

class TDocument;

// What a file on disk is: enough to see that another program wrote, replaced or removed it.
struct TFileStamp {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const TFileStamp&) const = default;
};
TFileStamp StampOf(const std::string& fileName);

// How the document's file stands against the one the document last loaded or saved.
enum class TDiskChange { None, Changed, Removed };

// One change of the text: lines first..last (numbered as they are after an insertion or a
// change, as they were before a deletion), and the document's revision after it.
struct TLineChange {
    std::uint64_t revision = 0;
    int first = 0;
    int last = 0;
    // A change: the code units of line `first` before this one are as they were.
    int column = 0;
};

// A load or a save has ended; `by` is the editor that asked for it (compared, never called).
struct TFileEvent {
    std::uint64_t revision = 0;
    bool ok = true;
    std::string fileName;
    const TuniAbstractMemo* by = nullptr;
};

// The modified state was set: after every edit (true), after a load or a save (false). It
// is told also when the flag keeps its value, so a window follows each edit.
struct TModifiedChange {
    std::uint64_t revision = 0;
    bool modified = false;
    const TuniAbstractMemo* by = nullptr;
};

// What a document tells those who registered with it, each thing once it has happened.
// Every call does nothing by default. A change of lines is told as it is made; in a run of
// edits (an undo step, a replace-all) the lines are read through the run until it ends,
// so a watcher that wants the text reads it later, from the first changed line on.
// A watcher may register or unregister itself or another one while it is being told.
class TDocumentWatcher {
public:
    virtual void LinesInserted(TDocument& /*document*/, const TLineChange& /*change*/) {}
    virtual void LinesDeleted(TDocument& /*document*/, const TLineChange& /*change*/) {}
    virtual void LinesChanged(TDocument& /*document*/, const TLineChange& /*change*/) {}
    // A load has read so far: at the line counts TCodecObserver::LinesLoaded names.
    virtual void LoadProgressed(TDocument& /*document*/, const TLoadProgress& /*progress*/) {}
    virtual void Loaded(TDocument& /*document*/, const TFileEvent& /*event*/) {}
    virtual void Saved(TDocument& /*document*/, const TFileEvent& /*event*/) {}
    // Charset, surrogate table, representation or line separator.
    virtual void EncodingChanged(TDocument& /*document*/, std::uint64_t /*revision*/) {}
    virtual void ModifiedChanged(TDocument& /*document*/, const TModifiedChange& /*change*/) {}

protected:
    ~TDocumentWatcher() = default;
};

class TDocument final : public TLineListObserver {
public:
    // Lets go of a document's reference (for std::unique_ptr).
    struct TRelease {
        void operator()(TDocument* document) const { document->Release(); }
    };
    using TPtr = std::unique_ptr<TDocument, TRelease>;

    // A new, empty document with one reference, the caller's.
    static TPtr New();
    // The document that holds `list`; a list without one gets one, which takes over the
    // list's references.
    static TDocument& Of(TWStringList& list);

    // A document lives as long as its line list has owners: its references are the list's.
    TDocument* AddRef();
    void Release();

    // Holds references and knows its watchers: neither copied nor moved.
    TDocument(const TDocument&) = delete;
    TDocument& operator=(const TDocument&) = delete;

    TWStringList& Lines() { return *lines_; }
    const TWStringList& Lines() const { return *lines_; }
    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string name) { fileName_ = std::move(name); }

    // The encoding settings and the conversion table. Changing the settings through
    // SetEncoding and SetLineSeparator tells the watchers.
    TTextCodec& Codec() { return codec_; }
    const TTextCodec& Codec() const { return codec_; }
    void SetEncoding(const std::string& charset, const std::string& surrogate, TUniRepr uniRepr);
    void SetLineSeparator(TLineSeparator separator);
    // Saves of this document, by any of its views.
    int SaveCounter() const { return codec_.saveCounter; }

    bool Modified() const { return lines_->Modified(); }
    void SetModified(bool modified, const TuniAbstractMemo* by);

    // Loads the document's file through the codec; `observer` (the view that loads) hears
    // the codec's reports, the watchers the changes and the end. A load tells the lines it
    // appends in ranges, not line by line.
    TCodecResult Load(TCodecObserver& observer, const TuniAbstractMemo* by);
    // Saves to `fileName`, which becomes the document's name.
    TCodecResult Save(const std::string& fileName, TSaveOptions options, TCodecObserver& observer,
                      const TuniAbstractMemo* by);

    // Whether another program changed or removed the file since the last load or save (a
    // file that appeared where there was none counts as changed). None for an unnamed
    // document.
    TDiskChange DiskChange() const;
    // The same, but each state of the file only once: a change already told is None until
    // the file changes again (or is loaded or saved).
    TDiskChange NewDiskChange();

    // Changes told so far; every change of lines makes a new revision.
    std::uint64_t Revision() const { return revision_; }

    // A watcher hears every change from the next one on; registering twice changes nothing.
    void AddWatcher(TDocumentWatcher& watcher);
    void RemoveWatcher(TDocumentWatcher& watcher);

private:
    explicit TDocument(TWStringList* lines);
    ~TDocument();

    // TLineListObserver
    void LinesInserted(int first, int last) override;
    void LinesDeleted(int first, int last) override;
    void LinesChanged(int first, int last, int column) override;

    // The lines a load appended and no watcher heard of yet.
    void TellAppended();
    // Passes a load's reports on (uniDocument.cpp).
    class TLoadRelay;
    struct TEncodingState;
    TEncodingState EncodingState() const;
    void TellIfEncodingChanged(const TEncodingState& before);

    TWStringList* lines_;
    std::string fileName_;
    TTextCodec codec_;
    std::uint64_t revision_ = 0;
    TWatcherList<TDocumentWatcher> watchers_;
    // The file as the last load read it or the last save left it, and as it was when a
    // change was last told.
    std::optional<TFileStamp> diskBase_;
    std::optional<TFileStamp> diskTold_;
    // While a load appends: the lines from appendFirst_ to appendLast_ are not told yet.
    bool loading_ = false;
    int appendFirst_ = 0;
    int appendLast_ = -1;
};
