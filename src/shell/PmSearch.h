// What the main window's search commands decide without the toolkit: the histories kept in
// the settings storage, the go-to-line box's rules and its list, and the status texts that
// tell where a search stands.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/uniMemo.h"

class TPelmarStorage;

// The search and replace histories from the storage items "SearchHistory" and
// "ReplaceHistory" (a missing item leaves its list as it is), and back. Saving replaces each
// file atomically, so a session that dies while writing leaves the previous lists whole.
// Input/output errors raise EInOutError.
void LoadSearchHistories(TPelmarStorage& storage);
void SaveSearchHistories(TPelmarStorage& storage);

// The last search command, which Search again and Search back repeat.
enum class TLastSearch { None, Search, Replace };

// The go-to-line box takes the digits 0-9, Backspace, Enter and Escape; nothing else.
bool GotoKeyAccepted(char16_t c);
// The box's items after OK with `text`: moved to the end, appended when new. Empty text
// leaves them as they are.
void AddGotoItem(std::vector<std::u16string>& items, std::u16string_view text);
// The 1-based line number the box's text names; nullopt when it names none (empty, or too
// large to be a line).
std::optional<int> GotoLineNumber(std::u16string_view text);

// The status texts of a search. `of` is the language's word between the two numbers.
// "3 of 17"; "3 of 1000+" when counting stopped early; "? of 1000+" when it stopped before
// reaching the match.
std::u16string MatchCountText(const TuniMemo::TMatchCount& count, std::u16string_view of);

// How many matches a status count looks at, and how much text it reads, at most: enough
// for any hand-edited file, little enough that a count never holds up the window.
inline constexpr int kMatchCountLimit = 10000;
inline constexpr std::int64_t kMatchCountBudget = 16 * 1024 * 1024;
