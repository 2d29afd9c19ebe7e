// The editor's edit run: single-line edits written back to the line list at once.
#pragma once

#include <string>

#include "editor/uniMemo.h"
#include "text/uniStringList.h"

// Edits at positions of the list as the edits before them left it (an undo replay, a
// replace-all), gathered by a TLineRun and written back with one change of the list. The
// views hear of each edit as it is made, so their line numbers follow the edits exactly;
// inserts or removals that together form one range are told as that range. Journal records
// stay the caller's business. Read the document through the run until Finish.
class TuniMemo::TEditRun {
public:
    explicit TEditRun(TuniMemo& memo) : memo_(memo), run_(*memo.lines_) {}
    ~TEditRun() { Finish(); }
    // Holds lines taken out of the editor's list.
    TEditRun(const TEditRun&) = delete;
    TEditRun& operator=(const TEditRun&) = delete;

    int Count() const { return run_.Count(); }
    // Valid until the next edit.
    const std::u16string& Get(int i) const { return run_.Get(i); }
    void Insert(int i, std::u16string text, TLineSeparator end = lsDocument);
    // Removes line i; returns its text (and its separator when asked).
    std::u16string Take(int i, TLineSeparator* end = nullptr);
    TLineSeparator Separator(int i) const { return run_.Separator(i); }
    void SetSeparator(int i, TLineSeparator end) { run_.SetSeparator(i, end); }
    // Gives line i `text`; returns the text it had.
    std::u16string Change(int i, std::u16string text);
    // Writes the edits back and tells the views they were one change; the run may go on.
    void Finish();

private:
    enum class TPending { None, Inserted, Removed };
    void Flush();

    TuniMemo& memo_;
    TLineRun run_;
    // The range report not sent yet: lines inserted at at_ .. at_ + n_ - 1, or n_ lines
    // removed from at_ on.
    TPending pending_ = TPending::None;
    int at_ = 0;
    int n_ = 0;
    int reports_ = 0; // sent since the last write-back
};
