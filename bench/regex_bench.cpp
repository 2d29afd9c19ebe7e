// Match counting over a generated ~50 MB text, line by line as the editor searches:
// TuniSearch next to PCRE2's 16-bit interpreter (no JIT) and `grep -c` on the same file.
//
//   bench_regex [FILE]     FILE is generated (and kept) when it does not exist yet.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include "base/uniUtf8.h"
#include "search/uniSearch.h"

namespace {

// ASCII prose with some "key = value" lines and a quarter of Cyrillic lines.
void Generate(const std::string& path, size_t bytes) {
    const std::vector<std::string> latin = {
        "the",    "of",       "and",    "to",     "in",    "is",     "was",       "for",  "on",
        "that",   "with",     "as",     "by",     "at",    "from",   "city",      "some", "world",
        "would",  "where",    "later",  "state",  "about", "known",  "lorem",     "foo",  "fooobar",
        "foxbar", "quux",     "quix",   "quaaax", "value", "key",    "data",      "word", "Lorem",
        "LOREM",  "national", "school", "years",  "first", "united", "university"};
    const std::vector<std::string> cyrillic = {"\xD0\xB8",
                                               "\xD0\xB2",
                                               "\xD0\xBD\xD0\xB5",
                                               "\xD0\xBD\xD0\xB0",
                                               "\xD1\x87\xD1\x82\xD0\xBE",
                                               "\xD1\x81",
                                               "\xD0\xBF\xD0\xBE",
                                               "\xD1\x8D\xD1\x82\xD0\xBE",
                                               "\xD0\xBA\xD0\xB0\xD0\xBA",
                                               "\xD0\xBE\xD0\xBD",
                                               "\xD0\xBA",
                                               "\xD0\xB8\xD0\xB7",
                                               "\xD0\xB4\xD0\xBE\xD0\xBC",
                                               "\xD1\x81\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xBE",
                                               "\xD1\x91\xD0\xBB\xD0\xBA\xD0\xB0",
                                               "\xD0\xB4\xD0\xBB\xD1\x8F",
                                               "\xD0\xBA\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0"};
    std::mt19937 rng(1);
    auto pick = [&](const std::vector<std::string>& words) { return words[rng() % words.size()]; };
    std::ofstream out(path, std::ios::binary);
    size_t size = 0;
    while (size < bytes) {
        std::string line;
        const unsigned r = rng() % 100;
        if (r < 10) {
            line = "  " + pick(latin) + " = ";
            for (int i = 0; i < 5; ++i) {
                line += pick(latin) + " ";
            }
        } else if (r < 35) {
            for (unsigned i = 0, n = 6 + rng() % 9; i < n; ++i) {
                line += pick(cyrillic) + " ";
            }
        } else {
            for (unsigned i = 0, n = 6 + rng() % 11; i < n; ++i) {
                line += pick(latin) + (rng() % 20 == 0 ? std::to_string(rng() % 1000) : "") + " ";
            }
            line += ".,;"[rng() % 3];
        }
        line += "\n";
        out << line;
        size += line.size();
    }
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

template <typename F>
double Median(int runs, F f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        times.push_back(Seconds(start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct TPattern {
    const char* name;
    std::u16string pattern;
    bool regex;
    bool ignoreCase;
    std::string grep; // grep's options and pattern
};

} // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/pelmar-regex-bench.txt";
    if (!std::ifstream(path)) {
        Generate(path, 50u << 20);
    }
    std::vector<std::u16string> lines;
    {
        std::ifstream in(path, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            lines.push_back(DecodeUtf8(line));
        }
    }
    const std::vector<TPattern> patterns = {
        {"literal quux", u"quux", false, false, "-F quux"},
        {"case-insensitive lorem", u"lorem", false, true, "-F -i lorem"},
        {"fo+[a-z]*bar|qu[aeiou]+x", u"fo+[a-z]*bar|qu[aeiou]+x", true, false,
         "-E 'fo+[a-z]*bar|qu[aeiou]+x'"},
        {"^\\s*(\\w+)\\s*=", u"^\\s*(\\w+)\\s*=", true, false, "-E '^\\s*(\\w+)\\s*='"},
        {"class-heavy", u"[A-Za-z_][a-z]*[0-9]+[.,;]?", true, false,
         "-E '[A-Za-z_][a-z]*[0-9]+[.,;]?'"},
    };
    const int runs = 3;
    std::printf("%zu lines from %s; medians of %d runs\n", lines.size(), path.c_str(), runs);
    std::printf("%-26s %10s %10s %7s %10s %10s\n", "pattern", "ours s", "PCRE2 s", "ratio",
                "grep -c s", "matches");
    for (const TPattern& p : patterns) {
        long ours = 0;
        TuniSearch search;
        search.useRegExpr = p.regex;
        search.ignoreCase = p.ignoreCase;
        const double oursTime = Median(runs, [&] {
            ours = 0;
            for (const std::u16string& line : lines) {
                ours += search.CountMatches(p.pattern, line);
            }
        });

        std::u16string expression = p.regex ? p.pattern : u"\\Q" + p.pattern + u"\\E";
        int error = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code* code =
            pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expression.data()), expression.size(),
                          p.ignoreCase ? PCRE2_CASELESS : 0, &error, &offset, nullptr);
        pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
        long theirs = 0;
        const double pcreTime = Median(runs, [&] {
            theirs = 0;
            for (const std::u16string& line : lines) {
                const auto* subject = reinterpret_cast<PCRE2_SPTR>(line.data());
                // The same counting rule: the next search starts one unit after a match.
                for (size_t start = 0; start <= line.size();) {
                    if (pcre2_match(code, subject, line.size(), start, 0, data, nullptr) < 0) {
                        break;
                    }
                    ++theirs;
                    start = pcre2_get_ovector_pointer(data)[0] + 1;
                }
            }
        });
        pcre2_match_data_free(data);
        pcre2_code_free(code);

        // Not to /dev/null: grep notices that and stops at the first match.
        const std::string command =
            "grep -c " + p.grep + " '" + path + "' > /tmp/pelmar-regex-bench.grep";
        const double grepTime = Median(runs, [&] {
            if (std::system(command.c_str()) < 0) {
                std::perror("grep");
            }
        });
        std::printf("%-26s %10.3f %10.3f %7.2f %10.3f %5ld/%ld\n", p.name, oursTime, pcreTime,
                    oursTime / pcreTime, grepTime, ours, theirs);
    }
    return 0;
}
