// Reading back PDF files with poppler's programs (scripts/setup.sh installs poppler-utils):
// fields of pdfinfo's report, the text of pages, the page size, the first word's place.
#pragma once

#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/testSupport.h"

namespace testing_support {

// A poppler program, run without a shell or PATH.
inline std::string Poppler(const std::string& name) {
    return "/usr/bin/" + name;
}

// A field of pdfinfo's report ("Pages", "Page size"), or "" when it has none.
inline std::string PdfInfo(const std::string& pdf, const std::string& field) {
    const ProcessResult r = RunProcess({Poppler("pdfinfo"), pdf});
    EXPECT_EQ(r.status, 0) << "pdfinfo (poppler-utils) failed: " << r.err;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return line.substr(line.find_first_not_of(' ', field.size() + 1));
        }
    }
    return {};
}

inline int PdfPages(const std::string& pdf) {
    const std::string pages = PdfInfo(pdf, "Pages");
    return pages.empty() ? -1 : std::stoi(pages);
}

// The page's width and height in points.
inline std::pair<double, double> PdfPageSize(const std::string& pdf) {
    std::smatch m;
    const std::string size = PdfInfo(pdf, "Page size");
    EXPECT_TRUE(std::regex_search(size, m, std::regex(R"(([\d.]+) x ([\d.]+) pts)"))) << size;
    return m.empty() ? std::pair{0.0, 0.0} : std::pair{std::stod(m[1]), std::stod(m[2])};
}

// The text of pages first..last (0: to the end), laid out as printed.
inline std::string PdfText(const std::string& pdf, int first = 1, int last = 0) {
    std::vector<std::string> args = {Poppler("pdftotext"), "-layout", "-f", std::to_string(first)};
    if (last > 0) {
        args.insert(args.end(), {"-l", std::to_string(last)});
    }
    args.insert(args.end(), {pdf, "-"});
    const ProcessResult r = RunProcess(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

// The first word's top-left corner on page 1, in points, from pdftotext's word boxes.
inline std::pair<double, double> FirstWordCorner(const std::string& pdf) {
    const ProcessResult r =
        RunProcess({Poppler("pdftotext"), "-bbox", "-f", "1", "-l", "1", pdf, "-"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::smatch m;
    return std::regex_search(r.out, m, std::regex(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)")re"))
               ? std::pair{std::stod(m[1]), std::stod(m[2])}
               : std::pair{-1.0, -1.0};
}

} // namespace testing_support
