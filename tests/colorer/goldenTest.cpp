// Every sample file highlighted whole through the library and compared, region by region,
// with its stored expectation.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "colorerHarness.h"

namespace colorer_test {
namespace {

const std::string kTestDir = std::string(PELMAR_SOURCE_DATA_DIR) + "/../tests/colorer";

std::vector<std::string> Samples() {
    std::vector<std::string> names;
    if (DIR* dir = opendir((kTestDir + "/samples").c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.') {
                names.emplace_back(entry->d_name);
            }
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// One line per region: line, columns, class (or pair side) and the text it covers.
std::string Dump(const std::string& sample, std::string& typeName) {
    Library& library = Library::Get();
    std::vector<std::string> lines = ReadLines(kTestDir + "/samples/" + sample);
    const ColorerFileType* type = library.procs.chooseFileType(
        library.grammar, sample.c_str(), lines.empty() ? nullptr : lines[0].c_str(), nullptr);
    typeName = type != nullptr ? type->name : "";
    const auto count = static_cast<int32_t>(lines.size());
    Document document(lines, type, count + 1);
    document.Parse(0, 0, count, count);
    std::ostringstream out;
    out << "type " << typeName << '\n';
    for (int32_t line = 0; line < count; ++line) {
        const std::string& text = lines[static_cast<size_t>(line)];
        for (const Region& r : document.Regions(line)) {
            int32_t end = r.end < 0 ? static_cast<int32_t>(text.size()) : r.end;
            std::string what = r.kind == COLORER_PAIR_START ? "pair-open"
                               : r.kind == COLORER_PAIR_END ? "pair-close"
                                                            : library.ClassName(r.style);
            out << line + 1 << ':' << r.start << '-' << (r.end < 0 ? "eol" : std::to_string(r.end))
                << ' ' << what << " `"
                << text.substr(static_cast<size_t>(r.start), static_cast<size_t>(end - r.start))
                << "`\n";
        }
    }
    return out.str();
}

TEST(ColorerGolden, EverySampleMatchesItsExpectation) {
    ASSERT_TRUE(Library::Get().Ok());
    const std::vector<std::string> samples = Samples();
    ASSERT_GE(samples.size(), 18u);
    const bool update = std::getenv("PELMAR_UPDATE_GOLDEN") != nullptr;
    for (const std::string& sample : samples) {
        SCOPED_TRACE(sample);
        std::string typeName;
        const std::string actual = Dump(sample, typeName);
        EXPECT_NE(typeName, "default") << "no type chosen for " << sample;
        const std::string stem = sample.substr(0, sample.find('.'));
        const std::string expectedPath = kTestDir + "/golden/" + stem + ".txt";
        const std::string actualPath = kTestDir + "/golden/" + stem + ".actual.txt";
        if (update) {
            std::ofstream(expectedPath, std::ios::binary) << actual;
        }
        std::ifstream in(expectedPath, std::ios::binary);
        std::stringstream expected;
        expected << in.rdbuf();
        if (expected.str() != actual) {
            std::ofstream(actualPath, std::ios::binary) << actual;
            ADD_FAILURE() << "regions differ; actual output in " << actualPath;
        } else {
            std::remove(actualPath.c_str());
        }
    }
}

} // namespace
} // namespace colorer_test
