// The speller: a child process spoken to in the ispell pipe protocol ("-a" mode, terse
// replies), one word a line out and one reply in.
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/types.h>

// A speller that cannot start, stops answering or dies. The message names the program and
// says why; the word walk that meets one ends and leaves the text as it was.
class ESpellError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the word walk needs of a speller: protocol lines out, reply lines in (8-bit, in the
// dictionary's charset). Tests put a fake speller behind it.
class TSpellerChannel {
public:
    virtual ~TSpellerChannel() = default;
    // Writes one protocol line (a command such as "*word"; the line end is added) that has
    // no reply.
    virtual void Send(std::string_view line) = 0;
    // Writes one word line and returns the reply to it: the first line of the reply, or
    // empty when the speller had nothing to say (a correct word in terse mode).
    virtual std::string Ask(std::string_view word) = 0;
};

// The speller process. Started without a shell: the command line is split into arguments
// and its first word is the program (looked up on PATH when it names no folder). When the
// first word names a folder, that folder is the child's working folder and its HOME, so a
// speller keeps its personal dictionary beside itself; the editor's own environment is
// never changed. A program named without a folder keeps the editor's folder and HOME.
class TSpellerProcess final : public TSpellerChannel {
public:
    TSpellerProcess() = default;
    ~TSpellerProcess() override;
    // Owns a child process and its pipes: copies would share them.
    TSpellerProcess(const TSpellerProcess&) = delete;
    TSpellerProcess& operator=(const TSpellerProcess&) = delete;

    // Starts the speller and reads its greeting line, then switches it to terse replies.
    // "%Pelmar%" in the command line is replaced by `programFolder`. Throws ESpellError
    // (naming the program, with what it wrote to its error output) when it cannot start,
    // ends before greeting or does not greet within the timeout.
    void Start(const std::string& commandLine, const std::string& programFolder);
    // Ends the speller's input, waits a moment for it to save and leave, then ends it.
    // Nothing when it is not running.
    void Stop();
    bool Running() const { return pid_ > 0; }
    // The program as the command line names it (for messages).
    const std::string& Program() const { return program_; }

    // Any failure to write or read stops the speller and throws ESpellError.
    void Send(std::string_view line) override;
    std::string Ask(std::string_view word) override;

    // How long a reply may take (a large dictionary loads before the greeting).
    void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

private:
    void Write(std::string_view bytes);
    // One line without its end (CR LF or LF); throws when the speller ends or is silent.
    std::string ReadLine();
    // Reads what the error output holds now, without waiting.
    void DrainErrors();
    [[noreturn]] void Fail(const std::string& why);
    void CloseAll();

    pid_t pid_ = -1;
    int input_ = -1;        // the speller's standard input (our write end)
    int output_ = -1;       // its standard output (our read end)
    int errors_ = -1;       // its standard error (our read end)
    std::string pending_;   // bytes read past the last line handed out
    std::string errorText_; // the start of what the speller wrote to its error output
    std::string program_;
    std::chrono::milliseconds timeout_{15000};
};
