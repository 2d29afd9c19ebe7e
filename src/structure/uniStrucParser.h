// Structure templates: the template files, the parser they make, and the parser cache.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "search/RegExpr.h"
#include "structure/uniStrucTree.h"

// Asked before each line of a parse with the caller's data; true stops the parse.
using TStrucAbortFunc = bool (*)(void* data);

// The document's lines as a parse reads them: 8-bit text with tabs expanded and characters
// from U+0080 up written as "&#DDDD;" references (what TStringsAdapter delivers).
class TStrucLines {
public:
    virtual ~TStrucLines() = default;
    virtual int GetCount() const = 0;
    virtual std::string Get(int i) const = 0;
};

// Any list with GetCount() and Get(int) returning 8-bit text, TStringsAdapter among them.
template <class TList>
class TStrucLinesOf final : public TStrucLines {
public:
    explicit TStrucLinesOf(const TList& list) : list_(list) {}
    int GetCount() const override { return list_.GetCount(); }
    std::string Get(int i) const override { return list_.Get(i); }

private:
    const TList& list_;
};

// Lines held in a vector.
class TStrucStringLines final : public TStrucLines {
public:
    explicit TStrucStringLines(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    int GetCount() const override { return static_cast<int>(lines_.size()); }
    std::string Get(int i) const override { return lines_.at(static_cast<size_t>(i)); }

private:
    std::vector<std::string> lines_;
};

// The result of expanding a name template after a match.
struct TStrucName {
    std::string name;   // 8-bit, with references
    int column = -1;    // 0-based column of the first referenced group, or -1
    int endColumn = -1; // 0-based column of the last character of the last one, or -1
};

// Expands `nameTemplate` with the last match of `engine`: "$" and a digit n is replaced by
// group n (only one digit is read: "$12" is group 1 and "2"); a "$" before another
// character copies that character and still waits for a digit, so "$$1" is "$" and group 1.
// A group above the match's highest group gives empty text and no column; a group that
// took no part in the match (below the highest) gives empty text and no column either.
TStrucName ExpandNameTemplate(std::string_view nameTemplate, const TRegExpr& engine);

// One expression of a kind and how to name its matches.
class TStrucTemplate {
public:
    TStrucTemplate();
    TStrucTemplate(const TStrucTemplate&) = delete;
    TStrucTemplate& operator=(const TStrucTemplate&) = delete;

    // Stores the 8-bit expression and hands its decoded wide text to the engine. The engine
    // compiles it when first executed, so a bad expression raises ERegExpr only then.
    void SetExpression(std::string_view text);
    const std::string& Expression() const { return expression_; }
    const std::u16string& WideExpression() const { return wide_; }

    // The matches on one 8-bit line as leaves, left to right; null when there is none.
    // Uses this template's own engine: one caller at a time.
    std::unique_ptr<TStrucNodeList> Parse(std::string_view line, int lineIndex);
    // The same on a line already decoded to wide text, with an engine of the caller's that
    // holds this template's expression (a parse running beside others brings its own).
    std::unique_ptr<TStrucNodeList> ParseWide(const std::u16string& line, int lineIndex,
                                              TRegExpr& engine) const;
    // A new engine holding this template's expression, not yet compiled.
    std::unique_ptr<TRegExpr> NewEngine() const;

    std::string NameTemplate = "$1";

private:
    std::string expression_;
    std::u16string wide_;
    std::unique_ptr<TRegExpr> engine_;
};

class TStrucTemplateList {
public:
    TStrucTemplateList() = default;
    TStrucTemplateList(const TStrucTemplateList&) = delete;
    TStrucTemplateList& operator=(const TStrucTemplateList&) = delete;

    void Add(std::unique_ptr<TStrucTemplate> item) { items_.push_back(std::move(item)); }
    int Count() const { return static_cast<int>(items_.size()); }
    TStrucTemplate* Items(int i) const { return items_.at(static_cast<size_t>(i)).get(); }

    // Every template's matches on the line, in template order; never null.
    std::unique_ptr<TStrucNodeList> ParseAll(std::string_view line, int lineIndex);

private:
    std::vector<std::unique_ptr<TStrucTemplate>> items_;
};

// One branch of the structure: the kind line's text and its templates.
class TStrucKind {
public:
    explicit TStrucKind(std::string name) : Name(std::move(name)) {}
    TStrucKind(const TStrucKind&) = delete;
    TStrucKind& operator=(const TStrucKind&) = delete;

    std::unique_ptr<TStrucNodeList> Parse(std::string_view line, int lineIndex) {
        return Templates.ParseAll(line, lineIndex);
    }

    std::string Name;
    TStrucTemplateList Templates;
};

class TStrucKindList {
public:
    TStrucKindList() = default;
    TStrucKindList(const TStrucKindList&) = delete;
    TStrucKindList& operator=(const TStrucKindList&) = delete;

    void Add(std::unique_ptr<TStrucKind> kind) { items_.push_back(std::move(kind)); }
    int Count() const { return static_cast<int>(items_.size()); }
    TStrucKind* Items(int i) const { return items_.at(static_cast<size_t>(i)).get(); }

private:
    std::vector<std::unique_ptr<TStrucKind>> items_;
};

class TStrucParser {
public:
    virtual ~TStrucParser() = default;
    // A new tree named "root" with one branch per kind, cut short when `abort` returns true
    // for `abortData` before a line. The lines must stay valid while it runs.
    virtual std::unique_ptr<TStrucTree> ParseLines(const TStrucLines& lines, TStrucAbortFunc abort,
                                                   void* abortData) const = 0;
    virtual std::string GetName() const = 0;
};

// The parser of one template file.
//
// Threads: once loaded, a parser is shared by every document of its file type, and any
// number of ParseLines calls may run on it at once: each parse compiles its own engines
// for the templates and touches nothing else of the parser. ParseLine and the templates'
// own Parse use the engines the templates hold; ParseLine takes the parser's lock for
// that, the templates' Parse does not (it is for one caller at a time).
class TDefStrucParser final : public TStrucParser {
public:
    TDefStrucParser() = default;
    explicit TDefStrucParser(std::string name) : name_(std::move(name)) {}

    // Reads a template file into Kinds. Raises EInOutError when it cannot be read.
    //
    // Each line is classified by its first character: ";" a comment; a space a template
    // (the rest is the expression, and the next line, whatever it holds, is its name line,
    // whose first character is dropped); anything else opens a kind named by the whole
    // line. Empty lines are skipped (except as a name line), and so is a template that
    // comes before any kind, with its name line.
    void LoadFromFile(const std::string& fileName);
    // The same from the file's contents.
    void LoadFromText(std::string_view text);

    std::unique_ptr<TStrucTree> ParseLines(const TStrucLines& lines, TStrucAbortFunc abort,
                                           void* abortData) const override;
    // Runs every kind on one line and appends the leaves to root's kind branches (the
    // first branch with the kind's name).
    void ParseLine(std::string_view line, int lineIndex, TStrucTree& root);

    std::string GetName() const override { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    TStrucKindList Kinds;

private:
    std::string name_;
    std::mutex lineLock_; // guards the templates' own engines in ParseLine
};

class TStrucParserStorage {
public:
    virtual ~TStrucParserStorage() = default;
    // The parser for a file type's name, or null when there is none.
    virtual TStrucParser* GetParser(const std::string& name) = 0;
};

// Loads "<folder><name>.struc" on the first request for a name and keeps the parser until
// the storage goes: an edited file takes effect at the next start. A name with no file is
// looked for again at each request. Safe to call from several threads.
class TDefStrucParserStorage final : public TStrucParserStorage {
public:
    explicit TDefStrucParserStorage(std::string folder = {});

    // Raises EInOutError when the file exists but cannot be read; nothing is cached then.
    TDefStrucParser* GetParser(const std::string& name) override;

    // The folder of the template files; a "/" is added when it does not end in one.
    void SetFolder(std::string folder);
    std::string Folder() const;

private:
    mutable std::mutex lock_;
    std::string folder_;
    std::vector<std::unique_ptr<TDefStrucParser>> cache_;
};

// The process-wide storage, made on the first call. Its folder is empty (nothing is found)
// until the program sets it to its program folder's "Struc/" with SetFolder.
TDefStrucParserStorage& StrucParserStorage();
