// The word walk of a spell check: the words of the selection or of the rest of the
// document go to the speller one by one, and each rejected word is put to the user.
#pragma once

#include <string>
#include <vector>

#include "editor/uniMemo.h"
#include "spell/uniSpellCheck.h"

// What the spell dialog ends with (its result codes).
enum class TSpellResult {
    None = 0, // closed without a choice: treated as Skip
    Add = 1,
    Quit = 2,
    Skip = 6,
    Replace = 7,
    Accept = 10,
};

// A rejected word, as the dialog shows it. The misspelled part is selected in the editor
// and the caret stands after the word.
struct TSpellQuestion {
    std::u16string word;                     // as the speller saw it
    std::vector<std::u16string> suggestions; // guesses carry a leading ":"
};

struct TSpellAnswer {
    TSpellResult result = TSpellResult::Skip;
    std::u16string replacement; // for Replace
};

// Plays the spell dialog for the walk.
class TSpellDialogHost {
public:
    virtual ~TSpellDialogHost() = default;
    virtual TSpellAnswer Ask(TuniMemo& memo, const TSpellQuestion& question) = 0;
};

// What separates and hides words for the walk: the profile's extra delimiters and its
// ignore pairs (text from a begin text to its end text is never sent).
struct TSpellWords {
    std::u16string delimiters;
    std::vector<TSpellIgnorePair> ignore;
};
// The editor's own, from its file type's profile.
TSpellWords SpellWordsOf(const TuniMemo& memo);

// Checks the selection (when there is one) or the text from the start of the caret's word
// to the end, with the editor's delimiters and spell ignore pairs. A Replace is one undo
// step, and the replacement is checked in turn. At the end the selection is gone and the
// caret stands after the last word examined (no further than the range's end). An
// ESpellError from the speller ends the walk the same way and passes on; the text keeps
// every change made before it.
void SpellCheckDocument(TuniMemo& memo, TSpellChecker& checker, TSpellDialogHost& dialog);
void SpellCheckDocument(TuniMemo& memo, const TSpellWords& words, TSpellChecker& checker,
                        TSpellDialogHost& dialog);
