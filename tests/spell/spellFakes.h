// A speller in the test process: a word list, canned replies and a record of the protocol
// lines; and a dialog that answers from a script.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "spell/uniSpellWalk.h"

namespace spell_fakes {

class TFakeSpeller : public TSpellerChannel {
public:
    std::set<std::string> known;                // accepted words
    std::map<std::string, std::string> replies; // a rejected word's reply; default "& w 1 0: x"
    std::vector<std::string> asked;             // word lines, in order
    std::vector<std::string> sent;              // command lines, in order
    int dieAfter = -1;                          // Ask throws after that many answers

    void Send(std::string_view line) override {
        sent.emplace_back(line);
        if (!line.empty() && (line[0] == '@' || line[0] == '*')) {
            known.insert(std::string(line.substr(1)));
        }
    }
    std::string Ask(std::string_view word) override {
        if (dieAfter >= 0 && static_cast<int>(asked.size()) >= dieAfter) {
            throw ESpellError("The speller \"fake\" has ended");
        }
        asked.emplace_back(word);
        const std::string w(word);
        if (known.count(w) != 0) {
            return {};
        }
        if (auto it = replies.find(w); it != replies.end()) {
            return it->second;
        }
        return "& " + w + " 1 0: " + w + "x";
    }
};

// Answers each question with the next scripted answer (Skip when the script has run out)
// and keeps what it was shown, with the selected text at that moment.
class TScriptedDialog final : public TSpellDialogHost {
public:
    std::deque<TSpellAnswer> script;
    std::vector<TSpellQuestion> questions;
    std::vector<std::u16string> selected;

    TSpellAnswer Ask(TuniMemo& memo, const TSpellQuestion& question) override {
        questions.push_back(question);
        selected.push_back(memo.SelectionAsText());
        if (script.empty()) {
            return {TSpellResult::Skip, {}};
        }
        TSpellAnswer answer = script.front();
        script.pop_front();
        return answer;
    }
};

} // namespace spell_fakes
