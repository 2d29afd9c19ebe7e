// A tiny highlighting library inside the test program, behind the same function table as
// the real one: a few fixed rules, a record of every parse, and ways to slow a parse down.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "colorerAbi.h"

namespace fake_colorer {

// Style classes of the fake scheme.
enum : int {
    kText = 1,    // has a background of its own
    kDefault = 2, // has none: the bridge gives it style 1's
    kComment = 3, // "//" to the end of the line, and "/* ... */" across lines
    kKeyword = 4, // the words "if" and "int"
    kPlain = 5,   // the word "none": no colour of its own, underlined
    kPair = 6,    // ( ) { }, as pair regions
};
// The colours the fake scheme gives them (foreground values carry the style flags).
inline constexpr int kTextBackground = 0xFFFFFF;
inline constexpr int kCommentForeground = 0x008000 | COLORER_ITALIC;
inline constexpr int kKeywordForeground = 0xFF0000 | COLORER_BOLD;
inline constexpr int kPlainForeground = 0x10000000 | COLORER_UNDERLINE;
inline constexpr int kPairForeground = 0x0000FF;
inline constexpr int kPairBackground = 0x00FFFF;

struct TParseCall {
    int from = 0;
    int windowFirst = 0;
    int windowCount = 0;
    int count = 0;
    bool mainThread = true;
    bool stopped = false;           // ended early on a stop request
    int sameLines = -1;             // a parse from the top: the unchanged lines it was told
    std::vector<std::string> lines; // the lines it read, in order
};

// Forgets every record and returns to the default scheme and speed. Call it from the
// thread that counts as the main one.
void Reset();
// The library's export.
int GetProcs(ColorerProcs* procs);

std::vector<TParseCall> ParseCalls();
int ParseCount();
// Calls of the stop request.
int BreakCount();
// Parsers and buffers not freed yet.
int LiveObjects();
// A parse tried to fill a record beyond the buffer's capacity.
bool Overflowed();
std::string GrammarPath();
std::string SchemePath();
// Schemes loaded so far.
int SchemeLoads();
// The background of the default style the last colouring was given (-2: none given).
int DefaultBackgroundSeen();

// The next grammar load fails.
void FailGrammar();
// Changes style `index`'s colours (as a new scheme file would).
void SetStyleForeground(int index, int foreground);
// Called by a parse before each line it reads, on the parse's thread.
void SetLineHook(std::function<void(int line)> hook);

} // namespace fake_colorer
