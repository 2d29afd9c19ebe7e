// pelmar-batch's --exec: a macro text run on the document as a key bound to it would run.
#pragma once

#include <ostream>
#include <string>

class TConfigFolder;
class TuniMemo;

// Runs `macro` (UTF-8; "&#" and "$#" references decoded, as in actions.ini) on the editor
// through the global action map: the standard actions, InsertDateTime and section "*" of
// the folder's actions.ini. Undone in one step when it has several items. A word that
// names no action is typed as text, as in any macro, and noted on `err`. Editor commands
// that fail throw.
void ExecMacro(TuniMemo& editor, const TConfigFolder& folder, const std::string& macro,
               std::ostream& err);
