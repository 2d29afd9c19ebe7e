// The editor control's document model: the shared line list, caret, selections, view,
// bookmarks, the undo-recording text primitives, undo/redo replay, load and save.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "document/uniDocument.h"
#include "editor/uniAbstractMemo.h"
#include "editor/uniPaint.h"
#include "editor/uniScrMap.h"
#include "highlight/uniColorer.h"
#include "lang/uniLang.h"
#include "platform/uniCanvas.h"
#include "platform/uniEditorHost.h"
#include "platform/uniMeasure.h"
#include "profile/uniProfile.h"
#include "search/uniSearch.h"
#include "text/uniCodec.h"
#include "text/uniStringList.h"

// The host services an editor borrows; only the measurer is required. A missing window
// counts as an 80 x 25 cell client area.
struct TMemoPlatform {
    const TTextMeasurer* measurer = nullptr;
    TEditorWindow* window = nullptr;
    TScrollBarHost* scrollBars = nullptr;
    TBusyCursor* busyCursor = nullptr;
    TMainThreadQueue* queue = nullptr;
    TMessageBoxHost* messages = nullptr;
    TClipboardHost* clipboard = nullptr;
    TQuestionHost* questions = nullptr;
    // The surface the editor paints on, caret included; without one nothing is drawn.
    TCanvas* canvas = nullptr;
};

// Where profiles and tables are read from. Borrowed; a null folder leaves the profile alone.
struct TMemoEnvironment {
    const TConfigFolder* folder = nullptr;
    const TCommonSettings* common = nullptr;
    const TCharsetLists* charsetLists = nullptr;
    // The interface texts of the messages; null: the built-in English ones.
    const TUniLangTexts* texts = nullptr;
    // Finds a file's charset when its profile asks for detection; null: the profile's stands.
    TCharsetDetection* detection = nullptr;
};

// The editor's search settings (the search dialog's three boxes).
struct TMemoSearchOptions {
    bool ignoreCase = true;
    bool wholeWord = false;
    bool regExpr = false;
};

// The settings a file-type profile gives an editor.
struct TMemoSettings {
    int tabSize = 4;
    int highlightMode = 0; // bit 0: highlights only while Ctrl is held; bit 1: while Shift
    int backLines = 0;
    std::u16string delimiters{kDefaultDelimiters};
    std::u16string upperCase;
    std::u16string lowerCase;
    std::u16string kbd1;
    std::u16string kbd2;
    std::vector<std::string> substTables;
    std::vector<std::string> keyTables;
    bool autoIndent = false;
    bool useColorer = false;
    std::u16string fontName = u"Courier New";
    int fontSize = 10;
    TColor textColor = 0x000000;
    TColor backgroundColor = 0xFFFFFF;
    TColor highlightColor = 0xC0C0C0;
    int gutterWidth = 10;
    std::string spellLanguage;
    std::vector<TSpellIgnorePair> spellIgnore;
    TIndentRules indent;
};

// One end of a selection: its text position and, for column blocks, its visual position
// (visual column = screen column + horizontal scroll; visual line).
struct TSelPoint {
    TPoint pos;
    TPoint visual;
};

enum class TSelectionMode { Stream, Column };

// The selection ordered for the operations on it. Stream: first selected position and the
// position after the last. Column: (left visual column, top line) and (right visual column
// excluded, bottom line included).
struct TNormalSelection {
    TSelectionMode mode = TSelectionMode::Stream;
    TPoint start;
    TPoint end;
};

enum class TViewOf { This, Other };
enum class TPageDirection { Up, Down };
enum class TUpdate { Now, Later };
enum class TMerge { No, Yes };

// The outcome of paging: PageDown past the last row leaves the caret to the caller
// (the PageDown command then goes to the end of the text).
enum class TPageResult { Moved, ReachedEnd };

// Where the caret stands, as a view reports it: its visual column, the code unit under it
// (0 past the line's end, or when `refresh`) and its line. `refresh` asks for the report to
// be shown at once (a load has ended).
struct TCaretReport {
    int column = 0;
    bool refresh = false;
    char16_t unit = 0;
    int line = 0;
};

// Follows one view: the events of the document it shows (as a TDocumentWatcher, whichever
// document that is) and the view's own, past tense. Every call does nothing by default.
class TMemoListener : public TDocumentWatcher {
public:
    // After an update cycle that painted, on each idle step, and at the end of a load.
    virtual void CaretMoved(TuniMemo& /*view*/, const TCaretReport& /*caret*/) {}
    // The commands RunCompiler and RunFilter: the owner runs the tool of that profile.
    virtual void CompileRequested(TuniMemo& /*view*/, const std::string& /*name*/) {}
    virtual void FilterRequested(TuniMemo& /*view*/, const std::string& /*name*/) {}
    // ToggleMaximize: the window is to be maximized when normal, else restored.
    virtual void MaximizeToggleRequested(TuniMemo& /*view*/) {}
    // A file-type profile was applied to the view (before a load, after its first line, or
    // on request): what depends on the profile, such as the view's action maps, follows.
    virtual void ProfileApplied(TuniMemo& /*view*/, const TDocumentConfig& /*config*/) {}

protected:
    ~TMemoListener() = default;
};

// A view with commands over a document: several views of one document each keep their own
// caret, selection and scroll position, and hear every change of the document as its
// watcher.
class TuniMemo : public TuniAbstractMemo, private TCodecObserver, private TDocumentWatcher {
public:
    TuniMemo(TMemoPlatform platform, TMemoEnvironment environment = {});
    ~TuniMemo() override;

    // --- the document --------------------------------------------------------------------
    TDocument& Document() { return *document_; }
    const TDocument& Document() const { return *document_; }
    TWStringList& Lines() { return *lines_; }
    const TWStringList& Lines() const { return *lines_; }
    // Shows the document of another editor's list (a cloned window) under `fileName`:
    // lets go of the current document, holds the new one, resets caret and view, drops the
    // selection, then updates and repaints.
    void SetLines(TWStringList* list, const std::string& fileName);
    // The document's save count: shared by its views, so a save point made in one view is
    // recognised in all of them.
    int SaveCounter() const { return document_->SaveCounter(); }
    // The document's encoding settings.
    TTextCodec& Codec() { return document_->Codec(); }
    const TTextCodec& Codec() const { return document_->Codec(); }

    // --- caret ---------------------------------------------------------------------------
    TPoint Caret() const { return caret_; }
    // Places the caret as a command does: no clamping, no update cycle.
    void SetCaret(TPoint caret) { caret_ = caret; }
    TPoint CaretBefore() const { return caretBefore_; }
    int TabOffset() const { return tabOffset_; }
    void SetTabOffset(int offset) { tabOffset_ = offset < 0 ? 0 : offset; }
    bool Overwrite() const { return overwrite_; }
    void SetOverwrite(bool on) { overwrite_ = on; }
    // What the input layer does before every key, character and scroll request: the caret
    // and view become the "before" values; a selection whose ends meet is dropped, and
    // without one both ends follow the caret.
    void BeginCommand();

    // --- selection -----------------------------------------------------------------------
    bool SelectionActive() const { return selActive_; }
    // An active selection whose ends differ: something is selected.
    bool HasSelectedText() const { return selActive_ && selStart_.pos != selEnd_.pos; }
    TSelectionMode SelectionMode() const { return selMode_; }
    const TSelPoint& SelStart() const { return selStart_; }
    const TSelPoint& SelEnd() const { return selEnd_; }
    // Sets an end at a text position; its visual position is taken from the text.
    void SetSelStart(TPoint pos);
    void SetSelEnd(TPoint pos);
    // With the visual position given (the caret's screen column inside a TAB, say).
    void SetSelStart(TPoint pos, TPoint visual) { selStart_ = {pos, visual}; }
    void SetSelEnd(TPoint pos, TPoint visual) { selEnd_ = {pos, visual}; }
    void SetSelectionActive(bool on) { selActive_ = on; }
    // Selects from `start` to `end` in the given mode and makes the selection active.
    void Select(TPoint start, TPoint end, TSelectionMode mode = TSelectionMode::Stream);
    void SetSelectionMode(TSelectionMode mode) { selMode_ = mode; }
    void DropSelection();
    // Selection off with both ends at the caret, as after a move without Shift.
    void CollapseSelection() override {
        DropSelection();
        SetSelStart(caret_);
        SetSelEnd(caret_);
    }
    TNormalSelection NormalSelection() const;
    // The visual column of a text position: tabs expanded as the layout does, virtual
    // space past the end counted one column each.
    int VisualColumn(TPoint pos) const;
    // The selected text, lines joined without separators; stops after the line that
    // brings it to 256 or more code units.
    std::u16string SelectedText() const;

    // --- view ----------------------------------------------------------------------------
    int TopLine() const { return topLine_; }
    int FirstRow() const { return firstRow_; }
    int HorzScroll() const { return horzScroll_; }
    void SetTopLine(int line, int firstRow = 0);
    void SetHorzScroll(int columns) { horzScroll_ = columns < 0 ? 0 : columns; }
    bool FullRepaintPending() const { return fullRepaint_; }
    bool RepaintPending() const { return repaint_; }
    void Repaint() { repaint_ = true; }
    bool CaretMoved() const override { return caretMoved_; }
    void SetCaretMoved(bool moved) override { caretMoved_ = moved; }
    bool WordWrap() const { return wordWrap_; }
    virtual void SetWordWrap(bool on);
    bool CursorBeyondEOL() const { return cursorBeyondEOL_; }
    void SetCursorBeyondEOL(bool on) { cursorBeyondEOL_ = on; }
    // Whether the caret may stand in virtual space now.
    bool VirtualSpace() const { return cursorBeyondEOL_ && !wordWrap_; }
    // How far past a line's end a position may stand. The screen map turns a visual column
    // into pixels (column times the cell width), so this many columns of virtual space
    // keep that product inside an int for cells up to 2,000 pixels wide, with room for
    // the columns of the text itself; a caret a million columns out is already far past
    // anything a user scrolls to.
    static constexpr int kMaxVirtualColumn = 1'000'000;
    // `column` limited to what a position on `line` may hold: from 0 up to the line's
    // length, plus kMaxVirtualColumn when `beyondEnd` lets it stand in virtual space.
    int LimitColumn(int column, int line, bool beyondEnd) const;
    bool HighlightLine() const { return highlightLine_; }
    void SetHighlightLine(bool on) { highlightLine_ = on; }
    bool HighlightColumn() const { return highlightColumn_; }
    void SetHighlightColumn(bool on) { highlightColumn_ = on; }
    // The highlights in effect: the properties, shown only while the modifier keys that
    // HighlightMode names are held; the line highlight never with word wrap, the column
    // highlight neither with word wrap nor with a proportional font.
    bool EffectiveHighlightLine() const;
    bool EffectiveHighlightColumn() const;
    // The modifier keys as the idle step finds them; requests a repaint and returns true
    // when the effective highlights change.
    bool ApplyModifierKeys(bool ctrl, bool shift);
    void SetScrollBarsEnabled(bool on) { scrollBarsEnabled_ = on; }
    int CharWidth() const { return metrics_.charWidth; }
    int LineHeight() const { return metrics_.lineHeight; }
    bool Proportional() const { return proportional_; }
    int GutterWidth() const { return settings_.gutterWidth; }
    int VisibleRows() const;
    int VisibleColumns() const;
    // Where the units of long lines fall, as the layout measures them.
    const TLineGeometry& Geometry() const { return geometry_; }
    // The scale of the vertical scroll bar: thumb position p shows line p * scale on top.
    int ScrollScale() const { return scrollScale_; }
    // Re-reads the font metrics (after a font change).
    void MeasureFont();

    const TScrMap& ScreenMap() const { return map_; }
    // What was painted last; the painter keeps it in step.
    const TScrMap& PreviousMap() const { return previousMap_; }
    // --- painting (uniPaint.cpp) ---
    // Draws the whole client area on the platform's canvas (the window was exposed or
    // resized); the update cycle draws only what changed.
    void PaintWhole();
    // The painter's write access: the comparison stores repaint states in the current map,
    // and the previous map follows every scroll of the surface.
    TScrMap& MapForPainting() { return map_; }
    TScrMap& PreviousMapForPainting() { return previousMap_; }
    // The process-wide settings (gutter colours, ...); null when the editor has none.
    const TCommonSettings* CommonSettings() const { return environment_.common; }
    // Lays out the lines from the top line into the current map, whatever the flags say.
    void RebuildMap();
    // Lays out again only when the text, the view or the window changed since the last time.
    void EnsureMap() { EnsureLayout(); }

    // --- bookmarks -----------------------------------------------------------------------
    static constexpr int kBookmarkCount = 10;
    // (-1, -1) when unset.
    TPoint Bookmark(int n) const;
    void SetBookmarkAt(int n, TPoint pos);
    void ClearBookmark(int n) { SetBookmarkAt(n, {-1, -1}); }

    // --- settings ------------------------------------------------------------------------
    const TMemoSettings& Settings() const { return settings_; }
    // The document's spell language (the spell language menu sets it).
    void SetSpellLanguage(std::string name) { settings_.spellLanguage = std::move(name); }
    void SetTabSize(int n);
    const TWStringList& Substitutions() const { return *substitutions_; }
    // Reads the file type's profile (section "*" overlaid by the type's section of
    // files.ini), its substitutions and indentation rules. `colorerType` is the
    // highlighter's type name when it picked one. Ends by telling the listeners.
    void ApplyProfile(const std::string& type, const std::string& colorerType = {});
    // The type the profile is read for: the file name's extension in lower case, or for a
    // document without a name the extension of the template it was made from.
    std::string ProfileType() const;
    // The extension, with its dot, of the template an unnamed document was made from
    // (".c"); empty for other documents.
    const std::string& TemplateExt() const { return templateExt_; }
    void SetTemplateExt(std::string ext) { templateExt_ = std::move(ext); }

    // --- syntax highlighting -------------------------------------------------------------
    // Creates or frees the document's highlighter (only while the library is loaded).
    void SetColorerEnabled(bool on);
    TColorerClass* Colorer() { return colorer_.get(); }
    const TColorerClass* Colorer() const { return colorer_.get(); }
    // Makes the highlighter's type with this title the document's, colours the text with
    // it and applies its profile. False when it is unknown or already the type.
    bool PickColorerType(const std::string& title);
    // The name the files kept per type (structure templates) go by: the highlighter's
    // short name when it chose a type, else the file name's extension in lower case.
    std::string FileTypeName() const;

    // --- text primitives -----------------------------------------------------------------
    void SetLineText(int index, std::u16string text, TMerge mergeable);
    void InsertLineAt(int index, std::u16string text);
    void RemoveLineAt(int index);
    // Range forms: the lines go in at `index` on, or n lines leave from `index` on, with one
    // change of the list, recorded as that many InsertLineAt(index + k) or RemoveLineAt(index)
    // calls would record them.
    void InsertLinesAt(int index, std::vector<std::u16string> texts);
    void RemoveLinesAt(int index, int n);
    // Gives line `index` the separator `end` (lsDocument: the document's), recorded.
    void SetLineSeparator(int index, TLineSeparator end);
    // A line split in two: the line's own separator goes with its end, to line `to`, and the
    // new break at `from` is the document's.
    void CarrySeparator(int from, int to);
    // Every line ends with `separator` from now on: it becomes the document's, and the lines
    // that ended otherwise end with it too. One undo step; nothing when nothing changes.
    void SetDocumentSeparator(TLineSeparator separator);
    void DeleteSelection(TUpdate update);
    void TypeChar(char16_t unit);
    void SetModified(bool modified);
    bool Modified() const;
    // The user declined saving at close: Modified answers false from now on.
    void DeclineSave() { saveDeclined_ = true; }

    // Inserts lines at the caret as a paste does: in block mode line i goes into line
    // caret line + i at the caret's visual column (the caret stays); otherwise one line is
    // inserted at the caret and several split the caret line, the tail following the last
    // one (the caret goes after the inserted text). Recorded inside the caller's group.
    void InsertLinesAtCaret(const std::vector<std::u16string>& lines, TSelectionMode mode);
    // The selection as 8-bit lines through the tables of `charset` and `surrogate`; a
    // trailing empty line is dropped. Returns whether it was a column block.
    bool ExportSelection(std::vector<std::string>& out, const std::string& charset,
                         const std::string& surrogate) const;
    // Replaces the selection with 8-bit lines decoded through those tables.
    void ImportSelection(const std::vector<std::string>& lines, TSelectionMode mode,
                         const std::string& surrogate, const std::string& charset);

    // --- undo and redo -------------------------------------------------------------------
    bool CanUndo() const;
    bool CanRedo() const;

    // --- commands ------------------------------------------------------------------------
    // Every command of the list in editor/uniCommands.h (undo and redo, the undo group
    // brackets and inserting text among them).
    PELMAR_DECLARE_EDITOR_COMMANDS_OVERRIDE
    // While a macro runs (calls nest), the text its items insert is recorded as typing is.
    void BeginMacroTyping() override { ++macroTyping_; }
    void EndMacroTyping() override { --macroTyping_; }
    // Pastes text as PasteClipboard does with the clipboard's (CR LF, CR and LF end lines;
    // a column block goes in as one when the view allows it). The X11 primary selection
    // comes in this way.
    void PasteText(const std::u16string& text, TSelectionMode block);
    // The selected text as the clipboard receives it: lines joined by LF, a column block's
    // lines padded to its width; empty without a selection.
    std::u16string SelectionAsText() const;

    // Whether the key that runs a command counts as handled; a command clears it to let
    // the key go on to the platform (Enter in a box that does not take it, TAB likewise).
    bool KeyHandled() const { return keyHandled_; }
    void SetKeyHandled(bool handled) { keyHandled_ = handled; }
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool on) { wantReturns_ = on; }
    bool WantTabs() const { return wantTabs_; }
    // A single-line box in a dialog: TAB, Enter and Escape belong to the dialog.
    bool DialogMode() const { return singleLine_; }
    void SetWantTabs(bool on) { wantTabs_ = on; }

    // --- search --------------------------------------------------------------------------
    TMemoSearchOptions& SearchOptions() { return searchOptions_; }
    // The expression engine's step budget for each line it examines (0: unlimited); a
    // runaway expression ends with the engine's error once it is spent.
    void SetSearchStepLimit(std::uint64_t steps) { search_->Regex().SetStepLimit(steps); }
    // The expression engine's work so far (see TRegExpr::Work): tests count a search's with
    // it.
    std::int64_t ExpressionWork() const { return search_->Regex().Work(); }
    const TMemoSearchOptions& SearchOptions() const { return searchOptions_; }
    // From the caret: the match is selected and the caret goes to its start. No wrap-around.
    bool FindForward(std::u16string_view pattern, bool showResult, bool addToHistory);
    bool FindBackward(std::u16string_view pattern, bool showResult, bool addToHistory);
    // Interactive replace with the Yes/No/Cancel/All question; All is one undo step.
    void Replace(std::u16string_view pattern, std::u16string_view replacement, bool backward);
    // The word at the caret as WordSearch takes it: delimiters and blanks stripped.
    std::u16string WordAtCaret() const;
    // Where the match at `at` stands among the document's matches of `pattern` (with the
    // editor's search options), counted from the top. The work is bounded: counting stops
    // after `limit` matches or once `unitBudget` code units were examined, and then
    // `complete` is false and `total` is what was counted so far.
    struct TMatchCount {
        int index = 0; // 1-based position of the match starting at `at`; 0: not reached
        int total = 0;
        bool complete = true;
        std::int64_t unitsExamined = 0; // the work done, in code units of the subjects
    };
    TMatchCount CountMatches(std::u16string_view pattern, TPoint at, int limit,
                             std::int64_t unitBudget);
    // Takes over another editor's typing substitutions (a dialog's box gets the document's).
    void CopySubstitutions(const TuniMemo& from);

    // --- positions and the view ----------------------------------------------------------
    void GotoPosition(int column, int line);
    // Places the caret at a pixel point relative to the first visible row and the text
    // origin (horizontal scroll not applied); scrolls when the point is outside.
    void MoveCaretToPixel(TPoint point, bool keepBeyondEOL);
    // The caret's pixel point in the same coordinates (tab offset included).
    TPoint CaretPixel();
    // The caret's rectangle in client pixels (gutter included); none when it is off the view.
    std::optional<TRect> CaretRect();
    TPageResult Page(TPageDirection direction);
    void KeepCaretVisible();
    void UpdateView();
    // The row move the last update cycle found: +1 the view moved one row down, -1 up, 0
    // neither (the painter scrolls the window's pixels for such a move).
    int LastRowMove() const { return lastRowMove_; }
    void RefreshView(TViewOf view);
    // Idle processing with the modifier keys as they are now: highlights that follow the
    // keys, a repaint the owner asked for, then the caret notification (refresh off).
    void IdleStep(bool ctrl, bool shift);
    // A repaint the next idle step performs.
    void RequestRepaint() { forcedRepaint_ = true; }

    // --- files ---------------------------------------------------------------------------
    const std::string& FileName() const { return document_->FileName(); }
    void SetFileName(TViewOf view, const std::string& name);
    // Sets the file name and posts the load to the main thread; until it has run,
    // GotoPosition requests are kept (the last one wins).
    void OpenFile(const std::string& fileName);
    bool LoadPending() const { return loadPending_; }
    bool Loading() const { return loading_; }
    // Loads the document's file now (the posted request ends here).
    bool LoadFile();
    // Saves to `fileName` (empty: the document's own name), which becomes the name. A
    // failure is shown in a message box, except a read-only target (LastSave().readOnly),
    // which the caller asks about and saves again with `overwriteReadOnly`.
    bool SaveToFile(const std::string& fileName = {}, TSaveOptions options = {});
    const TCodecResult& LastSave() const { return lastSave_; }

    // --- listeners -----------------------------------------------------------------------
    // A listener hears the view's events and those of the document it shows, whichever
    // that is; it may come and go while it is being told.
    void AddListener(TMemoListener& listener) { listeners_.Add(listener); }
    void RemoveListener(TMemoListener& listener) { listeners_.Remove(listener); }

protected:
    // A single-line box: no wrap, no scroll bars, no gutter.
    struct TSingleLine {};
    TuniMemo(TMemoPlatform platform, TMemoEnvironment environment, TSingleLine);
    bool singleLine_ = false;

private:
    // Holds the document (one of its references) and watches it.
    void AttachDocument(TDocument::TPtr document);
    void DetachDocument();
    void ResetPositions();
    // What the view hears of its document (TDocumentWatcher): the flags, the line
    // geometry, the bookmarks and the painter follow each change of lines; the listeners
    // hear all of it after the view.
    void TextChanged();
    void LinesInserted(TDocument& document, const TLineChange& change) override;
    void LinesDeleted(TDocument& document, const TLineChange& change) override;
    void LinesChanged(TDocument& document, const TLineChange& change) override;
    void LoadProgressed(TDocument& document, const TLoadProgress& progress) override;
    void Loaded(TDocument& document, const TFileEvent& event) override;
    void Saved(TDocument& document, const TFileEvent& event) override;
    void EncodingChanged(TDocument& document, std::uint64_t revision) override;
    void ModifiedChanged(TDocument& document, const TModifiedChange& change) override;
    // The undo record of a change to line `index` (no copy of the text when it merges).
    void RecordLineChange(int index, bool mergeable);
    void InsertTypedText(std::u16string_view text);
    void ShiftBookmarksInserted(int index, int n);
    void ShiftBookmarksRemoved(int index, int n);
    void ClearRedo();
    // A group that recorded nothing is taken back: an empty group would make the next
    // undo step take the step before it along.
    int OpenGroup();
    void CloseGroup(int mark);

    int ClientWidth() const;
    int ClientHeight() const;
    TLayoutParams LayoutParams() const;
    // Asks the highlighter to choose the document's type from its name and first line;
    // its short name, or empty (highlighting off) when it found none.
    std::string ChooseColorerType();
    // The highlighter's window follows the view before a layout.
    void UpdateColorerWindow();
    // The background parse, its result and the bracket at the caret (the idle step).
    void ColorerIdleStep();
    // The layout's view of the highlighter: the colours of the row being laid out.
    class TColorerCells final : public TLayoutHighlighter {
    public:
        explicit TColorerCells(TuniMemo& memo) : memo_(memo) {}
        bool Active() const override;
        void CellColours(int line, int column, TColor& fg, TColor& bg,
                         std::uint8_t& style) const override;
        // A new layout: the rows are asked for again.
        void Reset() const { row_ = -1; }

    private:
        TuniMemo& memo_;
        mutable int row_ = -1; // the document line whose attributes are at hand
    };
    void EnsureLayout();
    void Paint();
    void PlaceCaret();
    void SetScrollBars();
    int RowsOfTopLine() const;
    void NormaliseFirstRow();
    void AdvanceOneRow();
    int CaretScreenRow();
    void ReplayStep(bool undo);
    void ReplaySavePoint(const TUndoEntry& e, bool undo);
    TConvTable TableFor(const std::string& charset, const std::string& surrogate) const;
    // The code units of a line cut at visual columns: [left, right) removed, tabs crossing
    // a boundary split into spaces.
    std::u16string CutVisual(const std::u16string& text, int left, int right) const;
    std::u16string InsertAtVisual(const std::u16string& text, int column,
                                  const std::u16string& piece) const;
    void RaiseCaret(bool refresh);
    // What loads and saves report (TCodecObserver).
    void ProfileDue() override;
    std::optional<std::string> DetectCharset(const std::string& fileName) override;
    void LinesLoaded(const TLoadProgress& progress) override;
    void LinesSaved(int count, int index) override;

    // --- command internals (uniMemo_commands.cpp) ---
    // 0 space or TAB (also past the line's end), 1 word delimiter, 2 anything else.
    int CharClass(const std::u16string& line, int x) const;
    int WordLeftOf(const std::u16string& line, int x) const;
    int RunEnd(const std::u16string& line, int x) const;
    int RunStart(const std::u16string& line, int x) const;
    std::pair<int, int> CommandLines() const;
    // The leading whitespace of the nearest line above `line` with other characters whose
    // indentation is shorter than `width` code units; empty when there is none.
    std::u16string OuterIndent(int line, int width) const;
    bool IndentMatches(const std::u16string& pattern, const std::u16string& line) const;
    std::u16string SmartIndent(int line);
    void SplitCaretLine(bool smart);
    void ConvertSelection(const std::u16string& from, const std::u16string& to);
    std::vector<std::u16string> SelectionLines(bool padColumns) const;
    std::u16string SelectedPart(const TNormalSelection& n, int y, bool padColumns) const;
    void BuildSubstitutionKeys(const TSubstitutions& substitutions);
    void Substitute();
    void MoveCaretCommand(TPoint caret);
    void PlaceCaretAfterEdit(TPoint caret);
    // Typed-text substitution: the keys reversed, sorted, and their replacements.
    std::unique_ptr<TWStringList> substKeys_ = std::make_unique<TWStringList>();
    std::unordered_map<std::u16string, std::u16string> substValues_; // by reversed key
    int substMaxKey_ = 0;
    // --- end of command internals ---

    // --- search internals (uniMemo_search.cpp) ---
    bool Find(std::u16string_view pattern, bool showResult, bool addToHistory, bool backward);
    // A match in document positions; `end` is the position after its last unit, each line
    // end inside it counting one unit.
    struct TFoundText {
        TPoint start;
        TPoint end;
    };
    // The case folding and inversion tables built from the profile's case strings.
    struct TSearchCase;
    std::shared_ptr<const TSearchCase> searchCase_;
    // Where the last find left its match: a search from there goes past it.
    std::optional<TFoundText> lastFound_;
    const TSearchCase& SearchCase();
    void PrepareSearch(std::u16string_view pattern);
    bool SkipAtCaret() const;
    // Reading the document through `run` when given (a replace-all that is writing it).
    std::optional<TFoundText> SearchFrom(TPoint origin, bool backward, bool skipAtOrigin,
                                         const TLineRun* run = nullptr);
    TFoundText FoundAt(int line, int pos, int len, const TLineRun* run = nullptr) const;
    void ShowFound(const TFoundText& found);
    void ShowNotFound();
    TPoint ReplaceFound(const TFoundText& found, std::u16string_view replacement);
    TPoint ReplaceAllInLines(const TFoundText& first, TPoint origin, bool skip, bool backward,
                             std::u16string_view replacement, bool& changed);
    TPoint ReplaceAllAcrossLines(TFoundText found, bool backward, std::u16string_view replacement,
                                 bool& changed);
    struct TReplaceChain;
    TPoint ReplaceChainForward(TFoundText found, std::u16string_view replacement, bool& changed);
    TPoint ReplaceChainBackward(TFoundText found, std::u16string_view replacement, bool& changed);
    TPoint CommitChain(TLineRun& run, TReplaceChain& chain);
    // `text` is the replacement as the engine substituted it for the match.
    TPoint ReplaceFoundIn(TLineRun& run, const TFoundText& found, std::u16string_view text);
    // SetLineSeparator and CarrySeparator for lines read through an edit run.
    void SetRunSeparator(TLineRun& run, int index, TLineSeparator end);
    // The document's separator, in the codec of every view of it.
    void ShareDocumentSeparator(TLineSeparator separator);
    void CarryRunSeparator(TLineRun& run, int from, int to);
    // --- end of search internals ---

    TMemoPlatform platform_;
    TMemoEnvironment environment_;
    TDocument::TPtr document_;
    TWStringList* lines_ = nullptr; // the document's, read by every command
    TWatcherList<TMemoListener> listeners_;
    std::unique_ptr<TWStringList> substitutions_;
    TCodecResult lastSave_;
    TMemoSettings settings_;

    TPoint caret_;
    TPoint caretBefore_;
    int tabOffset_ = 0;
    bool overwrite_ = false;
    bool selActive_ = false;
    TSelectionMode selMode_ = TSelectionMode::Stream;
    TSelPoint selStart_;
    TSelPoint selEnd_;

    int topLine_ = 0;
    int firstRow_ = 0;
    int horzScroll_ = 0;
    int prevTopLine_ = 0;
    int prevFirstRow_ = 0;
    int prevHorzScroll_ = 0;
    bool fullRepaint_ = true;
    bool repaint_ = true;
    bool caretMoved_ = false;
    int lastRowMove_ = 0;
    int layoutTopLine_ = -1;
    int layoutWidth_ = -1;
    int layoutRows_ = -1;
    bool layoutDirty_ = true;
    bool mapFresh_ = false; // laid out during the running update cycle
    TScrMap map_;
    TScrMap previousMap_;
    // Positions and row breaks of whole lines; the layout's cache for long lines.
    mutable TLineGeometry geometry_;
    std::unique_ptr<TColorerClass> colorer_;
    TColorerCells colorerCells_{*this};
    bool colorerForced_ = false; // the user chose the highlighter's type
    std::string templateExt_;    // of the template an unnamed document came from
    bool caretOnPair_ = false;   // the answer of IsOnPair at the last idle step
    TMemoPainter painter_;
    TScrMetrics metrics_;
    bool proportional_ = false;
    bool wordWrap_ = false;
    bool cursorBeyondEOL_ = true;
    bool highlightLine_ = false;
    bool highlightColumn_ = false;
    bool scrollBarsEnabled_ = true;
    bool forcedRepaint_ = false;
    bool ctrlDown_ = false;
    bool shiftDown_ = false;
    int scrollScale_ = 1;

    bool keyHandled_ = false;
    bool wantReturns_ = true;
    bool wantTabs_ = true;
    TMemoSearchOptions searchOptions_;
    std::unique_ptr<TuniSearch> search_;

    std::array<TPoint, kBookmarkCount> bookmarks_;
    bool replaying_ = false;
    int macroTyping_ = 0;
    bool saveDeclined_ = false;
    bool loadPending_ = false;
    bool loading_ = false;
    bool destroying_ = false;
    std::optional<TPoint> pendingGoto_;
    // Tells posted work whether the editor still exists.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The single-line variant used in dialogs: its text stays one line, so the commands that
// make or move between lines do nothing (the key goes on to the dialog), as do the wrap
// and maximize toggles.
class TuniEdit : public TuniMemo {
public:
    explicit TuniEdit(TMemoPlatform platform, TMemoEnvironment environment = {});
    // Word wrap stays off.
    void SetWordWrap(bool) override {}
    void NewLine() override { SetKeyHandled(false); }
    void NewLineIndent() override { SetKeyHandled(false); }
    void CaretUp() override { SetKeyHandled(false); }
    void CaretDown() override { SetKeyHandled(false); }
    void PageUp() override { SetKeyHandled(false); }
    void PageDown() override { SetKeyHandled(false); }
    void ScrollUp() override { SetKeyHandled(false); }
    void ScrollDown() override { SetKeyHandled(false); }
    void ToggleWrap() override {}
    void ToggleMaximize() override {}
};
