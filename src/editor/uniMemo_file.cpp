// The file-type profile, and loading and saving the document through the codec.
#include <algorithm>

#include "base/uniAscii.h"
#include "base/uniIni.h"
#include "base/uniUtf8.h"
#include "editor/uniMemo.h"

namespace {

constexpr std::u16string_view kErrorCaption = u"Error";

std::u16string WideText(const std::string& text) {
    return DecodeUtf8(text); // the system's error texts are UTF-8
}

} // namespace

std::string TuniMemo::ProfileType() const {
    return ProfileTypeFor(FileName(), FileName().empty() ? templateExt_ : std::string(),
                          std::nullopt)
        .extension;
}

void TuniMemo::ApplyProfile(const std::string& type, const std::string& colorerType) {
    settings_.substTables.clear();
    settings_.keyTables.clear();
    if (environment_.folder == nullptr || environment_.common == nullptr) {
        return;
    }
    const TCommonSettings& common = *environment_.common;
    // Unless the user chose it, the highlighter picks the type when the defaults ("*")
    // switch it on; a type section may still switch it off or on below.
    std::string highlighterType = colorerType;
    if (highlighterType.empty() && !colorerForced_ && HighlighterLoaded()) {
        const TFileProfile defaults =
            LoadFileProfile(TIniFile(environment_.folder->FilesIni()), TProfileType{}, common)
                .profile;
        SetColorerEnabled(defaults.useColorer.value_or(settings_.useColorer));
        highlighterType = ChooseColorerType();
    }
    TProfileType profileType{type, LowerAscii(highlighterType)};
    if (profileType.highlighter == "default" && !type.empty()) {
        profileType.highlighter.clear(); // the fallback type leaves the choice to the extension
    }
    const TDocumentConfig config = LoadDocumentConfig(*environment_.folder, profileType, common);
    const TFileProfile& p = config.profile;
    settings_.highlightMode = p.highlightMode;
    highlightLine_ = p.highlightLine.value_or(highlightLine_);
    highlightColumn_ = p.highlightColumn.value_or(highlightColumn_);
    if (p.tabSize) {
        SetTabSize(*p.tabSize);
    }
    settings_.useColorer = p.useColorer.value_or(settings_.useColorer);
    if (settings_.useColorer != (colorer_ != nullptr)) {
        SetColorerEnabled(settings_.useColorer);
        if (colorer_ != nullptr && colorerType.empty()) {
            ChooseColorerType();
        }
    }
    settings_.backLines = p.backLines;
    settings_.delimiters = p.delimiters;
    settings_.upperCase = p.upperCase;
    settings_.lowerCase = p.lowerCase;
    settings_.kbd1 = p.kbd1;
    settings_.kbd2 = p.kbd2;
    settings_.substTables = p.subst;
    settings_.keyTables = p.keys;
    settings_.autoIndent = p.autoIndent;
    Codec().profile = p.CodecProfile();
    if (p.wrap) {
        SetWordWrap(*p.wrap);
    }
    const std::u16string fontName = p.fontName.value_or(settings_.fontName);
    const int fontSize = p.fontSize.value_or(settings_.fontSize);
    if (fontName != settings_.fontName || fontSize != settings_.fontSize) {
        settings_.fontName = fontName;
        settings_.fontSize = fontSize;
        if (platform_.window != nullptr) {
            platform_.window->SelectFont(fontName, fontSize);
        }
        MeasureFont();
    }
    settings_.textColor = common.textColor;
    settings_.backgroundColor = common.backgroundColor;
    settings_.highlightColor = common.highlightColor;
    settings_.gutterWidth = singleLine_ ? 0 : common.gutterWidth;
    settings_.spellLanguage = p.spellLanguage.value_or(settings_.spellLanguage);
    settings_.spellIgnore = p.SpellIgnorePairs();
    substitutions_->Clear();
    config.substitutions.AddTo(*substitutions_);
    BuildSubstitutionKeys(config.substitutions);
    settings_.indent = config.indent;
    listeners_.TellAll([&](TMemoListener& l) { l.ProfileApplied(*this, config); });
    fullRepaint_ = repaint_ = layoutDirty_ = true;
}

void TuniMemo::OpenFile(const std::string& fileName) {
    document_->SetFileName(fileName);
    loadPending_ = true;
    pendingGoto_.reset();
    if (platform_.queue == nullptr) {
        LoadFile();
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    platform_.queue->Post([this, alive] {
        if (auto living = alive.lock(); living && *living) {
            LoadFile();
        }
    });
}

bool TuniMemo::LoadFile() {
    loading_ = true;
    if (platform_.busyCursor != nullptr) {
        platform_.busyCursor->SetBusy(true);
    }
    ResetPositions();
    const TCodecResult result = document_->Load(*this, this);
    loading_ = false;
    loadPending_ = false;
    if (platform_.busyCursor != nullptr) {
        platform_.busyCursor->SetBusy(false);
    }
    if (result.ok) {
        SetModified(false);
    } else if (platform_.messages != nullptr) {
        platform_.messages->ShowMessage(kErrorCaption, WideText(result.error), TMessageKind::Error);
    }
    fullRepaint_ = repaint_ = layoutDirty_ = true;
    const TPoint target = pendingGoto_.value_or(TPoint{0, 0});
    pendingGoto_.reset();
    GotoPosition(target.X, target.Y);
    RaiseCaret(true);
    return result.ok;
}

bool TuniMemo::SaveToFile(const std::string& fileName, TSaveOptions options) {
    const std::string target = fileName.empty() ? FileName() : fileName;
    if (target.empty()) {
        return false;
    }
    if (platform_.busyCursor != nullptr) {
        platform_.busyCursor->SetBusy(true);
    }
    lastSave_ = document_->Save(target, options, *this, this);
    const TCodecResult& result = lastSave_;
    if (platform_.busyCursor != nullptr) {
        platform_.busyCursor->SetBusy(false);
    }
    if (!result.ok) {
        if (platform_.messages != nullptr && !result.readOnly) {
            const std::u16string text = WideText(result.error);
            platform_.messages->ShowMessage(text, text, TMessageKind::Error);
        }
        return false;
    }
    SetModified(false);
    return true;
}

// --- what loads and saves report ----------------------------------------------------------

void TuniMemo::ProfileDue() {
    ApplyProfile(ProfileType());
}

std::optional<std::string> TuniMemo::DetectCharset(const std::string& fileName) {
    if (environment_.detection == nullptr) {
        return std::nullopt;
    }
    return environment_.detection->DetectCharset(fileName, Codec().profile.defaultCharset);
}

void TuniMemo::LinesLoaded(const TLoadProgress& progress) {
    if (progress.lines == kLoadFirstLines && platform_.window != nullptr) {
        platform_.window->Invalidate(); // the first lines show at once
    }
    // The watchers hear of the progress after this (TDocument::Load).
    if (progress.lines % kLoadProgressEvery == 0 && platform_.window != nullptr) {
        platform_.window->ProcessPendingPaint();
    }
    if (progress.lines == kLoadScrollRangeLines) {
        SetScrollBars();
    }
}

void TuniMemo::LinesSaved(int /*count*/, int /*index*/) {
    if (platform_.window != nullptr) {
        platform_.window->ProcessPendingPaint();
    }
}
