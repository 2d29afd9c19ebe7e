// In-process load and save throughput of the file codec, per encoding.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "text/uniCodec.h"

namespace {

struct TFixtureFile {
    std::string name;
    explicit TFixtureFile(const std::string& line, size_t bytes) {
        char pattern[] = "/tmp/pelmar-bench-XXXXXX";
        int fd = mkstemp(pattern);
        close(fd);
        name = pattern;
        std::ofstream out(name, std::ios::binary);
        for (size_t written = 0; written < bytes; written += line.size()) {
            out << line;
        }
    }
    ~TFixtureFile() { std::remove(name.c_str()); }
};

const std::string kAscii =
    "The quick brown fox jumps over the lazy dog; 0123456789 pack my box with five d\n";
const std::string kCyrillic = "\xD1\x81\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C \xD0\xB6\xD0\xB5 "
                              "\xD0\xB5\xD1\x89\xD1\x91 \xD1\x8D\xD1\x82\xD0\xB8\xD1\x85\n";

void Load(benchmark::State& state, const std::string& line, const char* charset) {
    TFixtureFile file(line, 16 << 20);
    for (auto _ : state) {
        TWStringList* list = new TWStringList;
        TTextCodec codec;
        codec.charset = charset;
        benchmark::DoNotOptimize(codec.Load(*list, file.name).ok);
        list->Release();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (16 << 20));
}

void Save(benchmark::State& state, const std::string& line, const char* charset) {
    TFixtureFile file(line, 16 << 20);
    TWStringList* list = new TWStringList;
    TTextCodec codec;
    codec.charset = "UTF-8";
    codec.Load(*list, file.name);
    codec.charset = charset;
    const std::string out = file.name + ".out";
    for (auto _ : state) {
        benchmark::DoNotOptimize(codec.Save(*list, out).ok);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (16 << 20));
    list->Release();
    std::remove(out.c_str());
}

BENCHMARK_CAPTURE(Load, ascii_utf8, kAscii, "UTF-8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, ascii_windows, kAscii, "WINDOWS")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, cyrillic_utf8, kCyrillic, "UTF-8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Save, ascii_utf8, kAscii, "UTF-8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Save, cyrillic_utf16, kCyrillic, "UTF-16 (LE)")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
