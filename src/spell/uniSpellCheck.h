// Asking the speller about words: the conversion to the dictionary's charset, the reply
// parsing and the suggestion list; and the speller kept for a spell language.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profile/uniProfile.h"
#include "spell/uniSpellLang.h"
#include "spell/uniSpeller.h"
#include "text/uniConvTable.h"

// The speller's verdict on a word.
struct TSpellVerdict {
    bool misspelled = false;
    // The rejected part: `offset` code units into the word sent, `length` long.
    int offset = 0;
    int length = 0;
    // The word as the speller saw it (what the dialog shows and Add or Accept send).
    std::u16string word;
};

// The speller's protocol over a channel, with the conversion table of the dictionary's
// charset. Words go out through the table and the ANSI page (or UTF-8 when the table is
// named so); a character that cannot be written in the dictionary's charset goes out as a
// decimal reference.
class TSpellChecker {
public:
    explicit TSpellChecker(TSpellerChannel& speller) : speller_(speller) {}

    TConvTable& Table() { return table_; }
    const TConvTable& Table() const { return table_; }
    // Clears the table, names it after the language's charset and loads the charset's and
    // the surrogate's table files from the `Ini` folder when the lists name them.
    void PrepareTable(const TISpellListObj& language, const TCharsetLists& lists,
                      const TConfigFolder& folder);

    // Text to and from the dictionary's charset.
    std::string Encode(std::u16string_view text) const;
    std::u16string Decode(std::string_view bytes) const;

    // Sends a protocol line with no reply (the text is converted first).
    void SendToSpeller(std::u16string_view text);
    TSpellVerdict CheckWord(std::u16string_view word);
    // The suggestions of the last reply, the speller's guesses (after its count of near
    // misses) marked with a leading ":"; empty for a reply without any. No value when the
    // reply announces suggestions but lists none (no colon): the dialog is not shown then.
    std::optional<std::vector<std::u16string>> Suggestions() const;
    const std::string& LastReply() const { return lastReply_; }

    // Accept: the speller takes the word until it is restarted.
    void Accept(std::u16string_view word) { SendToSpeller(u"@" + std::u16string(word)); }
    // Add: the word goes into the personal dictionary, which is saved at once.
    void Add(std::u16string_view word);

private:
    TSpellerChannel& speller_;
    TConvTable table_;
    std::string lastReply_;
};

// The speller of the main window (or of a batch run): started for a spell language when a
// check needs it, kept running for the next check, stopped when the language changes.
class TSpellSession {
public:
    TSpellSession();
    ~TSpellSession();
    TSpellSession(const TSpellSession&) = delete;
    TSpellSession& operator=(const TSpellSession&) = delete;

    // The checker for `name`, starting the speller when it is not running or runs for
    // another language; null when `languages` has no such language. Throws ESpellError
    // when the speller cannot start.
    TSpellChecker* Prepare(const std::string& name, const TSpellLanguages& languages,
                           const TCharsetLists& lists, const TConfigFolder& folder);
    void Stop();
    bool Running() const { return process_->Running(); }
    const std::string& Language() const { return language_; }
    TSpellerProcess& Process() { return *process_; }

private:
    std::unique_ptr<TSpellerProcess> process_;
    std::unique_ptr<TSpellChecker> checker_;
    std::string language_;
};
