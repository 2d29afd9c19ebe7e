// The editor's keystroke and caret costs on large documents: one typed character with its
// update cycle, caret moves down by rows, typing into a 20 MB line; word wrap off and on.
//
// Documents: the 100 MB file of 80-character ASCII lines that codec_bench.py generates,
// a file of 1,000,000 short lines, and one 20 MB line. Each benchmark reports the median
// and the 99th percentile of its samples (µs) as counters; the time column is the mean.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/uniMemo.h"
#include "platform/uniCanvas.h"

namespace {

// A window of 100 columns and 40 rows right of the gutter.
class TBenchWindow : public TEditorWindow {
public:
    int ClientWidth() const override { return 10 + 100 * 8; }
    int ClientHeight() const override { return 40 * 16; }
    void Invalidate() override {}
    void ProcessPendingPaint() override {}
    void SelectFont(std::u16string_view, int) override {}
};

// A surface that draws nothing, so that the painter's own work is measured.
class TNullCanvas : public TCanvas {
public:
    int Width() const override { return 10 + 100 * 8; }
    int Height() const override { return 40 * 16; }
    bool Obscured() const override { return false; }
    void BeginPaint() override {}
    void EndPaint() override {}
    void FillRect(const TRect&, TColor) override {}
    void DrawText(int, int, std::u16string_view, TColor, std::uint8_t) override {}
    void DrawMarker(const TRect&, std::u16string_view, TMarkerKind, TColor, TColor) override {}
    void DrawGutterMark(int, int, char16_t, TColor) override {}
    void ScrollBand(const TRect&, TScrollDirection, int) override {}
    void PlaceCaret(int, int, int, int) override {}
    void HideCaret() override {}
};

struct THost {
    TCellMeasurer measurer;
    TBenchWindow window;
    TNullCanvas canvas;
};

std::string FixturePath(const char* name) {
    return std::string("/tmp/pelmar-layout-bench-") + name;
}

// The codec benchmark's ASCII file: 80-character lines up to 100 MB.
void MakeAscii(const std::string& path) {
    const std::string line =
        "The quick brown fox jumps over the lazy dog; 0123456789 pack my box with five d\n";
    std::ofstream out(path, std::ios::binary);
    std::string block;
    for (int i = 0; i < 10000; ++i) {
        block += line;
    }
    for (size_t written = 0; written < 100u * 1000 * 1000; written += block.size()) {
        out << block;
    }
}

void MakeMillionLines(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 1000000; ++i) {
        out << "line " << i << " of a million, with a few words after it\n";
    }
}

void MakeHugeLine(const std::string& path) {
    const std::string piece = "lorem ipsum\tdolor ";
    std::string text;
    while (text.size() < 20u * 1000 * 1000) {
        text += piece;
    }
    text.resize(20u * 1000 * 1000);
    std::ofstream out(path, std::ios::binary);
    out << text << "\nafter\n";
}

enum TDoc { kAscii100MB, kMillionLines, kHugeLine };

// One editor per document, loaded once from its file and kept for all benchmarks.
TuniMemo& Memo(TDoc doc, bool paint) {
    static std::map<std::pair<int, bool>,
                    std::pair<std::unique_ptr<THost>, std::unique_ptr<TuniMemo>>>
        memos;
    auto& slot = memos[{doc, paint}];
    if (!slot.second) {
        static const char* kNames[] = {"ascii100.txt", "million.txt", "huge.txt"};
        const std::string path = FixturePath(kNames[doc]);
        if (!std::ifstream(path)) {
            (doc == kAscii100MB     ? MakeAscii
             : doc == kMillionLines ? MakeMillionLines
                                    : MakeHugeLine)(path);
        }
        slot.first = std::make_unique<THost>();
        TMemoPlatform platform;
        platform.measurer = &slot.first->measurer;
        platform.window = &slot.first->window;
        platform.canvas = paint ? &slot.first->canvas : nullptr;
        slot.second = std::make_unique<TuniMemo>(platform);
        slot.second->OpenFile(path); // without a queue the load runs at once
    }
    return *slot.second;
}

struct TSamples {
    std::vector<double> us;
    void Add(std::chrono::steady_clock::duration d) {
        us.push_back(std::chrono::duration<double, std::micro>(d).count());
    }
    void Report(benchmark::State& state) {
        if (us.empty()) {
            return;
        }
        std::sort(us.begin(), us.end());
        state.counters["median_us"] = us[us.size() / 2];
        state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
        state.counters["max_us"] = us.back();
    }
};

// One typed character as the input layer runs it: bookkeeping, TypeChar, update cycle.
// Every 64 characters the caret goes to the next line, so the typed lines stay short.
void TypeInMiddle(benchmark::State& state, TDoc doc, bool wrap, bool paint) {
    TuniMemo& memo = Memo(doc, paint);
    memo.SetWordWrap(wrap);
    const int count = memo.Lines().Count();
    int line = count / 2;
    memo.GotoPosition(40, line);
    TSamples samples;
    int typed = 0;
    for (auto _ : state) {
        if (++typed % 64 == 0) {
            memo.GotoPosition(40, ++line);
        }
        const auto start = std::chrono::steady_clock::now();
        memo.BeginCommand();
        memo.TypeChar(u'x');
        memo.UpdateView();
        const auto took = std::chrono::steady_clock::now() - start;
        samples.Add(took);
        state.SetIterationTime(std::chrono::duration<double>(took).count());
    }
    samples.Report(state);
}

// The caret down by one row 10,000 times from the middle of the document (CaretDown with
// its update cycle); the median is per move, the time column per 10,000.
void CaretDownRows(benchmark::State& state, TDoc doc, bool wrap) {
    TuniMemo& memo = Memo(doc, false);
    memo.SetWordWrap(wrap);
    TSamples samples;
    for (auto _ : state) {
        memo.GotoPosition(10, memo.Lines().Count() / 2 - 20000);
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 10000; ++i) {
            const auto one = std::chrono::steady_clock::now();
            memo.BeginCommand();
            memo.CaretDown();
            memo.UpdateView();
            samples.Add(std::chrono::steady_clock::now() - one);
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    samples.Report(state);
}

// Typing into the 20 MB line at its middle or its end. The view's share of each keystroke
// (bookkeeping and update cycle, without TypeChar) is reported apart as view_median_us.
void TypeInHugeLine(benchmark::State& state, bool atEnd, bool wrap) {
    TuniMemo& memo = Memo(kHugeLine, false);
    memo.SetWordWrap(wrap);
    const int length = static_cast<int>(memo.Lines().Get(0).size());
    memo.GotoPosition(atEnd ? length : length / 2, 0);
    TSamples samples;
    TSamples view;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        memo.BeginCommand();
        const auto typing = std::chrono::steady_clock::now();
        memo.TypeChar(u'x');
        const auto update = std::chrono::steady_clock::now();
        memo.UpdateView();
        const auto end = std::chrono::steady_clock::now();
        samples.Add(end - start);
        view.Add((typing - start) + (end - update));
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    samples.Report(state);
    std::sort(view.us.begin(), view.us.end());
    if (!view.us.empty()) {
        state.counters["view_median_us"] = view.us[view.us.size() / 2];
    }
}

BENCHMARK_CAPTURE(TypeInMiddle, ascii100MB_nowrap, kAscii100MB, false, false)
    ->UseManualTime()
    ->Iterations(5000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TypeInMiddle, ascii100MB_wrap, kAscii100MB, true, false)
    ->UseManualTime()
    ->Iterations(5000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TypeInMiddle, ascii100MB_nowrap_paint, kAscii100MB, false, true)
    ->UseManualTime()
    ->Iterations(5000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TypeInMiddle, million_nowrap, kMillionLines, false, false)
    ->UseManualTime()
    ->Iterations(5000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TypeInMiddle, million_wrap, kMillionLines, true, false)
    ->UseManualTime()
    ->Iterations(5000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CaretDownRows, ascii100MB_nowrap, kAscii100MB, false)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CaretDownRows, ascii100MB_wrap, kAscii100MB, true)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CaretDownRows, million_nowrap, kMillionLines, false)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CaretDownRows, million_wrap, kMillionLines, true)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TypeInHugeLine, middle_nowrap, false, false)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TypeInHugeLine, end_nowrap, true, false)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TypeInHugeLine, middle_wrap, false, true)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TypeInHugeLine, end_wrap, true, true)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
