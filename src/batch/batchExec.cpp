// pelmar-batch's --exec.
#include "batch/batchExec.h"

#include "actions/uniMemoActions.h"
#include "actions/uniStdActions.h"
#include "base/uniIni.h"
#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"
#include "editor/uniMemo.h"

void ExecMacro(TuniMemo& editor, const TConfigFolder& folder, const std::string& macro,
               std::ostream& err) {
    const TCurrentEditor toEditor = [&editor](TUniAction&) -> TuniAbstractMemo* { return &editor; };
    // No main window here: its commands stay unknown.
    std::unique_ptr<TUniActionMap> global = std::make_unique<TUniActionMap>();
    RegisterStandardActions(*global);
    RegisterInsertDateTime(*global, toEditor);
    LoadActions(TIniFile(folder.ActionsIni()), "*", global, nullptr, toEditor);

    const std::u16string text = DecodeNumericRefs(DecodeUtf8(macro), TRefForms::AmpersandOrDollar);
    TParsedMacro parsed = ParseMacro(text, *global, toEditor);
    for (const std::string& word : parsed.unresolved) {
        err << "pelmar-batch: --exec: \"" << word << "\" names no action; typed as text\n";
    }
    if (parsed.Action() == nullptr) {
        return;
    }
    editor.BeginCommand();
    ExecuteAction(editor, *parsed.Action());
    // As an unshifted key: a macro that moved the caret leaves no selection.
    if (editor.CaretMoved()) {
        editor.CollapseSelection();
    }
    editor.UpdateView();
}
