// What the highlighting tests share: a document made from 8-bit lines, and a fixture that
// loads the fake library for each test and unloads it after.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "fakeColorer.h"
#include "highlight/uniColorer.h"

namespace colorer_testing {

inline std::u16string Wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

// `count` lines: `special` lines where given, "line N" elsewhere.
inline TDocument::TPtr MakeDocument(int count,
                                    const std::vector<std::pair<int, std::string>>& special = {}) {
    TDocument::TPtr document = TDocument::New();
    std::vector<std::u16string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back(Wide("line " + std::to_string(i)));
    }
    for (const auto& [index, text] : special) {
        lines[static_cast<size_t>(index)] = Wide(text);
    }
    document->Lines().InsertLines(0, std::move(lines));
    return document;
}

inline THighlighterPaths FakePaths() {
    return THighlighterPaths{"", "/grammar", "/scheme/"};
}

// Waits for the background parse to end (a guard against hanging, not a measure of time).
inline bool WaitForDone(TColorerClass& colorer) {
    for (int i = 0; i < 20000 && !colorer.Done(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return colorer.Done();
}

class ColorerTest : public testing::Test {
protected:
    void SetUp() override {
        fake_colorer::Reset();
        ASSERT_TRUE(LoadHighlighterWith(&fake_colorer::GetProcs, FakePaths()));
    }
    void TearDown() override {
        UnloadHighlighter();
        fake_colorer::SetLineHook(nullptr);
    }
};

} // namespace colorer_testing
