// Test doubles for the editor's host: a fixed-pitch 8 x 16 measurer and recording fakes
// of the window, the canvas (its caret), scroll bars, busy cursor, main-thread queue and message
// boxes; and a listener that records what a view tells.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "editor/uniMemo.h"
#include "platform/uniCanvas.h"
#include "platform/uniEditorHost.h"
#include "platform/uniMeasure.h"
#include "support/testSupport.h"

namespace memo_fakes {

// 8 x 16 pixels a cell; the characters in `wide` draw twice as wide, those in `unshowable`
// have no glyph. Markers take the default two cells.
class TFixedMeasurer : public TTextMeasurer {
public:
    std::set<char16_t> wide;
    std::set<char32_t> unshowable;
    mutable std::int64_t measured = 0; // the units asked for
    int UnitExtent(char16_t unit, std::uint8_t) const override {
        ++measured;
        return wide.count(unit) ? 16 : 8;
    }
    int SpaceWidth() const override { return 8; }
    int LineHeight() const override { return 16; }
    bool FixedPitch() const override { return wide.empty(); }
    bool CanShow(char32_t code) const override { return unshowable.count(code) == 0; }
};

// 40 columns of text right of a 10-pixel gutter, 10 rows.
class TFakeWindow : public TEditorWindow {
public:
    int width = 10 + 40 * 8;
    int height = 10 * 16;
    int invalidations = 0;
    int pendingPaints = 0;
    std::vector<std::pair<std::u16string, int>> fonts;
    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
    void Invalidate() override { ++invalidations; }
    void ProcessPendingPaint() override { ++pendingPaints; }
    void SelectFont(std::u16string_view name, int size) override {
        fonts.emplace_back(std::u16string(name), size);
    }
};

// The surface the editor paints on, keeping only where the caret was placed last (the
// drawing itself is checked with a model of the surface in uniPaint_test.cpp).
class TFakeCaret : public TCanvas {
public:
    explicit TFakeCaret(const TFakeWindow& window) : window_(window) {}
    int x = -1;
    int y = -1;
    int width = 0;
    int height = 0;
    bool visible = false;
    int paints = 0;
    int Width() const override { return window_.width; }
    int Height() const override { return window_.height; }
    bool Obscured() const override { return false; }
    void BeginPaint() override { ++paints; }
    void EndPaint() override {}
    void FillRect(const TRect&, TColor) override {}
    void DrawText(int, int, std::u16string_view, TColor, std::uint8_t) override {}
    void DrawMarker(const TRect&, std::u16string_view, TMarkerKind, TColor, TColor) override {}
    void DrawGutterMark(int, int, char16_t, TColor) override {}
    void ScrollBand(const TRect&, TScrollDirection, int) override {}
    void PlaceCaret(int px, int py, int w, int h) override {
        x = px;
        y = py;
        width = w;
        height = h;
        visible = true;
    }
    void HideCaret() override { visible = false; }

private:
    const TFakeWindow& window_;
};

class TFakeScrollBars : public TScrollBarHost {
public:
    bool vertical = false;
    bool horizontal = false;
    TScrollInfo v;
    TScrollInfo h;
    void ShowScrollBars(bool vert, bool horz) override {
        vertical = vert;
        horizontal = horz;
    }
    void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) override {
        (bar == TScrollBarKind::Vertical ? v : h) = info;
    }
};

class TFakeBusyCursor : public TBusyCursor {
public:
    std::vector<bool> calls;
    void SetBusy(bool busy) override { calls.push_back(busy); }
};

class TFakeQueue : public TMainThreadQueue {
public:
    std::vector<std::function<void()>> work;
    void Post(std::function<void()> w) override { work.push_back(std::move(w)); }
    void RunAll() {
        auto pending = std::move(work);
        work.clear();
        for (auto& w : pending) {
            w();
        }
    }
};

class TFakeMessages : public TMessageBoxHost {
public:
    struct TShown {
        std::u16string caption;
        std::u16string text;
        TMessageKind kind;
    };
    std::vector<TShown> shown;
    void ShowMessage(std::u16string_view caption, std::u16string_view text,
                     TMessageKind kind) override {
        shown.push_back({std::u16string(caption), std::u16string(text), kind});
    }
};

// An in-memory clipboard; `openable` false makes it refuse like a clipboard another
// program holds.
class TFakeClipboard : public TClipboardHost {
public:
    TClipboardText content;
    bool openable = true;
    bool SetText(const std::u16string& utf16, const std::string& ansi, bool column) override {
        if (!openable) {
            return false;
        }
        content = {utf16, ansi, column};
        return true;
    }
    std::optional<TClipboardText> GetText() override {
        if (!openable) {
            return std::nullopt;
        }
        return content;
    }
};

// Scripted answers: the replace questions take `answers` in order (Cancel once they run
// out); the code entry box gives `code` (nullopt: cancelled).
class TFakeQuestions : public TQuestionHost {
public:
    std::vector<TReplaceAnswer> answers;
    int asked = 0;
    std::optional<std::u16string> code;
    int codeAsked = 0;
    int codeX = 0;
    int codeY = 0;
    int codeFontSize = 0;
    TReplaceAnswer AskReplace(std::u16string_view, int, int, int) override {
        const size_t i = static_cast<size_t>(asked++);
        return i < answers.size() ? answers[i] : TReplaceAnswer::Cancel;
    }
    std::optional<std::u16string> EnterCode(int x, int y, int fontSize) override {
        ++codeAsked;
        codeX = x;
        codeY = y;
        codeFontSize = fontSize;
        return code;
    }
};

// Every fake at once, and the platform bundle that points at them.
struct TFakeHost {
    TFixedMeasurer measurer;
    TFakeWindow window;
    TFakeCaret caret{window};
    TFakeScrollBars scrollBars;
    TFakeBusyCursor busy;
    TFakeQueue queue;
    TFakeMessages messages;
    TFakeClipboard clipboard;
    TFakeQuestions questions;

    // The repaints the editor made: drawn on the canvas, or asked of the window.
    int Repaints() const { return caret.paints + window.invalidations; }

    // `withQueue` false: loads run at once instead of being posted.
    TMemoPlatform Platform(bool withQueue = true) {
        TMemoPlatform p;
        p.measurer = &measurer;
        p.window = &window;
        p.scrollBars = &scrollBars;
        p.busyCursor = &busy;
        p.queue = withQueue ? &queue : nullptr;
        p.messages = &messages;
        p.clipboard = &clipboard;
        p.questions = &questions;
        p.canvas = &caret;
        return p;
    }
};

// Records what a view tells its listeners while it is registered (for its own lifetime).
class TMemoEvents final : public TMemoListener {
public:
    explicit TMemoEvents(TuniMemo& memo) : memo_(memo) { memo_.AddListener(*this); }
    ~TMemoEvents() { memo_.RemoveListener(*this); }
    TMemoEvents(const TMemoEvents&) = delete;
    TMemoEvents& operator=(const TMemoEvents&) = delete;

    int lineReports = 0;        // lines inserted, deleted or changed
    std::vector<bool> modified; // every setting of the modified state
    std::vector<TCaretReport> carets;
    std::vector<std::string> saved;    // the file names
    std::vector<bool> loaded;          // whether each load succeeded
    std::vector<std::string> requests; // "compile NAME", "filter NAME", "maximize"
    const TuniMemo* requestedBy = nullptr;

    void LinesInserted(TDocument&, const TLineChange&) override { ++lineReports; }
    void LinesDeleted(TDocument&, const TLineChange&) override { ++lineReports; }
    void LinesChanged(TDocument&, const TLineChange&) override { ++lineReports; }
    void ModifiedChanged(TDocument&, const TModifiedChange& c) override {
        modified.push_back(c.modified);
    }
    void CaretMoved(TuniMemo&, const TCaretReport& caret) override { carets.push_back(caret); }
    void Saved(TDocument&, const TFileEvent& e) override { saved.push_back(e.fileName); }
    void Loaded(TDocument&, const TFileEvent& e) override { loaded.push_back(e.ok); }
    void CompileRequested(TuniMemo& view, const std::string& name) override {
        Request(view, "compile " + name);
    }
    void FilterRequested(TuniMemo& view, const std::string& name) override {
        Request(view, "filter " + name);
    }
    void MaximizeToggleRequested(TuniMemo& view) override { Request(view, "maximize"); }

private:
    void Request(const TuniMemo& view, std::string what) {
        requestedBy = &view;
        requests.push_back(std::move(what));
    }
    TuniMemo& memo_;
};

// The document as UTF-8, lines joined by "\n" (readable in failure messages).
inline std::string Text(const TuniMemo& memo) {
    std::string out;
    for (int i = 0; i < memo.Lines().Count(); ++i) {
        if (i > 0) {
            out += '\n';
        }
        out += testing_support::U8(memo.Lines().Get(i));
    }
    return out;
}

// Replaces the document without undo records (test setup); "\n" separates lines.
inline void SetText(TuniMemo& memo, std::string_view utf8) {
    TWStringList& list = memo.Lines();
    list.Clear();
    size_t start = 0;
    for (;;) {
        const size_t end = utf8.find('\n', start);
        list.Add(testing_support::U16(utf8.substr(start, end - start)));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
}

// One typed string, each unit as its own keystroke (the input layer's bookkeeping first).
inline void Type(TuniMemo& memo, std::string_view utf8) {
    for (char16_t unit : testing_support::U16(utf8)) {
        memo.BeginCommand();
        memo.TypeChar(unit);
        memo.UpdateView();
    }
}

} // namespace memo_fakes
