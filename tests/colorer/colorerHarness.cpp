// The test programs' way into the real highlighting library.
#include "colorerHarness.h"

#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace colorer_test {

Library& Library::Get() {
    static Library library;
    return library;
}

Library::Library() {
    handle = dlopen((kProgramDir + "/Colorer/libicolorer.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return;
    }
    auto get = reinterpret_cast<ColorerGetProcsProc>(dlsym(handle, COLORER_GET_PROCS_NAME));
    procs.size = sizeof(ColorerProcs);
    if (get == nullptr || get(&procs) == 0) {
        return;
    }
    grammar = procs.loadGrammar(kCatalogue.c_str(), nullptr);
    styles = procs.createStyles();
    procs.loadScheme(styles, kScheme.c_str());
    // The scheme's indices: numbered values keep theirs, named ones follow from 3 on.
    std::ifstream in(kScheme);
    std::string line;
    int32_t next = 3;
    const std::regex value("<assign value=\"([^\"]*)\"");
    while (std::getline(in, line)) {
        std::smatch m;
        if (std::regex_search(line, m, value)) {
            std::string name = m[1];
            if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
                classNames_[std::stoi(name)] = name;
            } else {
                classNames_[next++] = name;
            }
        }
    }
}

const ColorerFileType* Library::Type(const std::string& name) const {
    for (const ColorerFileType* type = procs.enumFileTypes(grammar, nullptr); type != nullptr;
         type = procs.enumFileTypes(grammar, type)) {
        if (name == type->name) {
            return type;
        }
    }
    return nullptr;
}

std::string Library::ClassName(int32_t index) const {
    auto it = classNames_.find(index);
    return it == classNames_.end() ? "?" + std::to_string(index) : it->second;
}

Document::Document(std::vector<std::string> lines, const ColorerFileType* type, int32_t capacity)
    : lines_(std::move(lines)), capacity_(capacity) {
    const ColorerProcs& p = Library::Get().procs;
    parser_ = p.createParser();
    buffer_ = p.createBuffer(capacity);
    p.connect(parser_, &Document::Source, nullptr, p.passedToConnect, this, nullptr, buffer_);
    if (type != nullptr) {
        p.loadFileType(Library::Get().grammar, type);
        p.setFileType(parser_, type);
    }
}

Document::~Document() {
    const ColorerProcs& p = Library::Get().procs;
    p.freeBuffer(buffer_);
    p.freeParser(parser_);
}

const char* Document::Source(void* source, void* /*unused*/, int32_t line, int32_t* length) {
    auto* document = static_cast<Document*>(source);
    ++document->reads_;
    if (line < 0 || static_cast<size_t>(line) >= document->lines_.size()) {
        *length = 0;
        return nullptr;
    }
    const std::string& text = document->lines_[static_cast<size_t>(line)];
    *length = static_cast<int32_t>(text.size());
    return text.c_str();
}

// Clears the window's records, runs `parse` over them and colours what it left.
template <class F>
int32_t Document::ParseWindow(int32_t windowFirst, F&& parse) {
    Library& library = Library::Get();
    const ColorerProcs& p = library.procs;
    windowFirst_ = windowFirst;
    p.clearBuffer(buffer_, windowFirst);
    p.resetBuffer(buffer_);
    const int32_t last = parse(p);
    p.colourBuffer(buffer_, library.styles, p.getStyle(library.styles, 2));
    return last;
}

int32_t Document::Parse(int32_t from, int32_t windowFirst, int32_t windowCount, int32_t count) {
    return ParseWindow(windowFirst, [&](const ColorerProcs& p) {
        return p.parse(parser_, from, windowFirst, windowCount, count);
    });
}

int32_t Document::ParseFromTop(int32_t sameLines, int32_t windowFirst, int32_t windowCount,
                               int32_t count) {
    return ParseWindow(windowFirst, [&](const ColorerProcs& p) {
        return p.parseFromTop(parser_, sameLines, windowFirst, windowCount, count);
    });
}

std::vector<Region> Document::Regions(int32_t line) const {
    std::vector<Region> regions;
    int32_t k = line - buffer_[0].windowFirstLine + 1;
    if (k < 1 || k >= capacity_) {
        return regions;
    }
    for (const ColorerRegion* r = buffer_[k].first; r != nullptr; r = r->next) {
        regions.push_back(Region{line, r->start, r->end, r->style, r->kind});
    }
    return regions;
}

std::string Document::Describe(int32_t line) const {
    std::ostringstream out;
    for (const Region& r : Regions(line)) {
        if (out.tellp() > 0) {
            out << ' ';
        }
        out << r.start << '-' << (r.end < 0 ? std::string("eol") : std::to_string(r.end)) << ' ';
        if (r.kind == COLORER_PAIR_START) {
            out << '(';
        } else if (r.kind == COLORER_PAIR_END) {
            out << ')';
        } else {
            out << Library::Get().ClassName(r.style);
        }
    }
    return out.str();
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

} // namespace colorer_test
