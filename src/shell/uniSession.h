// What the editor's main window and pelmar-batch set up once for all their documents: the
// program folder and its settings, the code pages, charset detection, and the encoding a
// document is opened with.
#pragma once

#include <optional>
#include <string>

#include "detect/uniDetect.h"
#include "editor/uniMemo.h"
#include "search/uniSearch.h"
#include "shell/uniConfig.h"
#include "text/uniCodec.h"

class TUniLangTexts;

// The encoding a document is opened with, as a command line, a file dialog or a reload
// names it.
struct TEncodingChoice {
    // Empty or "-": "Default", the file type's profile and detection decide.
    std::string charset;
    // Empty: "-", none.
    std::string surrogate;
    // Set: asked for explicitly, so it wins over the profile's default.
    std::optional<TUniRepr> uniRepr;
};

// Owns the settings its editors borrow through Environment(), so it outlives them.
class TSession final : private TCharsetDetection {
public:
    explicit TSession(const std::string& programFolder);
    // Unloads the highlighting library when this session loaded it: its editors are gone.
    ~TSession();
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    const TConfigFolder& Folder() const { return folder_; }
    const TProgramSettings& Settings() const { return settings_; }
    TProgramSettings& Settings() { return settings_; }

    // Reads Ini/pelmar.ini and the charset lists, sets the program's code pages and loads
    // the detection rules: at start-up and whenever the settings are read again.
    void LoadSettings();

    // Loads the highlighting library the settings name, once for the program's run (a
    // library that is missing or refuses leaves every document uncoloured, quietly).
    void LoadHighlighting();

    // What an editor of this session borrows; `texts` null: the built-in English texts.
    TMemoEnvironment Environment(const TUniLangTexts* texts);

    // Sets the encoding a document is loaded with (before its load).
    static void PresetEncoding(TuniMemo& memo, const TEncodingChoice& choice);
    // Presets the encoding, names the file and loads it with its profile.
    static bool Open(TuniMemo& memo, const std::string& fileName, const TEncodingChoice& choice);

    // The scores of the last detection a load asked for; none when no load detected.
    const std::optional<TDetectionResult>& LastDetection() const { return detection_; }
    // Scores `fileName` now, as a load would with `defaultCharset`.
    std::optional<TDetectionResult> ScoreCharsets(const std::string& fileName,
                                                  const std::string& defaultCharset);

private:
    // TCharsetDetection: a load's detection, kept for LastDetection.
    std::optional<std::string> DetectCharset(const std::string& fileName,
                                             const std::string& defaultCharset) override;

    TConfigFolder folder_;
    TProgramSettings settings_;
    TCharsetDetector detector_;
    // The detection's own engine: reconfigured for each run.
    TuniSearch search_;
    std::optional<TDetectionResult> detection_;
    bool ownsHighlighter_ = false;
};
