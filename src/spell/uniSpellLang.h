// The spell-checking languages: the folders under ISpell/, each with an ispell.ini whose
// sections name a language and the speller that checks it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One spell language.
struct TISpellListObj {
    std::string Cmd;       // command line that starts the speller; "%Pelmar%" is the program folder
    std::string Charset;   // the dictionary's 8-bit charset, a name of the charset table list
    std::string Surrogate; // an extra table over the charset one, or "-" for none
    std::string Flag;      // the picture beside the language in the menu
};

// The languages in folder order, then section order; a name seen twice keeps its first entry.
class TSpellLanguages {
public:
    void Clear() { items_.clear(); }
    void Add(std::string name, TISpellListObj language);
    // The language of that name (compared exactly), or null.
    const TISpellListObj* Find(std::string_view name) const;
    const std::vector<std::pair<std::string, TISpellListObj>>& Items() const { return items_; }
    bool Empty() const { return items_.empty(); }

private:
    std::vector<std::pair<std::string, TISpellListObj>> items_;
};

// Reads <programFolder>/ISpell/<folder>/ispell.ini for every subfolder, in name order.
// Missing folders and files give no languages; reading never fails.
TSpellLanguages LoadSpellLanguages(const std::string& programFolder);
