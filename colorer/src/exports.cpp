// The library's one export: fills the program's function table. Every entry catches
// everything, since nothing may be thrown across the C boundary.
#include <sys/stat.h>

#include <memory>

#include "colorerAbi.h"
#include "grammar.h"
#include "parser.h"
#include "scheme.h"

using colorer::Grammar;
using colorer::Parser;
using colorer::RegionBuffer;
using colorer::Scheme;

struct ColorerGrammar {
    std::unique_ptr<Grammar> grammar;
};
struct ColorerParser {
    Parser parser;
};
struct ColorerStyles {
    Scheme scheme;
};

namespace {

template <class F, class R>
R Guard(F&& body, R fallback) {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

template <class F>
void Guard(F&& body) {
    try {
        body();
    } catch (...) {
    }
}

ColorerGrammar* LoadGrammar(const char* catalogue, void* /*reserved*/) {
    return Guard(
        [&]() -> ColorerGrammar* {
            struct stat info {};
            if (catalogue == nullptr || stat(catalogue, &info) != 0) {
                return nullptr;
            }
            auto handle = std::make_unique<ColorerGrammar>();
            handle->grammar = std::make_unique<Grammar>(catalogue);
            return handle.release();
        },
        static_cast<ColorerGrammar*>(nullptr));
}

void FreeGrammar(ColorerGrammar* grammar) {
    Guard([&] { delete grammar; });
}

const ColorerFileType* EnumFileTypes(ColorerGrammar* grammar, const ColorerFileType* previous) {
    return Guard(
        [&]() -> const ColorerFileType* {
            return grammar != nullptr ? grammar->grammar->Next(previous) : nullptr;
        },
        static_cast<const ColorerFileType*>(nullptr));
}

const ColorerFileType* ChooseFileType(ColorerGrammar* grammar, const char* fileName,
                                      const char* firstLine, void* /*reserved*/) {
    return Guard(
        [&]() -> const ColorerFileType* {
            return grammar != nullptr ? grammar->grammar->Choose(fileName, firstLine) : nullptr;
        },
        static_cast<const ColorerFileType*>(nullptr));
}

void LoadFileType(ColorerGrammar* grammar, const ColorerFileType* type) {
    Guard([&] {
        if (grammar != nullptr && type != nullptr) {
            grammar->grammar->Compile(type);
        }
    });
}

ColorerParser* CreateParser() {
    return Guard([]() -> ColorerParser* { return new ColorerParser(); },
                 static_cast<ColorerParser*>(nullptr));
}

void FreeParser(ColorerParser* parser) {
    Guard([&] { delete parser; });
}

void BreakParse(ColorerParser* parser) {
    if (parser != nullptr) {
        parser->parser.Stop();
    }
}

void Connect(ColorerParser* parser, ColorerLineSource lines, void* /*reserved1*/,
             ColorerOpaqueProc /*passed*/, void* source, void* /*reserved2*/,
             ColorerLineRecord* buffer) {
    Guard([&] {
        if (parser != nullptr) {
            parser->parser.Connect(lines, source, buffer);
        }
    });
}

void SetFileType(ColorerParser* parser, const ColorerFileType* type) {
    Guard([&] {
        if (parser == nullptr) {
            return;
        }
        const colorer::CompiledLanguage* language = nullptr;
        if (type != nullptr) {
            Grammar* grammar = Grammar::RecordOf(type)->grammar;
            language = grammar != nullptr ? grammar->Compile(type) : nullptr;
        }
        parser->parser.SetLanguage(language);
    });
}

int32_t Parse(ColorerParser* parser, int32_t from, int32_t windowFirst, int32_t windowCount,
              int32_t count) {
    return Guard(
        [&]() -> int32_t {
            return parser != nullptr ? parser->parser.Parse(from, windowFirst, windowCount, count)
                                     : from - 1;
        },
        from - 1);
}

int32_t ParseFromTop(ColorerParser* parser, int32_t sameLines, int32_t windowFirst,
                     int32_t windowCount, int32_t count) {
    return Guard(
        [&]() -> int32_t {
            return parser != nullptr
                       ? parser->parser.ParseFromTop(sameLines, windowFirst, windowCount, count)
                       : -1;
        },
        -1);
}

ColorerLineRecord* CreateBuffer(int32_t capacity) {
    return Guard(
        [&]() -> ColorerLineRecord* {
            auto* buffer = new RegionBuffer(capacity);
            RegionBuffer::Register(buffer);
            return buffer->Records();
        },
        static_cast<ColorerLineRecord*>(nullptr));
}

void FreeBuffer(ColorerLineRecord* records) {
    Guard([&] {
        if (RegionBuffer* buffer = RegionBuffer::From(records)) {
            RegionBuffer::Unregister(buffer);
            delete buffer;
        }
    });
}

void ClearBuffer(ColorerLineRecord* records, int32_t windowFirst) {
    Guard([&] {
        if (RegionBuffer* buffer = RegionBuffer::From(records)) {
            buffer->Clear(windowFirst);
        }
    });
}

void ResetBuffer(ColorerLineRecord* /*records*/) {}

void ColourBuffer(ColorerLineRecord* records, ColorerStyles* styles,
                  const ColorerStyle* defaultStyle) {
    Guard([&] {
        RegionBuffer* buffer = RegionBuffer::From(records);
        if (buffer != nullptr && styles != nullptr) {
            styles->scheme.Colour(records, buffer->Capacity(), defaultStyle);
        }
    });
}

ColorerStyles* CreateStyles() {
    return Guard([]() -> ColorerStyles* { return new ColorerStyles(); },
                 static_cast<ColorerStyles*>(nullptr));
}

void FreeStyles(ColorerStyles* styles) {
    Guard([&] { delete styles; });
}

void LoadScheme(ColorerStyles* styles, const char* path) {
    Guard([&] {
        if (styles != nullptr && path != nullptr) {
            styles->scheme.Load(path);
        }
    });
}

ColorerStyle* GetStyle(ColorerStyles* styles, int32_t index) {
    return Guard(
        [&]() -> ColorerStyle* {
            return styles != nullptr ? styles->scheme.Style(index) : nullptr;
        },
        static_cast<ColorerStyle*>(nullptr));
}

void PassedThrough() {}

} // namespace

extern "C" __attribute__((visibility("default"))) int GetColorerProc(ColorerProcs* procs) {
    try {
        if (procs == nullptr || procs->size < sizeof(ColorerProcs)) {
            return 0;
        }
        ColorerProcs table{};
        table.size = procs->size;
        table.loadGrammar = LoadGrammar;
        table.freeGrammar = FreeGrammar;
        table.enumFileTypes = EnumFileTypes;
        table.chooseFileType = ChooseFileType;
        table.loadFileType = LoadFileType;
        table.createParser = CreateParser;
        table.freeParser = FreeParser;
        table.breakParse = BreakParse;
        table.connect = Connect;
        table.setFileType = SetFileType;
        table.parse = Parse;
        table.parseFromTop = ParseFromTop;
        table.createBuffer = CreateBuffer;
        table.freeBuffer = FreeBuffer;
        table.clearBuffer = ClearBuffer;
        table.passedToConnect = PassedThrough;
        table.resetBuffer = ResetBuffer;
        table.colourBuffer = ColourBuffer;
        table.createStyles = CreateStyles;
        table.freeStyles = FreeStyles;
        table.loadScheme = LoadScheme;
        table.getStyle = GetStyle;
        *procs = table;
        return 1;
    } catch (...) {
        return 0;
    }
}
