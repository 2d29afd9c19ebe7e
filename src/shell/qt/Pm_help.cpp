// The main window's help command: the user manual of the interface language, opened with
// the desktop's handler for HTML files.
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "platform/qt/qtConvert.h"
#include "shell/ProgramFolder.h"
#include "shell/qt/Pm.h"
#include "widgets/uniMsgDlg.h"

namespace {

// Each language has its manual in a folder named like its language file.
constexpr std::string_view kFallbackLanguage = "english";

std::function<bool(const QString&)>& HelpOpener() {
    static std::function<bool(const QString&)> opener;
    return opener;
}

std::string ManualOf(const TConfigFolder& folder, std::string_view language) {
    return folder.Path("Help/" + std::string(language) + "/index.html");
}

bool IsFile(const std::string& path) {
    return QFileInfo(QStringFromFileName(path)).isFile();
}

} // namespace

void TPMMainForm::SetHelpOpener(std::function<bool(const QString&)> opener) {
    HelpOpener() = std::move(opener);
}

std::string TPMMainForm::HelpFile() const {
    // A per-user program folder seeded by an older version has no manual: the installed
    // copy's serves then.
    std::vector<TConfigFolder> folders{Folder()};
    if (const std::string installed = InstalledDataFolder(); installed != Folder().Root()) {
        folders.emplace_back(installed);
    }
    const std::string& language = session_.Settings().languages.defaultName;
    for (const std::string_view wanted : {std::string_view(language), kFallbackLanguage}) {
        if (wanted.empty()) {
            continue;
        }
        for (const TConfigFolder& folder : folders) {
            if (std::string file = ManualOf(folder, wanted); IsFile(file)) {
                return file;
            }
        }
    }
    return {};
}

void TPMMainForm::OpenHelp() {
    const std::string file = HelpFile();
    if (file.empty()) {
        // Pressing F1 and seeing nothing would leave the user guessing: name the file the
        // interface language asks for.
        const std::string& language = session_.Settings().languages.defaultName;
        const std::string wanted =
            ManualOf(Folder(), language.empty() ? kFallbackLanguage : std::string_view(language));
        UniMessageDlg(this, Format("Messages", "NoHelpMsg", QStringFromFileName(wanted)),
                      TMsgDlgType::Warning, TMsgDlgBtn::OK);
        return;
    }
    const QString path = QStringFromFileName(file);
    const bool opened =
        HelpOpener() ? HelpOpener()(path) : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    if (!opened) {
        UniMessageDlg(this, Format("Messages", "HelpOpenMsg", path), TMsgDlgType::Warning,
                      TMsgDlgBtn::OK);
    }
}
