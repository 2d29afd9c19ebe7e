// The program's command line: splitting a handed-over command text into arguments, the
// files it names with their encoding options, and the --help / --version requests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits a command line given as one text (the single-instance hand-over) into its
// arguments, the program first. Codes 1 to 32 separate arguments; a double quote starts or
// ends a quoted stretch that may hold blanks, and is itself dropped; pairs of double quotes
// at the start of an argument are skipped (so "" alone is no argument); an argument keeps
// at most 4096 bytes, cut before a UTF-8 character that would not fit whole. A NUL ends the
// text.
std::vector<std::string> SplitCommandLine(std::string_view line);

// One file of the command line with its options. `charset` is never empty ("Default" when
// none was given); `surrogate` is empty when none was given; `uniRepr` 0, 1 or 2.
struct TCommandLineFile {
    std::string fileName;
    std::string charset;
    std::string surrogate;
    int uniRepr = 0;

    bool operator==(const TCommandLineFile&) const = default;
};

// The files named by the arguments after the program. An argument beginning with "-" is an
// option of the file before it (one before any file is ignored); "--" ends the options, so
// every later argument is a file, even one beginning with "-". "-HTML" and "-HEX" (any
// case) set the representation to 1 or 2; the first other option is the charset ("-" alone
// gives "Default"), later ones the surrogate, the last one winning. The charset starts
// afresh for every file; the representation and the surrogate carry over to later files.
//
// The start-up hands argv over as it is, with no quoting round trip through a command
// text, so a file name that holds a double quote reaches the file system unchanged. The
// hand-over to a running instance carries the arguments as a list as well.
std::vector<TCommandLineFile> ParseCommandArguments(const std::vector<std::string>& args);

// Takes "--new-instance" (before any "--") out of the arguments; true when it was there.
bool TakeNewInstanceFlag(std::vector<std::string>& args);

// The arguments without the toolkit's own options ("-platform NAME", "-display NAME",
// "-reverse", ...), which the toolkit takes out of the start-up's arguments itself: a
// command line handed to a running editor is read as that start would read it.
std::vector<std::string> WithoutToolkitOptions(const std::vector<std::string>& args);

enum class TInfoRequest { None, Help, Version };

// Whether the arguments after the program ask for the usage ("--help", "-h") or the
// version ("--version"); the first such argument before "--" decides.
TInfoRequest InfoRequest(const std::vector<std::string>& args);

// The usage text for --help, ending in a line break.
std::string HelpText();
// "Pelmar " + version + "\n".
std::string VersionText(std::string_view version);
