// What the Qt tests share: a private copy of the shipped program folder, and an editor
// environment with the shipped global actions and keys.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "actions/uniActions.h"
#include "actions/uniKeymap.h"
#include "actions/uniMemoActions.h"
#include "actions/uniStdActions.h"
#include "editor/uniMemo.h"
#include "shell/uniConfig.h"
#include "support/testSupport.h"

namespace qt_testing {

// The shipped data/ copied into a temporary folder, so tests may write Storage/.
class TProgramCopy {
public:
    TProgramCopy() {
        std::filesystem::copy(PELMAR_SOURCE_DATA_DIR, dir_.path(),
                              std::filesystem::copy_options::recursive);
    }
    std::string Root() const { return dir_.path().string(); }
    std::string File(std::string_view name) const { return dir_.file(name); }

private:
    testing_support::TempDir dir_;
};

// Settings, global map and keymap of a program folder, as the main window has them.
struct TEditorSetup {
    explicit TEditorSetup(const std::string& root)
        : folder(root), settings(ReadProgramSettings(folder)) {
        global = std::make_unique<TUniActionMap>();
        RegisterStandardActions(*global);
        const TCurrentEditor none = [](TUniAction&) -> TuniAbstractMemo* { return nullptr; };
        LoadGlobalActions(folder, global, keys, none);
    }
    TMemoEnvironment Environment() const {
        return {&folder, &settings.common, &settings.charsetLists, nullptr};
    }

    TConfigFolder folder;
    TProgramSettings settings;
    std::unique_ptr<TUniActionMap> global;
    std::unique_ptr<TUniActionKeymap> keys;
};

// Replaces the editor's lines with `text` split at LF.
inline void SetLines(TuniMemo& memo, std::u16string_view text) {
    TWStringList& list = memo.Lines();
    list.Clear();
    size_t start = 0;
    for (size_t end; (end = text.find(u'\n', start)) != std::u16string_view::npos;
         start = end + 1) {
        list.Add(std::u16string(text.substr(start, end - start)));
    }
    list.Add(std::u16string(text.substr(start)));
}

// Whether any pixel of the rectangle differs from `background`.
inline bool Inked(const QImage& image, const QRect& r, QRgb background) {
    for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), image.height() - 1); ++y) {
        for (int x = std::max(r.left(), 0); x <= std::min(r.right(), image.width() - 1); ++x) {
            if (image.pixel(x, y) != background) {
                return true;
            }
        }
    }
    return false;
}

} // namespace qt_testing
