// The shipped structure templates: each loads and compiles, and each sample file gives
// the tree stored beside it in golden/.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"
#include "structure/uniStrucParser.h"
#include "support/testSupport.h"

namespace fs = std::filesystem;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

namespace {

const fs::path kTemplates = fs::path(PELMAR_SOURCE_DATA_DIR) / "Struc";
const fs::path kHere = fs::path(PELMAR_SOURCE_DATA_DIR).parent_path() / "tests" / "structure";

std::vector<fs::path> FilesIn(const fs::path& folder, const std::string& extension = {}) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() &&
            (extension.empty() || entry.path().extension() == extension)) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A UTF-8 file's lines as the document's adapter hands them to a parse: characters from
// U+0080 up as references. (The samples hold no tabs where a column would matter.)
std::vector<std::string> AdapterLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::u16string text = DecodeUtf8(bytes);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) {
            end = text.size();
        }
        std::u16string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == u'\r') {
            line.remove_suffix(1);
        }
        lines.push_back(EncodeNumericRefsA(line));
        start = end + 1;
    }
    return lines;
}

} // namespace

TEST(StrucTemplates, EveryShippedTemplateLoadsAndCompiles) {
    TDefStrucParserStorage storage(kTemplates.string());
    const std::vector<fs::path> files = FilesIn(kTemplates, ".struc");
    ASSERT_GE(files.size(), 24u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        TDefStrucParser* parser = storage.GetParser(file.stem().string());
        ASSERT_NE(parser, nullptr);
        ASSERT_GT(parser->Kinds.Count(), 0);
        for (int k = 0; k < parser->Kinds.Count(); ++k) {
            const TStrucKind& kind = *parser->Kinds.Items(k);
            EXPECT_GT(kind.Templates.Count(), 0) << kind.Name;
            for (int t = 0; t < kind.Templates.Count(); ++t) {
                const TStrucTemplate& item = *kind.Templates.Items(t);
                auto engine = item.NewEngine();
                try {
                    engine->Exec(u"int main(void) { x = 1; }");
                } catch (const ERegExpr& e) {
                    ADD_FAILURE() << kind.Name << ": " << item.Expression() << ": " << e.what();
                }
            }
        }
    }
}

// The aliases of a type share its template (all but the opening comment).
TEST(StrucTemplates, AliasesMatchTheirType) {
    auto body = [](const char* name) {
        const std::string text = ReadBytes((kTemplates / name).string());
        return text.substr(text.find('\n'));
    };
    EXPECT_EQ(body("python.struc"), body("python3.struc"));
    EXPECT_EQ(body("cpphdr.struc"), body("cpp.struc"));
}

TEST(StrucTemplates, SamplesGiveTheirGoldenTrees) {
    TDefStrucParserStorage storage(kTemplates.string());
    const std::vector<fs::path> samples = FilesIn(kHere / "samples");
    ASSERT_GE(samples.size(), 20u);
    for (const fs::path& sample : samples) {
        const std::string type = sample.stem().string();
        SCOPED_TRACE(sample.filename().string());
        TDefStrucParser* parser = storage.GetParser(type);
        ASSERT_NE(parser, nullptr) << "no template for " << type;
        const auto tree = parser->ParseLines(
            TStrucStringLines(AdapterLines(ReadBytes(sample.string()))), nullptr, nullptr);
        const std::string actual = StrucTreeText(*tree);
        const fs::path golden = kHere / "golden" / (type + ".txt");
        const fs::path written = kHere / "golden" / (type + ".actual.txt");
        const std::string expected = fs::exists(golden) ? ReadBytes(golden.string()) : "";
        if (actual != expected) {
            WriteBytes(written.string(), actual);
            ADD_FAILURE() << "the tree differs from " << golden << "; it is in " << written;
        } else if (fs::exists(written)) {
            fs::remove(written);
        }
    }
}
