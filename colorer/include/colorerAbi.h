/* The highlighting library's interface: the function table a program fills by calling
 * GetColorerProc, and the records the library hands out and the program reads directly.
 * Plain C: the library and the program may be built apart, and nothing is thrown across.
 *
 * The table's entries stand in a fixed order of 40 slots; a program uses only some of
 * them, and the others stay reserved. Handles are opaque pointers. */
#ifndef COLORER_ABI_H
#define COLORER_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ColorerGrammar ColorerGrammar; /* the catalogue of languages */
typedef struct ColorerParser ColorerParser;   /* one document's parser */
typedef struct ColorerStyles ColorerStyles;   /* the colour scheme */

/* A file type: the title lists it, the short name names its profile and templates.
 * The type named "default" is the fallback. */
typedef struct ColorerFileType {
    const char* title;
    const char* name;
} ColorerFileType;

/* A style class of the scheme. Colours: low 24 bits, red in the lowest byte. */
typedef struct ColorerStyle {
    int32_t foreground;    /* with the style flags in bits 24..27 */
    uint8_t hasForeground; /* non-zero: the style has its own foreground */
    uint8_t hasBackground; /* non-zero: the style has its own background */
    uint16_t reserved;
    int32_t background;
} ColorerStyle;

/* Region kinds besides the ordinary ones. */
#define COLORER_PAIR_START 256
#define COLORER_PAIR_END 257

/* Style flags in a foreground value; any of bits 28..31 set means "no colour". */
#define COLORER_BOLD (1 << 24)
#define COLORER_ITALIC (1 << 25)
#define COLORER_UNDERLINE (1 << 26)
#define COLORER_STRIKEOUT (1 << 27)
#define COLORER_NO_COLOUR_MASK ((int32_t)0xF0000000u)

/* A coloured stretch of one line. */
typedef struct ColorerRegion {
    int32_t style;      /* the style class, an index of the scheme */
    int32_t foreground; /* -1 = none */
    int32_t background; /* -1 = none */
    int32_t kind;       /* COLORER_PAIR_START, COLORER_PAIR_END, or ordinary */
    int32_t start;      /* first column, 0-based */
    int32_t end;        /* first column after it; -1 = to the end of the line */
    struct ColorerRegion* next;
    struct ColorerRegion* prev;
} ColorerRegion;

/* The region buffer is an array of these. Record 0 is the header: its windowFirstLine is
 * the first line of the window last prepared. Record k (k >= 1) holds the regions of line
 * windowFirstLine + k - 1, in order of their start. */
typedef struct ColorerLineRecord {
    int32_t windowFirstLine;
    int32_t reserved;
    ColorerRegion* first;
    ColorerRegion* last;
} ColorerLineRecord;

/* The program's lines, one byte per character: for a line index below the line count it
 * stores the length and returns the characters (valid until that line changes); beyond
 * the last line it stores 0 and returns NULL. */
typedef const char* (*ColorerLineSource)(void* source, void* unused, int32_t line, int32_t* length);

/* Passed through the table and back to the library uncalled by the program. */
typedef void (*ColorerOpaqueProc)(void);

typedef ColorerGrammar* (*ColorerLoadGrammarProc)(const char* catalogue, void* reserved);
typedef void (*ColorerFreeGrammarProc)(ColorerGrammar* grammar);
typedef const ColorerFileType* (*ColorerEnumFileTypesProc)(ColorerGrammar* grammar,
                                                           const ColorerFileType* previous);
typedef const ColorerFileType* (*ColorerChooseFileTypeProc)(ColorerGrammar* grammar,
                                                            const char* fileName,
                                                            const char* firstLine, void* reserved);
typedef void (*ColorerLoadFileTypeProc)(ColorerGrammar* grammar, const ColorerFileType* type);
typedef ColorerParser* (*ColorerCreateParserProc)(void);
typedef void (*ColorerFreeParserProc)(ColorerParser* parser);
typedef void (*ColorerBreakParseProc)(ColorerParser* parser);
typedef void (*ColorerConnectProc)(ColorerParser* parser, ColorerLineSource lines, void* reserved1,
                                   ColorerOpaqueProc passed, void* source, void* reserved2,
                                   ColorerLineRecord* buffer);
typedef void (*ColorerSetFileTypeProc)(ColorerParser* parser, const ColorerFileType* type);
/* Parses `count` lines from `from`, filling the records of the window that starts at
 * `windowFirst` and holds `windowCount` lines; returns the last line parsed. */
typedef int32_t (*ColorerParseProc)(ColorerParser* parser, int32_t from, int32_t windowFirst,
                                    int32_t windowCount, int32_t count);
/* Parses from line 0 through line `count` - 1 as parse(parser, 0, windowFirst, windowCount,
 * count) would, but may begin at a state an earlier call of this entry kept: it keeps the
 * state at the start of every few lines it passes. `sameLines` says how many lines at the
 * top have not changed since the last call of this entry (0: any may have; the first call
 * may pass anything); the states kept below them hold, the others are dropped. Returns the
 * last line parsed. */
typedef int32_t (*ColorerParseFromTopProc)(ColorerParser* parser, int32_t sameLines,
                                           int32_t windowFirst, int32_t windowCount, int32_t count);
typedef ColorerLineRecord* (*ColorerCreateBufferProc)(int32_t capacity);
typedef void (*ColorerFreeBufferProc)(ColorerLineRecord* buffer);
typedef void (*ColorerClearBufferProc)(ColorerLineRecord* buffer, int32_t windowFirst);
typedef void (*ColorerResetBufferProc)(ColorerLineRecord* buffer);
typedef void (*ColorerColourBufferProc)(ColorerLineRecord* buffer, ColorerStyles* styles,
                                        const ColorerStyle* defaultStyle);
typedef ColorerStyles* (*ColorerCreateStylesProc)(void);
typedef void (*ColorerFreeStylesProc)(ColorerStyles* styles);
typedef void (*ColorerLoadSchemeProc)(ColorerStyles* styles, const char* path);
typedef ColorerStyle* (*ColorerGetStyleProc)(ColorerStyles* styles, int32_t index);

typedef void* ColorerReservedSlot;

typedef struct ColorerProcs {
    uint32_t size; /* set by the program to sizeof(ColorerProcs) before the call */
    ColorerLoadGrammarProc loadGrammar;       /* slot 0 */
    ColorerReservedSlot reserved1;            /* slot 1 */
    ColorerFreeGrammarProc freeGrammar;       /* slot 2 */
    ColorerReservedSlot reserved3;            /* slot 3 */
    ColorerEnumFileTypesProc enumFileTypes;   /* slot 4 */
    ColorerChooseFileTypeProc chooseFileType; /* slot 5 */
    ColorerLoadFileTypeProc loadFileType;     /* slot 6 */
    ColorerReservedSlot reserved7;            /* slot 7 */
    ColorerReservedSlot reserved8;            /* slot 8 */
    ColorerCreateParserProc createParser;     /* slot 9 */
    ColorerFreeParserProc freeParser;         /* slot 10 */
    ColorerReservedSlot reserved11;           /* slot 11 */
    ColorerBreakParseProc breakParse;         /* slot 12 */
    ColorerConnectProc connect;               /* slot 13 */
    ColorerSetFileTypeProc setFileType;       /* slot 14 */
    ColorerReservedSlot reserved15;           /* slot 15 */
    ColorerParseProc parse;                   /* slot 16 */
    ColorerCreateBufferProc createBuffer;     /* slot 17 */
    ColorerFreeBufferProc freeBuffer;         /* slot 18 */
    ColorerClearBufferProc clearBuffer;       /* slot 19 */
    ColorerOpaqueProc passedToConnect;        /* slot 20 */
    ColorerResetBufferProc resetBuffer;       /* slot 21 */
    ColorerColourBufferProc colourBuffer;     /* slot 22 */
    ColorerReservedSlot reserved23;           /* slot 23 */
    ColorerCreateStylesProc createStyles;     /* slot 24 */
    ColorerFreeStylesProc freeStyles;         /* slot 25 */
    ColorerLoadSchemeProc loadScheme;         /* slot 26 */
    ColorerReservedSlot reserved27;           /* slot 27 */
    ColorerGetStyleProc getStyle;             /* slot 28 */
    ColorerParseFromTopProc parseFromTop;     /* slot 29 */
    ColorerReservedSlot reserved30[10];       /* slots 30..39 */
} ColorerProcs;

#define COLORER_SLOT_COUNT 40
/* The export's name and type: fills the table, returns non-zero on success. */
#define COLORER_GET_PROCS_NAME "GetColorerProc"
typedef int (*ColorerGetProcsProc)(ColorerProcs* procs);

#ifdef __cplusplus
}
#endif

#endif /* COLORER_ABI_H */
