// Tests for the highlighter's 8-bit copy of the lines: it follows any run of edits, a
// snapshot keeps the lines it was taken with, and an edit costs a block however long the
// document is.
#include "highlight/uniShadowLines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "colorerTesting.h"
#include "document/uniDocument.h"

using colorer_testing::ColorerTest;

namespace {

// Passes the document's changes on to a shadow, as the bridge does.
class TFollower final : public TDocumentWatcher {
public:
    TFollower(TDocument& document, TShadowLines& shadow) : document_(document), shadow_(shadow) {
        document_.AddWatcher(*this);
    }
    ~TFollower() { document_.RemoveWatcher(*this); }
    TFollower(const TFollower&) = delete;
    TFollower& operator=(const TFollower&) = delete;

    void LinesInserted(TDocument&, const TLineChange& c) override {
        shadow_.Inserted(c.first, c.last);
    }
    void LinesDeleted(TDocument&, const TLineChange& c) override {
        shadow_.Deleted(c.first, c.last);
    }
    void LinesChanged(TDocument&, const TLineChange& c) override {
        shadow_.Changed(c.first, c.last);
    }

private:
    TDocument& document_;
    TShadowLines& shadow_;
};

std::string Read(TShadowReader& reader, int i) {
    std::int32_t length = -1;
    const char* text = reader.Line(i, &length);
    return text == nullptr ? "<none>" : std::string(text, static_cast<size_t>(length));
}

// Lines of one width, so that a block holds the same bytes wherever it is.
std::u16string FixedLine(int i) {
    char text[32];
    std::snprintf(text, sizeof text, "line %010d", i);
    return colorer_testing::Wide(text);
}

TDocument::TPtr FixedDocument(int count) {
    TDocument::TPtr document = TDocument::New();
    std::vector<std::u16string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back(FixedLine(i));
    }
    document->Lines().InsertLines(0, std::move(lines));
    return document;
}

} // namespace

TEST(ShadowLines, FollowsAnyRunOfEditsAndSnapshotsKeepTheirLines) {
    TDocument::TPtr document = colorer_testing::MakeDocument(1000);
    TWStringList& lines = document->Lines();
    TShadowLines shadow(lines);
    TFollower follower(*document, shadow);
    std::mt19937 random(7);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

    std::unique_ptr<TShadowSnapshot> snapshot;
    std::vector<std::string> snapshotLines;
    for (int step = 0; step < 3000; ++step) {
        const int count = lines.Count();
        const int at = pick(count + 1);
        const std::u16string text = u"s" + colorer_testing::Wide(std::to_string(step)) + u"\u00e9";
        switch (pick(6)) {
        case 0:
            if (at < count) {
                lines.Put(at, text);
            }
            break;
        case 1:
            lines.Insert(at, text);
            break;
        case 2:
            if (at < count && count > 1) {
                lines.Delete(at);
            }
            break;
        case 3:
            lines.InsertLines(
                at, std::vector<std::u16string>(static_cast<size_t>(pick(300) + 1), text));
            break;
        case 4:
            if (at < count) {
                lines.DeleteLines(at, std::min(pick(400) + 1, count - at));
            }
            break;
        default:
            Read(shadow, pick(count));
            break; // builds a block here and there
        }
        if (step == 1500) {
            snapshot = shadow.Snapshot(lines.Count());
            snapshotLines.clear();
            for (int i = 0; i < lines.Count(); ++i) {
                snapshotLines.push_back(TWStringList::AnsiForm(lines.Get(i)));
            }
        }
        if (step % 500 == 499) {
            ASSERT_EQ(shadow.Count(), lines.Count());
            for (int i = 0; i < lines.Count(); ++i) {
                ASSERT_EQ(Read(shadow, i), TWStringList::AnsiForm(lines.Get(i)))
                    << "step " << step << " line " << i;
            }
        }
    }
    ASSERT_TRUE(snapshot);
    ASSERT_EQ(snapshot->Count(), static_cast<int>(snapshotLines.size()));
    for (int i = 0; i < snapshot->Count(); ++i) {
        ASSERT_EQ(Read(*snapshot, i), snapshotLines[static_cast<size_t>(i)]) << "line " << i;
    }
    EXPECT_EQ(Read(*snapshot, snapshot->Count()), "<none>");
    EXPECT_EQ(Read(shadow, -1), "<none>");
}

TEST(ShadowLines, AnEditCostsABlockHoweverLongTheDocumentIs) {
    const auto editCosts = [](int count) {
        TDocument::TPtr document = FixedDocument(count);
        TWStringList& lines = document->Lines();
        TShadowLines shadow(lines);
        TFollower follower(*document, shadow);
        shadow.Snapshot(count); // every block built
        std::vector<std::int64_t> costs;
        const auto measure = [&](auto edit) {
            const std::int64_t before = shadow.BytesCopied();
            edit();
            shadow.Snapshot(lines.Count());
            costs.push_back(shadow.BytesCopied() - before);
        };
        measure([&] { lines.Put(count / 2, FixedLine(-1)); });
        measure([&] { lines.Insert(count / 3, FixedLine(-2)); });
        measure([&] { lines.Delete(count / 4); });
        measure([] {});
        return costs;
    };
    const std::vector<std::int64_t> small = editCosts(2000);
    const std::vector<std::int64_t> large = editCosts(200000);
    EXPECT_EQ(small, large);
    const std::int64_t block =
        TShadowLines::kBlockLines * static_cast<std::int64_t>(FixedLine(0).size());
    for (const std::int64_t cost : large) {
        EXPECT_LE(cost, 2 * block);
    }
    EXPECT_EQ(large.back(), 0); // nothing changed: nothing copied
}

TEST_F(ColorerTest, TheBridgeBuildsTheShadowOnlyAsFarAsAParseReads) {
    const auto costs = [](int count) {
        TDocument::TPtr document = FixedDocument(count);
        TColorerClass colorer(*document);
        colorer.UpdateWindow(0, 0, 20); // lines 0..59
        const std::int64_t first = colorer.ShadowBytesCopied();
        document->Lines().Put(10, FixedLine(-1));
        colorer.UpdateWindow(0, 0, 20);
        return std::make_pair(first, colorer.ShadowBytesCopied() - first);
    };
    const auto small = costs(2000);
    const auto large = costs(200000);
    EXPECT_EQ(small, large);
    EXPECT_EQ(small.first,
              TShadowLines::kBlockLines * static_cast<std::int64_t>(FixedLine(0).size()));
}
