// The catalogue: reading the language files (metadata first, definitions on demand),
// choosing a type for a file, and compiling a language's contexts into a graph.
#include "grammar.h"

#include <fnmatch.h>

#include <algorithm>
#include <atomic>
#include <dirent.h>
#include <set>

#include "xmlReader.h"

namespace colorer {

Regex::Regex() {
    static std::atomic<int> next{0};
    id = next.fetch_add(1, std::memory_order_relaxed);
}

Regex::~Regex() {
    if (code != nullptr) {
        pcre2_code_free(code);
    }
}

StyleClasses& StyleClasses::Instance() {
    static StyleClasses instance;
    return instance;
}

int StyleClasses::Intern(const std::string& name) {
    std::lock_guard lock(mutex_);
    auto it = ids_.find(name);
    if (it != ids_.end()) {
        return it->second;
    }
    int id = static_cast<int>(names_.size());
    names_.push_back(name);
    mapTo_.push_back(-1);
    ids_.emplace(name, id);
    return id;
}

void StyleClasses::SetMapTo(int cls, int target) {
    std::lock_guard lock(mutex_);
    if (cls >= 0 && cls != target) {
        mapTo_[static_cast<size_t>(cls)] = target;
    }
}

std::string StyleClasses::Name(int cls) {
    std::lock_guard lock(mutex_);
    return cls >= 0 && static_cast<size_t>(cls) < names_.size() ? names_[static_cast<size_t>(cls)]
                                                                : std::string();
}

namespace {

std::vector<std::string> Split(const std::string& text, const char* separators) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (std::string_view(separators).find(c) != std::string_view::npos) {
            if (!current.empty()) {
                parts.push_back(current);
            }
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        parts.push_back(current);
    }
    return parts;
}

std::string Trimmed(const std::string& text) {
    size_t a = text.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) {
        return {};
    }
    size_t b = text.find_last_not_of(" \t\r\n");
    return text.substr(a, b - a + 1);
}

std::string Qualify(const std::string& ref, const std::string& lang) {
    return ref.find(':') == std::string::npos ? lang + ":" + ref : ref;
}

RegexOptions ReadOptions(const XmlElement& element, RegexOptions base) {
    base.extended = element.Flag("extended", base.extended);
    base.caseless = !element.Flag("case-sensitive", !base.caseless);
    base.dupnames = element.Flag("dupnames", base.dupnames);
    return base;
}

std::string Folder(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

Grammar::Grammar(const std::string& cataloguePath) {
    fallback_.id = "default";
    fallback_.name = "Plain text";
    fallback_.loaded = true;
    ReadCatalogue(cataloguePath);
    for (auto& lang : languages_) {
        lang->record.pub.title = lang->name.c_str();
        lang->record.pub.name = lang->id.c_str();
        lang->record.grammar = this;
        lang->record.lang = lang.get();
        if (!lang->hidden) {
            types_.push_back(lang.get());
        }
    }
    std::stable_sort(types_.begin(), types_.end(), [](const Language* a, const Language* b) {
        if (a->section != b->section) {
            return a->section < b->section;
        }
        return a->name < b->name;
    });
    fallback_.record.pub.title = fallback_.name.c_str();
    fallback_.record.pub.name = fallback_.id.c_str();
    fallback_.record.grammar = this;
    fallback_.record.lang = &fallback_;
    if (!types_.empty()) {
        types_.push_back(&fallback_);
    }
}

void Grammar::ReadCatalogue(const std::string& path) {
    std::string text;
    if (!ReadFile(path, text)) {
        return;
    }
    auto root = ParseXml(text);
    const XmlElement* top = root->children.empty() ? nullptr : root->children.front().get();
    if (top == nullptr) {
        return;
    }
    const std::string base = Folder(path);
    for (const auto& child : top->children) {
        if (child->name == "languages") {
            std::string folder = child->AttributeOr("path", "");
            if (!folder.empty() && folder[0] != '/') {
                folder = base + "/" + folder;
            }
            ReadFolder(folder);
        }
    }
    // Additions to languages come after the folders, so they apply whichever folder won.
    for (const auto& child : top->children) {
        Language* lang = Find(child->AttributeOr("lang", ""));
        if (lang == nullptr) {
            continue;
        }
        if (child->name == "first-line") {
            lang->firstLinePatterns.push_back(child->AttributeOr("pattern", ""));
        } else if (child->name == "glob") {
            lang->preferredGlobs.push_back(child->AttributeOr("pattern", ""));
        } else if (child->name == "pairs") {
            auto open = Split(child->AttributeOr("open", ""), " ");
            auto close = Split(child->AttributeOr("close", ""), " ");
            lang->pairOpen.insert(lang->pairOpen.end(), open.begin(), open.end());
            lang->pairClose.insert(lang->pairClose.end(), close.begin(), close.end());
            lang->pairsCaseSensitive = child->Flag("case-sensitive", true);
        } else if (child->name == "title") {
            lang->name = child->AttributeOr("text", lang->name);
        }
    }
}

void Grammar::ReadFolder(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> files;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".lang") == 0) {
            files.push_back(folder + "/" + name);
        }
    }
    closedir(dir);
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::string text;
        if (!ReadFile(file, text)) {
            continue;
        }
        // Only the head up to the styles or definitions is needed to list the type.
        size_t stop = std::min(text.find("<styles"), text.find("<definitions"));
        auto root = ParseXml(std::string_view(text).substr(0, stop));
        const XmlElement* element = root->Child("language");
        if (element == nullptr || element->Attribute("id") == nullptr) {
            continue;
        }
        auto lang = std::make_unique<Language>();
        lang->id = *element->Attribute("id");
        lang->name = element->AttributeOr("_name", element->AttributeOr("name", lang->id));
        lang->section = element->AttributeOr("_section", element->AttributeOr("section", ""));
        lang->hidden = element->Flag("hidden", false);
        lang->path = file;
        if (const XmlElement* metadata = element->Child("metadata")) {
            for (const auto& property : metadata->children) {
                std::string key = property->AttributeOr("name", "");
                if (key == "globs") {
                    lang->globs = Split(property->text, ";");
                } else if (key == "mimetypes" || key == "mimetype") {
                    lang->mimetypes = Split(property->text, ";");
                }
            }
        }
        // A later folder's language replaces an earlier one of the same id.
        auto it = byId_.find(lang->id);
        if (it != byId_.end()) {
            *it->second = std::move(*lang);
        } else {
            byId_.emplace(lang->id, lang.get());
            languages_.push_back(std::move(lang));
        }
    }
}

Language* Grammar::Find(const std::string& id) {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

Language* Grammar::FindByRecord(const ColorerFileType* type) {
    if (type == nullptr || RecordOf(type)->grammar != this) {
        return nullptr;
    }
    return RecordOf(type)->lang;
}

const ColorerFileType* Grammar::Next(const ColorerFileType* previous) const {
    if (previous == nullptr) {
        return types_.empty() ? nullptr : &types_.front()->record.pub;
    }
    for (size_t i = 0; i + 1 < types_.size(); ++i) {
        if (&types_[i]->record.pub == previous) {
            return &types_[i + 1]->record.pub;
        }
    }
    return nullptr;
}

const ColorerFileType* Grammar::Choose(const char* fileName, const char* firstLine) const {
    if (types_.empty()) {
        return nullptr;
    }
    std::string base = fileName != nullptr ? fileName : "";
    size_t slash = base.find_last_of("/\\");
    if (slash != std::string::npos) {
        base = base.substr(slash + 1);
    }
    if (!base.empty()) {
        for (const Language* lang : types_) {
            for (const auto& glob : lang->preferredGlobs) {
                if (fnmatch(glob.c_str(), base.c_str(), FNM_PERIOD) == 0) {
                    return &lang->record.pub;
                }
            }
        }
        for (const Language* lang : types_) {
            for (const auto& glob : lang->globs) {
                if (fnmatch(glob.c_str(), base.c_str(), FNM_PERIOD) == 0) {
                    return &lang->record.pub;
                }
            }
        }
    }
    if (firstLine != nullptr) {
        std::string_view line(firstLine);
        for (const Language* lang : types_) {
            for (const auto& pattern : lang->firstLinePatterns) {
                int error = 0;
                PCRE2_SIZE offset = 0;
                pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()),
                                                 pattern.size(), 0, &error, &offset, nullptr);
                if (code == nullptr) {
                    continue;
                }
                pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
                int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(),
                                     0, 0, data, nullptr);
                pcre2_match_data_free(data);
                pcre2_code_free(code);
                if (rc >= 0) {
                    return &lang->record.pub;
                }
            }
        }
    }
    return &types_.back()->record.pub;
}

std::unique_ptr<ContextDef> Grammar::ReadContext(Language& lang, const XmlElement& element) {
    auto def = std::make_unique<ContextDef>();
    def->id = element.AttributeOr("id", "");
    def->lang = lang.id;
    if (const std::string* style = element.Attribute("style-ref")) {
        def->styleRef = Qualify(*style, lang.id);
    }
    def->endAtLineEnd = element.Flag("end-at-line-end", false);
    def->extendParent = element.Flag("extend-parent", true);
    def->onceOnly = element.Flag("once-only", false);
    def->firstLineOnly = element.Flag("first-line-only", false);
    def->endParent = element.Flag("end-parent", false);
    def->styleInside = element.Flag("style-inside", false);
    for (const auto& word : Split(element.AttributeOr("class", ""), " ")) {
        if (word == "string" || word == "comment") {
            def->quiet = true;
        }
    }
    if (const std::string* sub = element.Attribute("sub-pattern")) {
        def->kind = DefKind::SubPattern;
        def->subPattern = *sub;
        def->whereEnd = element.AttributeOr("where", "start") == "end";
    }
    bool hasKeywords = false;
    for (const auto& child : element.children) {
        const XmlElement& c = *child;
        if (c.name == "match") {
            def->kind = DefKind::Match;
            def->match = c.text;
            def->matchOptions = ReadOptions(c, lang.defaults);
        } else if (c.name == "start") {
            def->start = c.text;
            def->hasStart = true;
            def->startOptions = ReadOptions(c, lang.defaults);
        } else if (c.name == "end") {
            def->end = c.text;
            def->endOptions = ReadOptions(c, lang.defaults);
        } else if (c.name == "keyword") {
            hasKeywords = true;
            def->keywords.push_back(Trimmed(c.text));
        } else if (c.name == "prefix") {
            def->prefix = c.text;
        } else if (c.name == "suffix") {
            def->suffix = c.text;
        } else if (c.name == "include") {
            for (const auto& item : c.children) {
                if (item->name == "define-regex") {
                    // Definitions may sit among the contexts they serve.
                    lang.defines[item->AttributeOr("id", "")] =
                        DefineRegex{item->text, ReadOptions(*item, lang.defaults)};
                    continue;
                }
                if (item->name != "context") {
                    continue;
                }
                IncludeItem include;
                if (const std::string* ref = item->Attribute("ref")) {
                    include.ref = Qualify(*ref, lang.id);
                    if (const std::string* style = item->Attribute("style-ref")) {
                        include.styleOverride = Qualify(*style, lang.id);
                    }
                    include.ignoreStyle = item->Flag("ignore-style", false);
                    include.original = item->Flag("original", false);
                } else {
                    include.inlineDef = ReadContext(lang, *item);
                }
                def->includes.push_back(std::move(include));
            }
        }
    }
    if (hasKeywords) {
        def->kind = DefKind::Keywords;
        def->keywordOptions = ReadOptions(element, lang.defaults);
    }
    if (!def->id.empty()) {
        lang.contexts[def->id] = def.get();
    }
    return def;
}

bool Grammar::Load(Language& lang) {
    if (lang.loaded || lang.loadFailed) {
        return lang.loaded;
    }
    std::string text;
    if (!ReadFile(lang.path, text)) {
        lang.loadFailed = true;
        return false;
    }
    auto root = ParseXml(text);
    const XmlElement* element = root->Child("language");
    if (element == nullptr) {
        lang.loadFailed = true;
        return false;
    }
    lang.loaded = true;
    for (const auto& child : element->children) {
        if (child->name == "styles") {
            for (const auto& style : child->children) {
                if (style->name == "style") {
                    std::string mapTo = style->AttributeOr("map-to", "");
                    lang.styleMapTo[style->AttributeOr("id", "")] =
                        mapTo.empty() ? mapTo : Qualify(mapTo, lang.id);
                }
            }
        } else if (child->name == "default-regex-options") {
            lang.defaults = ReadOptions(*child, lang.defaults);
        } else if (child->name == "keyword-char-class") {
            lang.keywordCharClass = Trimmed(child->text);
        }
    }
    if (const XmlElement* definitions = element->Child("definitions")) {
        for (const auto& child : definitions->children) {
            if (child->name == "define-regex") {
                DefineRegex define;
                define.pattern = child->text;
                define.options = ReadOptions(*child, lang.defaults);
                lang.defines[child->AttributeOr("id", "")] = std::move(define);
            } else if (child->name == "context") {
                lang.topLevel.push_back(ReadContext(lang, *child));
            } else if (child->name == "replace") {
                lang.replaces.emplace_back(Qualify(child->AttributeOr("id", ""), lang.id),
                                           Qualify(child->AttributeOr("ref", ""), lang.id));
            }
        }
    }
    return true;
}

namespace {

void CollectRefs(const ContextDef& def, std::set<std::string>& langs) {
    for (const auto& include : def.includes) {
        if (include.inlineDef) {
            CollectRefs(*include.inlineDef, langs);
        } else {
            langs.insert(include.ref.substr(0, include.ref.find(':')));
        }
        if (!include.styleOverride.empty()) {
            langs.insert(include.styleOverride.substr(0, include.styleOverride.find(':')));
        }
    }
}

} // namespace

void Grammar::LoadReferenced(Language& lang, std::vector<Language*>& seen) {
    if (std::find(seen.begin(), seen.end(), &lang) != seen.end() || !Load(lang)) {
        return;
    }
    seen.push_back(&lang);
    std::set<std::string> langs;
    for (const auto& def : lang.topLevel) {
        CollectRefs(*def, langs);
    }
    for (const auto& [id, target] : lang.replaces) {
        langs.insert(target.substr(0, target.find(':')));
    }
    for (const auto& [style, mapTo] : lang.styleMapTo) {
        if (!mapTo.empty()) {
            langs.insert(mapTo.substr(0, mapTo.find(':')));
        }
    }
    for (const auto& id : langs) {
        if (Language* other = Find(id)) {
            LoadReferenced(*other, seen);
        }
    }
}

// Turns definitions into a graph of nodes with compiled regexes.
class GraphBuilder {
public:
    GraphBuilder(Grammar& grammar, CompiledLanguage& out) : grammar_(grammar), out_(out) {}

    void Build(Language& root) {
        std::vector<Language*> seen;
        grammar_.LoadReferenced(root, seen);
        for (Language* lang : seen) {
            for (const auto& [id, target] : lang->replaces) {
                replaces_[id] = target;
            }
            for (const auto& [style, mapTo] : lang->styleMapTo) {
                int cls = StyleClasses::Instance().Intern(lang->id + ":" + style);
                if (!mapTo.empty()) {
                    StyleClasses::Instance().SetMapTo(cls, StyleClasses::Instance().Intern(mapTo));
                }
            }
        }
        auto rootNode = std::make_unique<Node>();
        out_.root = rootNode.get();
        out_.nodes.push_back(std::move(rootNode));
        auto it = root.contexts.find(root.id);
        if (it != root.contexts.end()) {
            const ContextDef& def = *it->second;
            out_.root->def = &def;
            out_.root->styleClass = StyleOf(def.styleRef);
            out_.root->quiet = def.quiet;
            std::vector<const ContextDef*> visiting{&def};
            Expand(def, *out_.root, visiting);
        }
        out_.pairOpen = root.pairOpen;
        out_.pairClose = root.pairClose;
        out_.pairsCaseSensitive = root.pairsCaseSensitive;
    }

private:
    static int StyleOf(const std::string& style) {
        return style.empty() ? -1 : StyleClasses::Instance().Intern(style);
    }

    const ContextDef* Resolve(std::string ref, bool original) {
        if (!original) {
            for (int guard = 0; guard < 4; ++guard) {
                auto it = replaces_.find(ref);
                if (it == replaces_.end() || it->second == ref) {
                    break;
                }
                ref = it->second;
            }
        }
        size_t colon = ref.find(':');
        Language* lang = grammar_.Find(ref.substr(0, colon));
        if (lang == nullptr || !grammar_.Load(*lang)) {
            return nullptr;
        }
        std::string id = ref.substr(colon + 1);
        auto it = lang->contexts.find(id == "*" ? lang->id : id);
        return it == lang->contexts.end() ? nullptr : it->second;
    }

    // Adds the contexts `def` includes to `node`: ordinary ones as candidates, sub-pattern
    // ones as styling rules, and the contents of start-less containers in their place.
    void Expand(const ContextDef& def, Node& node, std::vector<const ContextDef*>& visiting) {
        for (const auto& include : def.includes) {
            const ContextDef* target = include.inlineDef ? include.inlineDef.get()
                                                         : Resolve(include.ref, include.original);
            if (target == nullptr) {
                continue;
            }
            if (target->kind == DefKind::SubPattern) {
                SubPatternRule rule;
                rule.whereEnd = target->whereEnd;
                if (!target->subPattern.empty() &&
                    target->subPattern.find_first_not_of("0123456789") == std::string::npos) {
                    rule.group = std::stoi(target->subPattern);
                } else {
                    rule.groupName = target->subPattern;
                }
                rule.styleClass = include.ignoreStyle              ? -1
                                  : !include.styleOverride.empty() ? StyleOf(include.styleOverride)
                                                                   : StyleOf(target->styleRef);
                node.subs.push_back(rule);
                continue;
            }
            if (target->kind == DefKind::Container && !target->hasStart) {
                if (std::find(visiting.begin(), visiting.end(), target) == visiting.end()) {
                    visiting.push_back(target);
                    Expand(*target, node, visiting);
                    visiting.pop_back();
                }
                continue;
            }
            Node* child = NodeFor(*target);
            if (child == nullptr) {
                continue;
            }
            Candidate candidate;
            candidate.node = child;
            candidate.styleClass = include.ignoreStyle              ? -1
                                   : !include.styleOverride.empty() ? StyleOf(include.styleOverride)
                                                                    : child->styleClass;
            node.children.push_back(candidate);
        }
    }

    Node* NodeFor(const ContextDef& def) {
        auto it = nodes_.find(&def);
        if (it != nodes_.end()) {
            return it->second;
        }
        Language* lang = grammar_.Find(def.lang);
        auto node = std::make_unique<Node>();
        Node* raw = node.get();
        nodes_[&def] = raw;
        raw->def = &def;
        raw->kind = def.kind;
        raw->styleClass = StyleOf(def.styleRef);
        raw->endAtLineEnd = def.endAtLineEnd;
        raw->extendParent = def.extendParent;
        raw->onceOnly = def.onceOnly;
        raw->firstLineOnly = def.firstLineOnly;
        raw->endParent = def.endParent;
        raw->styleInside = def.styleInside;
        raw->quiet = def.quiet;
        switch (def.kind) {
        case DefKind::Match:
            raw->start = Compile(def.match, def.matchOptions, *lang);
            break;
        case DefKind::Keywords: {
            std::string alternatives;
            for (const auto& keyword : def.keywords) {
                if (!alternatives.empty()) {
                    alternatives += '|';
                }
                alternatives += keyword;
            }
            raw->start = Compile(def.prefix + "(?:" + alternatives + ")" + def.suffix,
                                 def.keywordOptions, *lang);
            raw->kind = DefKind::Match;
            break;
        }
        default:
            raw->start = Compile(def.start, def.startOptions, *lang);
            if (!def.end.empty()) {
                raw->end = Compile(def.end, def.endOptions, *lang);
            }
            break;
        }
        if (!raw->start) {
            nodes_[&def] = nullptr;
            return nullptr;
        }
        if (raw->kind == DefKind::Match) {
            // A match context colours what it matched: an empty match would only stall.
            raw->start->matchOptions = PCRE2_NOTEMPTY;
        }
        out_.nodes.push_back(std::move(node));
        std::vector<const ContextDef*> visiting{&def};
        Expand(def, *raw, visiting);
        return raw;
    }

    // Rewrites the language files' regex dialect into PCRE2 syntax.
    void Translate(const std::string& source, Language& lang, std::string& out, int depth) {
        for (size_t i = 0; i < source.size(); ++i) {
            char c = source[i];
            if (c != '\\' || i + 1 >= source.size()) {
                out += c;
                continue;
            }
            char next = source[i + 1];
            if (next == '%' && i + 2 < source.size()) {
                char kind = source[i + 2];
                if (kind == '[' || kind == ']') {
                    if (lang.keywordCharClass.empty()) {
                        out += "\\b";
                    } else {
                        std::string cls;
                        Translate(lang.keywordCharClass, lang, cls, depth + 1);
                        out += kind == '[' ? "(?<!" + cls + ")(?=" + cls + ")"
                                           : "(?<=" + cls + ")(?!" + cls + ")";
                    }
                    i += 2;
                    continue;
                }
                if (kind == '{') {
                    size_t close = source.find('}', i + 3);
                    if (close != std::string::npos) {
                        std::string name = source.substr(i + 3, close - i - 3);
                        i = close;
                        if (name.find('@') != std::string::npos) {
                            out += '\x01';
                            out += name.substr(0, name.find('@'));
                            out += '\x02';
                            continue;
                        }
                        AppendDefine(name, lang, out, depth);
                        continue;
                    }
                }
            }
            if (next == 'x' && i + 2 < source.size() && source[i + 2] == '{') {
                size_t close = source.find('}', i + 3);
                if (close != std::string::npos) {
                    unsigned long code = std::strtoul(source.c_str() + i + 3, nullptr, 16);
                    if (code > 0xFF) {
                        // Lines come one byte per character; what has no 8-bit form is 127.
                        bool rangeEnd = !out.empty() && out.back() == '-';
                        out += rangeEnd ? "\\x{FF}" : "\\x{7F}";
                    } else {
                        out.append(source, i, close - i + 1);
                    }
                    i = close;
                    continue;
                }
            }
            out += c;
            out += next;
            ++i;
        }
    }

    void AppendDefine(const std::string& name, Language& lang, std::string& out, int depth) {
        Language* owner = &lang;
        std::string id = name;
        size_t colon = name.find(':');
        if (colon != std::string::npos) {
            owner = grammar_.Find(name.substr(0, colon));
            id = name.substr(colon + 1);
        }
        if (owner == nullptr || !grammar_.Load(*owner) || depth > 16) {
            out += "(?!)";
            return;
        }
        auto it = owner->defines.find(id);
        if (it == owner->defines.end()) {
            out += "(?!)";
            return;
        }
        const DefineRegex& define = it->second;
        out += "(?";
        out += define.options.extended ? "x" : "";
        out += define.options.caseless ? "i" : "";
        if (!define.options.extended || !define.options.caseless) {
            out += '-';
            out += define.options.extended ? "" : "x";
            out += define.options.caseless ? "" : "i";
        }
        out += ':';
        Translate(define.pattern, *owner, out, depth + 1);
        out += define.options.extended ? "\n)" : ")";
    }

    std::unique_ptr<Regex> Compile(const std::string& source, const RegexOptions& options,
                                   Language& lang) {
        auto regex = std::make_unique<Regex>();
        Translate(source, lang, regex->source, 0);
        regex->options = (options.extended ? PCRE2_EXTENDED : 0u) |
                         (options.caseless ? PCRE2_CASELESS : 0u) |
                         (options.dupnames ? PCRE2_DUPNAMES : 0u);
        if (regex->source.find('\x01') != std::string::npos) {
            regex->dynamic = true;
            return regex;
        }
        regex->code = CompileCode(regex->source, regex->options);
        if (regex->code == nullptr) {
            return nullptr;
        }
        return regex;
    }

public:
    static pcre2_code* CompileCode(const std::string& source, uint32_t options) {
        int error = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code* code =
            pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(),
                          options | PCRE2_USE_OFFSET_LIMIT, &error, &offset, nullptr);
        if (code != nullptr) {
            pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
        }
        return code;
    }

private:
    Grammar& grammar_;
    CompiledLanguage& out_;
    std::map<std::string, std::string> replaces_;
    std::map<const ContextDef*, Node*> nodes_;
};

pcre2_code* CompileRegex(const std::string& source, uint32_t options) {
    return GraphBuilder::CompileCode(source, options);
}

const CompiledLanguage* Grammar::Compile(const ColorerFileType* type) {
    std::lock_guard lock(mutex_);
    Language* lang = FindByRecord(type);
    if (lang == nullptr) {
        return nullptr;
    }
    auto it = compiled_.find(lang);
    if (it != compiled_.end()) {
        return it->second.get();
    }
    auto compiled = std::make_unique<CompiledLanguage>();
    if (lang == &fallback_) {
        auto root = std::make_unique<Node>();
        compiled->root = root.get();
        compiled->nodes.push_back(std::move(root));
    } else {
        GraphBuilder(*this, *compiled).Build(*lang);
    }
    const CompiledLanguage* result = compiled.get();
    compiled_.emplace(lang, std::move(compiled));
    return result;
}

} // namespace colorer
