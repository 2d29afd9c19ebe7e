// The catalogue of languages: what the language files define, read lazily, and the
// compiled context graph a parser walks.
#pragma once

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "colorerAbi.h"

namespace colorer {

struct XmlElement;

// Regex options as the language files state them.
struct RegexOptions {
    bool extended = false;
    bool caseless = false;
    bool dupnames = false;
};

struct ContextDef;

// One entry of a context's <include>: an inline context or a reference to another.
struct IncludeItem {
    std::unique_ptr<ContextDef> inlineDef;
    std::string ref; // "lang:id" or "lang:*"; empty for inline contexts
    std::string styleOverride;
    bool ignoreStyle = false;
    bool original = false;
};

enum class DefKind { Match, Container, Keywords, SubPattern };

struct ContextDef {
    std::string id;   // may be empty for anonymous inline contexts
    std::string lang; // the language whose file defines it
    DefKind kind = DefKind::Container;
    std::string styleRef; // "lang:style" or empty
    std::string start, end, match;
    bool hasStart = false; // an empty <start></start> still makes a context one can enter
    RegexOptions startOptions, endOptions, matchOptions;
    std::vector<std::string> keywords;
    std::string prefix = "\\%[";
    std::string suffix = "\\%]";
    RegexOptions keywordOptions;
    std::string subPattern; // group number or name
    bool whereEnd = false;
    bool endAtLineEnd = false;
    bool extendParent = true;
    bool onceOnly = false;
    bool firstLineOnly = false;
    bool endParent = false;
    bool styleInside = false;
    bool quiet = false; // a string or comment: no bracket pairs inside
    std::vector<IncludeItem> includes;
};

struct DefineRegex {
    std::string pattern;
    RegexOptions options;
};

class Grammar;
struct Language;

// What a file-type handle points at: the record the program reads, then our own fields.
struct TypeRecord {
    ColorerFileType pub{};
    Grammar* grammar = nullptr;
    Language* lang = nullptr;
};

// A language: its metadata (always read) and its definitions (read when first needed).
struct Language {
    TypeRecord record;
    std::string id, name, section, path;
    std::vector<std::string> globs, mimetypes;
    std::vector<std::string> preferredGlobs; // from the catalogue: tried before all others
    std::vector<std::string> firstLinePatterns;
    std::vector<std::string> pairOpen, pairClose;
    bool pairsCaseSensitive = true;
    bool hidden = false;

    bool loaded = false;
    bool loadFailed = false;
    RegexOptions defaults;
    std::string keywordCharClass;
    std::map<std::string, std::string> styleMapTo; // style id -> "lang:style" or ""
    std::map<std::string, DefineRegex> defines;
    std::map<std::string, ContextDef*> contexts; // by id
    std::vector<std::unique_ptr<ContextDef>> topLevel;
    std::vector<std::pair<std::string, std::string>> replaces; // full id -> full ref
};

// A compiled regular expression; when its source refers to the start match of its
// context ("\%{n@start}"), `code` is null and each context instance compiles its own.
struct Regex {
    Regex();
    Regex(const Regex&) = delete;
    Regex& operator=(const Regex&) = delete;
    int id; // distinct for every regex of the process: parsers remember matches by it
    pcre2_code* code = nullptr;
    std::string source; // translated; start references as \x01name\x02
    uint32_t options = 0;
    uint32_t matchOptions = 0; // PCRE2_NOTEMPTY where an empty match would colour nothing
    bool dynamic = false;
    ~Regex();
};

pcre2_code* CompileRegex(const std::string& source, uint32_t options);

struct SubPatternRule {
    int group = -1;
    std::string groupName;
    bool whereEnd = false;
    int styleClass = -1;
};

struct Node;

struct Candidate {
    Node* node = nullptr;
    int styleClass = -1;
};

// A context of the compiled graph.
struct Node {
    const ContextDef* def = nullptr;
    DefKind kind = DefKind::Container;
    std::unique_ptr<Regex> start; // start or match regex
    std::unique_ptr<Regex> end;
    int styleClass = -1;
    bool endAtLineEnd = false, extendParent = true, onceOnly = false, firstLineOnly = false,
         endParent = false, styleInside = false, quiet = false;
    std::vector<Candidate> children;
    std::vector<SubPatternRule> subs;
    bool built = false;
};

// The graph for one chosen language.
struct CompiledLanguage {
    Node* root = nullptr;
    std::vector<std::unique_ptr<Node>> nodes;
    std::vector<std::string> pairOpen, pairClose;
    bool pairsCaseSensitive = true;
};

// Style classes are process-wide: a region carries a class id, and a scheme resolves it
// through the class's map-to chain.
class StyleClasses {
public:
    static StyleClasses& Instance();
    int Intern(const std::string& name);
    void SetMapTo(int cls, int target);
    // Calls `visit` for the class and each class it maps to until `visit` returns true.
    template <class F>
    void Walk(int cls, F&& visit) {
        std::lock_guard lock(mutex_);
        for (int guard = 0; cls >= 0 && guard < 16; ++guard) {
            if (visit(names_[static_cast<size_t>(cls)])) {
                return;
            }
            cls = mapTo_[static_cast<size_t>(cls)];
        }
    }
    std::string Name(int cls);

private:
    std::mutex mutex_;
    std::vector<std::string> names_;
    std::vector<int> mapTo_;
    std::unordered_map<std::string, int> ids_;
};

class Grammar {
public:
    explicit Grammar(const std::string& cataloguePath);
    Grammar(const Grammar&) = delete;
    Grammar& operator=(const Grammar&) = delete;

    [[nodiscard]] bool Empty() const { return types_.empty(); }
    const ColorerFileType* Next(const ColorerFileType* previous) const;
    const ColorerFileType* Choose(const char* fileName, const char* firstLine) const;
    // The compiled graph of a type (built at first use); the "default" type gives a graph
    // with an empty root.
    const CompiledLanguage* Compile(const ColorerFileType* type);
    static TypeRecord* RecordOf(const ColorerFileType* type) {
        return reinterpret_cast<TypeRecord*>(const_cast<ColorerFileType*>(type));
    }

private:
    void ReadCatalogue(const std::string& path);
    void ReadFolder(const std::string& folder);
    Language* Find(const std::string& id);
    Language* FindByRecord(const ColorerFileType* type);
    bool Load(Language& lang);
    void LoadReferenced(Language& lang, std::vector<Language*>& seen);
    std::unique_ptr<ContextDef> ReadContext(Language& lang, const XmlElement& element);

    friend class GraphBuilder;
    std::vector<std::unique_ptr<Language>> languages_;
    std::unordered_map<std::string, Language*> byId_;
    std::vector<Language*> types_; // enumeration order, fallback last
    Language fallback_;
    std::map<const Language*, std::unique_ptr<CompiledLanguage>> compiled_;
    std::mutex mutex_;
};

} // namespace colorer
