// The document's line list with its undo and redo journals, and its read-only 8-bit view.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class TuniAbstractMemo; // the editor that made an undo record (never owned here)

// Raised by list misuse, with the texts "List index out of bounds (%d)",
// "Operation not allowed on sorted list" and "String list does not allow duplicates".
class EStringListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a sorted list does with a line it already holds.
enum class TDuplicates : std::uint8_t { Ignore = 0, Accept = 1, Error = 2 };

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// How a line ends in its file. A document has one separator, which lines added by editing
// take (lsDocument); a line read with another one keeps it, so that a file of mixed line
// ends is written back as it was read.
enum TLineSeparator : std::uint8_t { lsDocument = 0, lsLF = 1, lsCR = 2, lsCRLF = 3, lsLS = 4 };

enum TUndoKind : std::uint8_t {
    ukNone = 0,
    ukInsertLine = 1,
    ukDeleteLine = 2,
    ukChangeLine = 3,
    ukSavePoint = 4,
    ukGroupBegin = 5,
    ukGroupEnd = 6,
    // A line's separator changed; the record keeps the one it had. Line -1 stands for the
    // document's separator.
    ukChangeSeparator = 7,
};

struct TUndoRec {
    int line = 0; // for ukSavePoint the editor's SaveCounter
    TUndoKind kind = ukNone;
    TPoint caretStart;
    TPoint caretEnd;
    const TuniAbstractMemo* editor = nullptr;
    std::u16string text;
    // A deleted line's separator (ukDeleteLine, and ukInsertLine in the redo journal), or the
    // separator a ukChangeSeparator record puts back.
    TLineSeparator separator = lsDocument;
};

// What Pop returns.
struct TUndoEntry {
    TUndoKind kind = ukNone;
    int line = 0;
    std::u16string text;
    const TuniAbstractMemo* editor = nullptr;
    TPoint caretStart;
    TLineSeparator separator = lsDocument;
};

// An undo or redo journal: records from the oldest to the newest.
class TUndo {
public:
    TUndo() = default;
    TUndo(const TUndo&) = delete;
    TUndo& operator=(const TUndo&) = delete;

    // Appends a record, or merges a typed character into the newest one.
    void Add(TUndoKind kind, int line, bool mayMerge, const TuniAbstractMemo* editor,
             std::u16string text, TPoint caret, TLineSeparator separator = lsDocument);
    // Whether Add with these values would merge (the text it would be given is not kept
    // then, so the caller need not copy it).
    bool WouldMerge(TUndoKind kind, int line, bool mayMerge, const TuniAbstractMemo* editor,
                    TPoint caret) const;
    // Removes and returns the newest record (kind ukNone when empty).
    TUndoEntry Pop();
    TUndoKind PeekKind() const;
    int Count() const { return static_cast<int>(records_.size()); }
    // Drops records from the oldest end, a group at a time, until the journal is empty.
    void Clear();
    // One drop-oldest step: removes the oldest record, or the whole group it opens (up to
    // its matching ukGroupEnd), so no group is ever left cut in half. Returns the number of
    // records removed; 0 on an empty journal.
    int DropOldest();

    // Read access for tests and for the editor's replay (index 0 = oldest).
    const TUndoRec& Record(int i) const { return records_.at(static_cast<size_t>(i)); }
    const TUndoRec* Newest() const { return records_.empty() ? nullptr : &records_.back(); }

private:
    std::deque<TUndoRec> records_;
};

class TWStringList;

// A read-only view of a line list for readers that work in 8 bits: tabs expanded,
// characters from U+0080 up written as decimal references.
class TStringsAdapter {
public:
    explicit TStringsAdapter(const TWStringList& source) : source_(source) {}
    std::string Get(int i) const;
    int GetCount() const;
    // Writing through the adapter does nothing.
    void Clear() {}
    void Delete(int) {}
    void Insert(int, const std::string&) {}

private:
    const TWStringList& source_;
};

// The 8-bit forms of a list's lines (see TWStringList::AnsiForm). They are made from the
// lines when asked for, so they always match the lines without costing memory per line.
class TAnsiShadow {
public:
    explicit TAnsiShadow(const TWStringList& list) : list_(list) {}
    size_t size() const;
    bool empty() const { return size() == 0; }
    std::string operator[](size_t i) const;
    std::string at(size_t i) const; // std::out_of_range outside 0..size()-1
    std::vector<std::string> Lines() const;

private:
    const TWStringList& list_;
};

// The length of the common prefix of two texts (a changed line's first changed unit).
size_t CommonPrefix(std::u16string_view a, std::u16string_view b);

// Told of every change of a line list's text once it is made, with the lines it touched.
// A list has at most one: the document that holds it, which passes each change on to its
// own watchers. A change made through a TLineRun is told as it is made, while the lines
// are still carried by the run: read them through the run, or once it has committed.
class TLineListObserver {
public:
    // Lines first..last are new, numbered as they are now.
    virtual void LinesInserted(int first, int last) = 0;
    // Lines first..last were removed, numbered as they were.
    virtual void LinesDeleted(int first, int last) = 0;
    // Lines first..last have another text; the code units of line `first` before `column`
    // are as they were.
    virtual void LinesChanged(int first, int last, int column) = 0;

protected:
    ~TLineListObserver() = default;
};

class TWStringList {
public:
    TWStringList();
    virtual ~TWStringList();
    TWStringList(const TWStringList&) = delete;
    TWStringList& operator=(const TWStringList&) = delete;

    // Reference counting: a new list has one owner. Release deletes the list when the last
    // owner lets go, so a list handed around this way must come from `new`.
    TWStringList* AddRef();
    void Release();
    int RefCount() const { return refCount_; }

    virtual int GetCount() const { return count_; }
    int Count() const { return GetCount(); }
    virtual int GetCapacity() const { return capacity_; }
    // Reallocates the slot array to n slots. A capacity below the count would drop lines, so
    // it raises "List capacity out of bounds (%d)" instead and changes nothing.
    virtual void SetCapacity(int n);
    // Line i, or an empty string outside 0..count-1.
    virtual const std::u16string& Get(int i) const;
    virtual void Put(int i, std::u16string s);
    virtual int Add(std::u16string s);
    virtual void Insert(int i, std::u16string s);
    virtual void Delete(int i);
    // Range forms: one change told and one move of the lines after the range, however
    // many lines they take. `lines` go in before line i (0..count); the capacity
    // grows as far as that many single inserts would have grown it.
    void InsertLines(int i, std::vector<std::u16string> lines);
    // Removes lines i .. i + n - 1; `take` gets each text in order, to keep or move away.
    void DeleteLines(int i, int n, const std::function<void(std::u16string&&)>& take = {});
    // The same, handing back the texts.
    std::vector<std::u16string> TakeLines(int i, int n);
    virtual void Exchange(int i, int j);
    virtual void Clear();

    // How line i ends when it is written: lsDocument, the document's separator, unless it
    // was read with another one. Lines inserted by Add, Insert or InsertLines end as the
    // document does; Put and Edit keep the line's separator. Setting a separator sends no
    // change notification (the text is the same).
    TLineSeparator Separator(int i) const;
    void SetSeparator(int i, TLineSeparator s);
    // The lines that end otherwise than the document does.
    int OwnSeparatorCount() const;
    // Every line ends as the document does.
    void ClearSeparators();

    // Tells nothing: every change is told with its lines as it is made.
    virtual void SetUpdateState(bool updating);
    virtual bool Find(std::u16string_view s, int& index) const;
    virtual bool FindLongestPrefix(std::u16string_view text, int& index) const;
    virtual int IndexOf(std::u16string_view s) const;
    virtual void Sort();

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }

    int IndexOfName(std::u16string_view name) const;
    std::u16string GetName(int i) const;
    std::u16string GetValue(std::u16string_view name) const;

    std::u16string ExpandTabs(std::u16string_view s) const;
    static std::u16string ExpandTabsBy(std::u16string_view s, int tabSize);
    int TabSize() const { return tabSize_; }
    void SetTabSize(int n) { tabSize_ = n < 1 ? 1 : n; }

    bool Modified() const { return modified_; }
    void SetModified(bool m) { modified_ = m; }

    TUndo& Undo() { return *undo_; }
    TUndo& Redo() { return *redo_; }
    const TUndo& Undo() const { return *undo_; }
    const TUndo& Redo() const { return *redo_; }

    // One 8-bit line per line: the line in the ANSI page, 0x7F for every code unit whose
    // byte differs from it.
    TAnsiShadow AnsiShadow() const { return TAnsiShadow(*this); }
    static std::string AnsiForm(std::u16string_view line);

    const TStringsAdapter& Adapter() const;

    // The line slots inserting and deleting have moved so far: the lines shifted behind an
    // insertion or a removal, and those a line run carried out of the list and back. Tests
    // read it to tell work in proportion to the lines touched from work per line of the list.
    std::int64_t MovedSlots() const { return movedSlots_; }

    // The one told of every change (see TLineListObserver); null for none. A list belongs
    // to one document: setting a second observer over the first raises EStringListError.
    void SetObserver(TLineListObserver* observer);
    TLineListObserver* Observer() const { return observer_; }

private:
    friend class TLineRun;
    void Grow();
    void Reallocate(int n);
    // The capacity `count` lines need, reached by the growth steps from the current one.
    int GrownCapacity(int count) const;
    // Replaces the slots [i, i + n) by the lines of [first, last), moved, without
    // notifications (the caller sends them).
    template <class It>
    void SpliceItems(int i, int n, It first, It last);
    void InsertItem(int i, std::u16string s);
    void SwapItems(int i, int j) noexcept;
    void QuickSort(int l, int r);
    [[noreturn]] static void IndexError(int i);

public:
    // Changes line i in place and tells it: a long line is not copied. `from` is the first
    // code unit the edit may change, when the caller knows it.
    void Edit(int i, const std::function<void(std::u16string&)>& edit, int from = 0);

private:
    std::vector<std::u16string> items_; // reserve()d to capacity_
    // One separator per line, or empty while every line ends as the document does (a file
    // with one kind of line end costs nothing here).
    std::vector<TLineSeparator> ends_;
    int count_ = 0;
    int capacity_ = 0;
    bool sorted_ = false;
    TDuplicates duplicates_ = TDuplicates::Ignore;
    int refCount_ = 1;
    mutable std::unique_ptr<TStringsAdapter> adapter_;
    std::unique_ptr<TUndo> undo_;
    std::unique_ptr<TUndo> redo_;
    bool modified_ = false;
    int tabSize_ = 8;
    std::int64_t movedSlots_ = 0;
    TLineListObserver* observer_ = nullptr;
};

// A run of single-line edits, each at a position of the list as the edits before it left
// it, gathered in a window over the lines they reach and written back by one splice at
// Commit. Edits that walk through the list, as an undo replay or a replace-all does, cost
// in proportion to the lines they pass, not to the lines after them. The list's observer
// hears of each edit as it is made, so that line numbers follow the edits exactly; inserts
// or removals that together form one range are told as that range. The window's lines are
// carried out of the list: until Commit read the list through the run. The destructor
// commits what is pending.
class TLineRun {
public:
    explicit TLineRun(TWStringList& list) : list_(list) {}
    ~TLineRun() { Commit(); }
    // Holds lines taken out of one list: neither copied nor moved.
    TLineRun(const TLineRun&) = delete;
    TLineRun& operator=(const TLineRun&) = delete;

    // The list as the edits so far leave it.
    int Count() const;
    // Line i, or an empty string outside 0..count-1. Valid until the next edit.
    const std::u16string& Get(int i) const;
    // Inserts before line i (0..count).
    void Insert(int i, std::u16string s, TLineSeparator end = lsDocument);
    // Removes line i and hands back its text (and its separator when asked).
    std::u16string Take(int i, TLineSeparator* end = nullptr);
    TLineSeparator Separator(int i) const;
    void SetSeparator(int i, TLineSeparator end);
    // Gives line i the text s and hands back the one it had.
    std::u16string Exchange(int i, std::u16string s);
    // Writes the window back into the list; the run may go on afterwards.
    void Commit();

private:
    enum class TPending { None, Inserted, Removed };
    // Tells the observer of the range not told yet.
    void Flush();
    // The first edit opens the window's bookkeeping.
    void Open();
    // Widens the window to take in position i (and line i itself when `line`).
    void Reach(int i, bool line);
    // Where current line i is kept: in the window, or in its own slot of the list.
    std::u16string& Slot(int i);
    void Check(int i, int limit) const;

    TWStringList& list_;
    std::deque<std::u16string> window_;     // the current lines from lo_ on
    std::deque<TLineSeparator> windowEnds_; // their separators
    int lo_ = 0;
    int hi_ = 0;          // the list's lines [lo_, hi_) are in the window
    bool open_ = false;   // edits made since the last write-back
    bool placed_ = false; // a window was placed (a line inserted or taken)
    // The range not told yet: lines inserted at at_ .. at_ + n_ - 1, or n_ lines removed
    // from at_ on.
    TPending pending_ = TPending::None;
    int at_ = 0;
    int n_ = 0;
};
