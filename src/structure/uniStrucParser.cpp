// Structure templates: loading template files, matching them on lines, the parser cache.
#include "structure/uniStrucParser.h"

#include <filesystem>

#include "base/uniCodePage.h"
#include "base/uniFileIO.h"
#include "base/uniNumRefs.h"

namespace {

// A line or expression of the 8-bit convention as the engine's wide text.
std::u16string DecodeLine(std::string_view line) {
    return DecodeNumericRefs(AnsiToWide(line));
}

// The engines of one parse, one per template by kind: each parse holds its own, so parses
// of a shared parser do not disturb each other.
struct TParseEngines {
    std::vector<std::vector<std::unique_ptr<TRegExpr>>> byKind;
};

} // namespace

TStrucName ExpandNameTemplate(std::string_view nameTemplate, const TRegExpr& engine) {
    TStrucName out;
    const int found = engine.SubExprMatchCount();
    bool pending = false;
    for (const char c : nameTemplate) {
        if (!pending) {
            if (c == '$') {
                pending = true;
            } else {
                out.name.push_back(c);
            }
            continue;
        }
        if (c < '0' || c > '9') {
            // Copied, and the next digit is still taken as a group number.
            out.name.push_back(c);
            continue;
        }
        const int n = c - '0';
        out.name += EncodeNumericRefsA(engine.Match(n));
        const int pos = engine.MatchPos(n);
        if (n <= found && pos > 0) {
            if (out.column == -1) {
                out.column = pos - 1;
            }
            out.endColumn = pos + engine.MatchLen(n) - 2;
        }
        pending = false;
    }
    return out;
}

// ---- TStrucTemplate ----

TStrucTemplate::TStrucTemplate() : engine_(std::make_unique<TRegExpr>()) {}

void TStrucTemplate::SetExpression(std::string_view text) {
    expression_ = text;
    wide_ = DecodeLine(text);
    engine_->SetExpression(wide_);
}

std::unique_ptr<TRegExpr> TStrucTemplate::NewEngine() const {
    auto engine = std::make_unique<TRegExpr>();
    engine->SetExpression(wide_);
    return engine;
}

std::unique_ptr<TStrucNodeList> TStrucTemplate::Parse(std::string_view line, int lineIndex) {
    return ParseWide(DecodeLine(line), lineIndex, *engine_);
}

std::unique_ptr<TStrucNodeList> TStrucTemplate::ParseWide(const std::u16string& line, int lineIndex,
                                                          TRegExpr& engine) const {
    if (!engine.Exec(line)) {
        return nullptr;
    }
    auto list = std::make_unique<TStrucNodeList>();
    do {
        TStrucName name = ExpandNameTemplate(NameTemplate, engine);
        list->Add(std::make_unique<TStrucLocation>(std::move(name.name), lineIndex, name.column,
                                                   name.endColumn));
    } while (engine.ExecNext());
    return list;
}

// ---- TStrucTemplateList ----

std::unique_ptr<TStrucNodeList> TStrucTemplateList::ParseAll(std::string_view line, int lineIndex) {
    auto list = std::make_unique<TStrucNodeList>();
    for (const auto& item : items_) {
        list->AddList(item->Parse(line, lineIndex));
    }
    return list;
}

// ---- TDefStrucParser ----

void TDefStrucParser::LoadFromFile(const std::string& fileName) {
    TFileBytes file = ReadFileBytes(fileName);
    if (file.status != TReadStatus::Ok) {
        throw EInOutError(
            "cannot read the structure template " + fileName + ": " +
            (file.status == TReadStatus::Missing ? std::string("no such file") : file.error));
    }
    LoadFromText(file.bytes);
}

void TDefStrucParser::LoadFromText(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        start = next;
    }
    TStrucKind* kind = nullptr;
    for (size_t k = 0; k < lines.size(); ++k) {
        const std::string_view line = lines[k];
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] != ' ') {
            auto made = std::make_unique<TStrucKind>(std::string(line));
            kind = made.get();
            Kinds.Add(std::move(made));
            continue;
        }
        auto item = std::make_unique<TStrucTemplate>();
        item->SetExpression(line.substr(1));
        if (k + 1 < lines.size()) {
            const std::string_view nameLine = lines[++k];
            item->NameTemplate = std::string(nameLine.empty() ? nameLine : nameLine.substr(1));
        }
        if (kind != nullptr) {
            kind->Templates.Add(std::move(item));
        }
    }
}

std::unique_ptr<TStrucTree> TDefStrucParser::ParseLines(const TStrucLines& lines,
                                                        TStrucAbortFunc abort,
                                                        void* abortData) const {
    auto root = std::make_unique<TStrucTree>("root");
    // Each kind's results go to the first branch of its name (a second kind of the same
    // name keeps an empty branch).
    std::vector<TStrucTree*> branchOf;
    TParseEngines engines;
    for (int k = 0; k < Kinds.Count(); ++k) {
        const TStrucKind& kind = *Kinds.Items(k);
        root->Children.Add(std::make_unique<TStrucTree>(kind.Name));
        branchOf.push_back(static_cast<TStrucTree*>(root->Children.FindByName(kind.Name)));
        auto& own = engines.byKind.emplace_back();
        for (int t = 0; t < kind.Templates.Count(); ++t) {
            own.push_back(kind.Templates.Items(t)->NewEngine());
        }
    }
    const int count = lines.GetCount();
    for (int i = 0; i < count; ++i) {
        if (abort != nullptr && abort(abortData)) {
            break;
        }
        const std::u16string line = DecodeLine(lines.Get(i));
        for (int k = 0; k < Kinds.Count(); ++k) {
            const TStrucKind& kind = *Kinds.Items(k);
            for (int t = 0; t < kind.Templates.Count(); ++t) {
                branchOf[static_cast<size_t>(k)]->Children.AddList(
                    kind.Templates.Items(t)->ParseWide(
                        line, i, *engines.byKind[static_cast<size_t>(k)][static_cast<size_t>(t)]));
            }
        }
    }
    return root;
}

void TDefStrucParser::ParseLine(std::string_view line, int lineIndex, TStrucTree& root) {
    const std::lock_guard guard(lineLock_);
    for (int k = 0; k < Kinds.Count(); ++k) {
        TStrucKind& kind = *Kinds.Items(k);
        std::unique_ptr<TStrucNodeList> found = kind.Parse(line, lineIndex);
        if (auto* branch = dynamic_cast<TStrucTree*>(root.Children.FindByName(kind.Name))) {
            branch->Children.AddList(std::move(found));
        }
    }
}

// ---- TDefStrucParserStorage ----

TDefStrucParserStorage::TDefStrucParserStorage(std::string folder) {
    SetFolder(std::move(folder));
}

void TDefStrucParserStorage::SetFolder(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    const std::lock_guard guard(lock_);
    folder_ = std::move(folder);
}

std::string TDefStrucParserStorage::Folder() const {
    const std::lock_guard guard(lock_);
    return folder_;
}

TDefStrucParser* TDefStrucParserStorage::GetParser(const std::string& name) {
    const std::lock_guard guard(lock_);
    for (const auto& parser : cache_) {
        if (parser->GetName() == name) {
            return parser.get();
        }
    }
    // A type name is one file name of the folder, never a path.
    if (folder_.empty() || name.empty() || name.find('/') != std::string::npos || name == "." ||
        name == "..") {
        return nullptr;
    }
    const std::string path = folder_ + name + ".struc";
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return nullptr;
    }
    auto parser = std::make_unique<TDefStrucParser>(name);
    parser->LoadFromFile(path);
    cache_.push_back(std::move(parser));
    return cache_.back().get();
}

TDefStrucParserStorage& StrucParserStorage() {
    static TDefStrucParserStorage storage;
    return storage;
}
