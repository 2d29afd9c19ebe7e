// In-process timing of a replace-all and of the one undo step that takes it back, on a
// large file: bench_replace_undo FILE [--runs N]. Prints the medians.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "editor/uniMemo.h"

namespace {

class TAnswerAll : public TQuestionHost {
public:
    TReplaceAnswer AskReplace(std::u16string_view, int, int, int) override {
        return TReplaceAnswer::All;
    }
    std::optional<std::u16string> EnterCode(int, int, int) override { return std::nullopt; }
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_replace_undo FILE [--runs N]\n");
        return 1;
    }
    const std::string file = argv[1];
    int runs = 5;
    if (argc >= 4 && std::string(argv[2]) == "--runs") {
        runs = std::max(std::atoi(argv[3]), 1);
    }
    TCellMeasurer measurer;
    TAnswerAll answers;
    TMemoPlatform platform;
    platform.measurer = &measurer;
    platform.questions = &answers;
    TuniMemo memo(platform);
    memo.SetFileName(TViewOf::This, file);
    auto start = std::chrono::steady_clock::now();
    if (!memo.LoadFile()) {
        std::fprintf(stderr, "cannot load %s\n", file.c_str());
        return 2;
    }
    const double load = Seconds(start);
    const std::u16string first = memo.Lines().Get(0);
    std::vector<double> replaceTimes;
    std::vector<double> undoTimes;
    for (int k = 0; k < runs; ++k) {
        memo.SearchOptions() = {false, false, false};
        memo.GotoPosition(0, 0);
        start = std::chrono::steady_clock::now();
        memo.Replace(u"the", u"THE", false);
        replaceTimes.push_back(Seconds(start));
        if (memo.Lines().Get(0) == first && first.find(u"the") != std::u16string::npos) {
            std::fprintf(stderr, "nothing was replaced\n");
            return 3;
        }
        memo.BeginCommand();
        start = std::chrono::steady_clock::now();
        memo.Undo();
        memo.UpdateView();
        undoTimes.push_back(Seconds(start));
        if (memo.Lines().Get(0) != first || memo.CanUndo()) {
            std::fprintf(stderr, "the undo did not restore the text in one step\n");
            return 3;
        }
    }
    std::printf("in-process (%d lines, load %.3f s): replace-all %.3f s, one undo %.3f s "
                "(medians of %d)\n",
                memo.Lines().Count(), load, Median(replaceTimes), Median(undoTimes), runs);
    return 0;
}
