// Loads the real highlighting library from the program folder and drives it the way the
// bridge does: a line source over a vector of strings, a buffer, a parse, colours.
#pragma once

#include <dlfcn.h>

#include <map>
#include <string>
#include <vector>

#include "colorerAbi.h"

namespace colorer_test {

inline const std::string kProgramDir = PELMAR_PROGRAM_DIR;
inline const std::string kCatalogue = kProgramDir + "/Colorer/hrc/colorer.hrc";
inline const std::string kScheme = kProgramDir + "/Colorer/hrc/assigns/rgb/default.hrd";

// The library, its table, one grammar and one scheme for the whole test program.
class Library {
public:
    static Library& Get();
    [[nodiscard]] bool Ok() const { return grammar != nullptr && styles != nullptr; }
    const ColorerFileType* Type(const std::string& name) const;
    // The scheme's class name for a style index ("?" when unknown).
    std::string ClassName(int32_t index) const;

    void* handle = nullptr;
    ColorerProcs procs{};
    ColorerGrammar* grammar = nullptr;
    ColorerStyles* styles = nullptr;

private:
    Library();
    std::map<int32_t, std::string> classNames_;
};

struct Region {
    int32_t line, start, end, style, kind;
};

// One document: its lines, a parser connected to them and a buffer.
class Document {
public:
    Document(std::vector<std::string> lines, const ColorerFileType* type, int32_t capacity);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Prepares the buffer for `windowFirst`, parses and colours; returns the last line parsed.
    int32_t Parse(int32_t from, int32_t windowFirst, int32_t windowCount, int32_t count);
    // The same through the parse from the top.
    int32_t ParseFromTop(int32_t sameLines, int32_t windowFirst, int32_t windowCount,
                         int32_t count);
    // Lines the parser has read so far.
    int64_t reads() const { return reads_; }
    // The regions of a line of the window last parsed.
    std::vector<Region> Regions(int32_t line) const;
    // "start-end class" of each region of a line, pairs marked "(" or ")".
    std::string Describe(int32_t line) const;
    ColorerParser* parser() const { return parser_; }
    ColorerLineRecord* buffer() const { return buffer_; }
    std::vector<std::string>& lines() { return lines_; }

private:
    static const char* Source(void* source, void* unused, int32_t line, int32_t* length);
    template <class F>
    int32_t ParseWindow(int32_t windowFirst, F&& parse);

    std::vector<std::string> lines_;
    ColorerParser* parser_ = nullptr;
    ColorerLineRecord* buffer_ = nullptr;
    int32_t capacity_ = 0;
    int32_t windowFirst_ = 0;
    int64_t reads_ = 0;
};

std::vector<std::string> ReadLines(const std::string& path);

} // namespace colorer_test
