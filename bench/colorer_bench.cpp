// Highlights a whole file through the highlighting library (loaded from the program folder
// as the editor loads it) and prints the seconds taken; also the cost of a 60-line window.
// Usage: bench_colorer FILE [RUNS]   (bench/colorer_bench.py drives it)
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "colorerAbi.h"

namespace {

std::vector<std::string> lines;

const char* Source(void* /*source*/, void* /*unused*/, int32_t line, int32_t* length) {
    if (line < 0 || static_cast<size_t>(line) >= lines.size()) {
        *length = 0;
        return nullptr;
    }
    *length = static_cast<int32_t>(lines[static_cast<size_t>(line)].size());
    return lines[static_cast<size_t>(line)].c_str();
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::string dir = PELMAR_PROGRAM_DIR;
    void* handle = dlopen((dir + "/Colorer/libicolorer.so").c_str(), RTLD_NOW);
    if (handle == nullptr) {
        std::fprintf(stderr, "cannot load the library: %s\n", dlerror());
        return 1;
    }
    auto get = reinterpret_cast<ColorerGetProcsProc>(dlsym(handle, COLORER_GET_PROCS_NAME));
    ColorerProcs p{};
    p.size = sizeof p;
    if (get == nullptr || get(&p) == 0) {
        return 1;
    }
    ColorerGrammar* grammar = p.loadGrammar((dir + "/Colorer/hrc/colorer.hrc").c_str(), nullptr);
    ColorerStyles* styles = p.createStyles();
    p.loadScheme(styles, (dir + "/Colorer/hrc/assigns/rgb/default.hrd").c_str());
    ColorerStyle* defaultStyle = p.getStyle(styles, 2);

    std::ifstream in(argv[1], std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    const auto count = static_cast<int32_t>(lines.size());
    const ColorerFileType* type = p.chooseFileType(grammar, argv[1], nullptr, nullptr);
    p.loadFileType(grammar, type);

    std::vector<double> times;
    size_t regions = 0;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        ColorerParser* parser = p.createParser();
        ColorerLineRecord* buffer = p.createBuffer(count + 1);
        p.connect(parser, Source, nullptr, p.passedToConnect, nullptr, nullptr, buffer);
        p.setFileType(parser, type);
        p.clearBuffer(buffer, 0);
        p.resetBuffer(buffer);
        p.parse(parser, 0, 0, count, count);
        p.colourBuffer(buffer, styles, defaultStyle);
        times.push_back(Seconds(start));
        regions = 0;
        for (int32_t k = 1; k <= count; ++k) {
            for (ColorerRegion* r = buffer[k].first; r != nullptr; r = r->next) {
                ++regions;
            }
        }
        p.freeBuffer(buffer);
        p.freeParser(parser);
    }
    std::sort(times.begin(), times.end());

    // The editor's case: a window of 60 lines parsed from its first line.
    ColorerParser* parser = p.createParser();
    ColorerLineRecord* buffer = p.createBuffer(512);
    p.connect(parser, Source, nullptr, p.passedToConnect, nullptr, nullptr, buffer);
    p.setFileType(parser, type);
    const int windows = 2000;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < windows; ++i) {
        int32_t first = (i * 7919) % std::max(1, count - 60);
        p.clearBuffer(buffer, first);
        p.parse(parser, first, first, 60, 60);
        p.colourBuffer(buffer, styles, defaultStyle);
    }
    const double window = Seconds(start) / windows;
    p.freeBuffer(buffer);
    p.freeParser(parser);

    std::printf("type %s, %d lines, %zu regions\n", type != nullptr ? type->name : "?", count,
                regions);
    std::printf("whole file: median %.3f s over %d runs\n", times[times.size() / 2], runs);
    std::printf("60-line window: %.1f us\n", window * 1e6);
    p.freeStyles(styles);
    p.freeGrammar(grammar);
    dlclose(handle);
    return 0;
}
