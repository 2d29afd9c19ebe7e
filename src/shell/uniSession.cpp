// The program's session: settings, code pages, detection, and opening a document.
#include "shell/uniSession.h"

#include "base/uniCodePage.h"
#include "structure/uniStrucParser.h"

// The structure templates are the program folder's: the process-wide parser cache looks
// for them there from now on.
TSession::TSession(const std::string& programFolder) : folder_(programFolder) {
    StrucParserStorage().SetFolder(folder_.Path("Struc"));
}

TSession::~TSession() {
    if (ownsHighlighter_) {
        UnloadHighlighter();
    }
}

void TSession::LoadHighlighting() {
    if (HighlighterLoaded()) {
        return;
    }
    std::string root = folder_.Root();
    if (!root.empty() && root.back() != '/') {
        root.push_back('/');
    }
    ownsHighlighter_ = LoadHighlighter(ReadHighlighterPaths(root));
}

void TSession::LoadSettings() {
    settings_ = ReadProgramSettings(folder_);
    SetAnsiCodePage(settings_.common.ansiCodePage);
    SetOemCodePage(settings_.common.oemCodePage);
    detector_.Load(settings_.charsetLists, folder_.Root());
}

TMemoEnvironment TSession::Environment(const TUniLangTexts* texts) {
    return TMemoEnvironment{&folder_, &settings_.common, &settings_.charsetLists, texts, this};
}

void TSession::PresetEncoding(TuniMemo& memo, const TEncodingChoice& choice) {
    memo.Document().SetEncoding(
        choice.charset.empty() || choice.charset == "-" ? std::string("Default") : choice.charset,
        choice.surrogate.empty() ? std::string("-") : choice.surrogate,
        choice.uniRepr.value_or(urNone));
    memo.Codec().uniReprChosen = choice.uniRepr.has_value();
}

bool TSession::Open(TuniMemo& memo, const std::string& fileName, const TEncodingChoice& choice) {
    PresetEncoding(memo, choice);
    memo.SetFileName(TViewOf::This, fileName);
    return memo.LoadFile();
}

std::optional<TDetectionResult> TSession::ScoreCharsets(const std::string& fileName,
                                                        const std::string& defaultCharset) {
    return detector_.ScoreCharsets(fileName, defaultCharset, &search_);
}

std::optional<std::string> TSession::DetectCharset(const std::string& fileName,
                                                   const std::string& defaultCharset) {
    detection_ = ScoreCharsets(fileName, defaultCharset);
    if (!detection_) {
        return std::nullopt;
    }
    return detection_->charset;
}
