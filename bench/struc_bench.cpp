// The structure parse of a large file, in-process: bench_struc TEMPLATE_FOLDER TYPE FILE [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "base/uniFileIO.h"
#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"
#include "structure/uniStrucParser.h"

namespace {

int CountLeaves(const TStrucTree& tree) {
    int n = 0;
    for (int i = 0; i < tree.Children.Count(); ++i) {
        const auto* branch = dynamic_cast<const TStrucTree*>(tree.Children[i]);
        n += branch != nullptr ? CountLeaves(*branch) : 1;
    }
    return n;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_struc TEMPLATE_FOLDER TYPE FILE [RUNS]\n");
        return 1;
    }
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
    try {
        TDefStrucParserStorage storage(argv[1]);
        TStrucParser* parser = storage.GetParser(argv[2]);
        if (parser == nullptr) {
            std::fprintf(stderr, "no template %s in %s\n", argv[2], argv[1]);
            return 1;
        }
        const TFileBytes file = ReadFileBytes(argv[3], 1u << 30);
        if (file.status != TReadStatus::Ok) {
            std::fprintf(stderr, "cannot read %s\n", argv[3]);
            return 1;
        }
        // The lines as the document's adapter gives them (the file is taken as UTF-8).
        std::vector<std::string> lines;
        const std::string& bytes = file.bytes;
        for (size_t start = 0; start < bytes.size();) {
            size_t end = bytes.find('\n', start);
            if (end == std::string::npos) {
                end = bytes.size();
            }
            lines.push_back(EncodeNumericRefsA(DecodeUtf8(bytes.substr(start, end - start))));
            start = end + 1;
        }
        const TStrucStringLines source(std::move(lines));
        std::vector<double> seconds;
        int leaves = 0;
        for (int r = 0; r < runs; ++r) {
            const auto begin = std::chrono::steady_clock::now();
            auto tree = parser->ParseLines(source, nullptr, nullptr);
            const auto end = std::chrono::steady_clock::now();
            seconds.push_back(std::chrono::duration<double>(end - begin).count());
            leaves = CountLeaves(*tree);
        }
        std::sort(seconds.begin(), seconds.end());
        const double median = seconds[seconds.size() / 2];
        std::printf("lines: %d, nodes: %d\n", source.GetCount(), leaves);
        std::printf("parse: median %.3f s of %d runs, %.0f nodes/s, %.0f lines/s\n", median, runs,
                    leaves / median, source.GetCount() / median);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return 1;
    }
    return 0;
}
