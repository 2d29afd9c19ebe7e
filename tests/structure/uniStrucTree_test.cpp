// The structure tree: list ownership, lookups by name and by caret position, text form.
#include "structure/uniStrucTree.h"

#include <gtest/gtest.h>

namespace {

TStrucLocation* AddLeaf(TStrucTree& branch, const std::string& name, int line, int column) {
    auto leaf = std::make_unique<TStrucLocation>(name, line, column, column < 0 ? -1 : column);
    TStrucLocation* raw = leaf.get();
    branch.Children.Add(std::move(leaf));
    return raw;
}

TStrucTree* AddBranch(TStrucTree& parent, const std::string& name) {
    auto branch = std::make_unique<TStrucTree>(name);
    TStrucTree* raw = branch.get();
    parent.Children.Add(std::move(branch));
    return raw;
}

// Counts destructions so that ownership moves can be checked.
class TCountedLeaf final : public TStrucNode {
public:
    explicit TCountedLeaf(int& deaths) : deaths_(deaths) {}
    ~TCountedLeaf() override { ++deaths_; }
    const std::string& GetName() const override { return name_; }

private:
    int& deaths_;
    std::string name_ = "counted";
};

} // namespace

TEST(StrucNodeList, AddListMovesNodesInOrderAndFreesNothing) {
    int deaths = 0;
    TStrucNodeList target;
    target.Add(std::make_unique<TStrucLocation>("a", 0, 0, 0));
    auto other = std::make_unique<TStrucNodeList>();
    other->Add(std::make_unique<TCountedLeaf>(deaths));
    other->Add(std::make_unique<TStrucLocation>("b", 1, 0, 0));
    target.AddList(std::move(other));
    EXPECT_EQ(deaths, 0);
    ASSERT_EQ(target.Count(), 3);
    EXPECT_EQ(target[0]->GetName(), "a");
    EXPECT_EQ(target[1]->GetName(), "counted");
    EXPECT_EQ(target[2]->GetName(), "b");

    target.AddList(nullptr);
    EXPECT_EQ(target.Count(), 3);

    {
        TStrucTree tree("t");
        tree.Children.AddList([&] {
            auto list = std::make_unique<TStrucNodeList>();
            list->Add(std::make_unique<TCountedLeaf>(deaths));
            return list;
        }());
    }
    EXPECT_EQ(deaths, 1); // freed with the tree that received it
}

TEST(StrucNodeList, FindByNameIsExactAndFirst) {
    TStrucTree root("root");
    TStrucTree* first = AddBranch(root, "Functions");
    AddBranch(root, "Functions");
    EXPECT_EQ(root.Children.FindByName("Functions"), first);
    EXPECT_EQ(root.Children.FindByName("functions"), nullptr);
    EXPECT_EQ(root.Children.FindByName("Function"), nullptr);
}

TEST(StrucTree, ByNameIgnoresCaseOnlyOnTheFirstTwoLevels) {
    TStrucTree root("root");
    TStrucTree* kinds = AddBranch(root, "Functions");
    TStrucLocation* leaf = AddLeaf(*kinds, "Main", 3, 0);
    TStrucTree* nested = AddBranch(*kinds, "Inner");
    TStrucLocation* deep = AddLeaf(*nested, "deep", 9, 0);

    EXPECT_EQ(root.byName("ROOT", false), &root);
    EXPECT_EQ(root.byName("ROOT", true), nullptr);
    EXPECT_EQ(root.byName("functions", false), kinds);
    EXPECT_EQ(root.byName("functions", true), nullptr);
    // The leaf is two levels down: compared exactly whatever the flag.
    EXPECT_EQ(root.byName("main", false), nullptr);
    EXPECT_EQ(root.byName("Main", false), leaf);
    EXPECT_EQ(root.byName("DEEP", false), nullptr);
    EXPECT_EQ(root.byName("deep", false), deep);
    // Searched from the branch itself, its children are its first level.
    EXPECT_EQ(kinds->byName("main", false), leaf);
}

TEST(StrucTree, ByNameSearchesDepthFirstInChildOrder) {
    // A branch named like one of its leaves is met first.
    TStrucTree root("root");
    TStrucTree* kind = AddBranch(root, "Functions");
    AddLeaf(*kind, "Functions", 1, 0);
    EXPECT_EQ(root.byName("Functions", true), kind);
    // A leaf inside an earlier branch comes before a later branch of the same name.
    TStrucTree other("root");
    TStrucTree* a = AddBranch(other, "A");
    TStrucLocation* leaf = AddLeaf(*a, "B", 1, 0);
    AddBranch(other, "B");
    EXPECT_EQ(other.byName("B", true), leaf);
}

TEST(StrucTree, ClosestToPicksTheGreatestPositionNotAfterTheCaret) {
    TStrucTree root("root");
    TStrucTree* functions = AddBranch(root, "Functions");
    TStrucTree* classes = AddBranch(root, "Classes");
    TStrucLocation* left = AddLeaf(*functions, "left", 5, 4);
    TStrucLocation* right = AddLeaf(*functions, "right", 5, 20);
    TStrucLocation* later = AddLeaf(*classes, "later", 9, 0);
    TStrucLocation* noColumn = AddLeaf(*classes, "noColumn", 12, -1);

    EXPECT_EQ(root.closestTo(0, 0, nullptr), nullptr);
    EXPECT_EQ(root.closestTo(3, 5, nullptr), nullptr);
    EXPECT_EQ(root.closestTo(4, 5, nullptr), left);
    EXPECT_EQ(root.closestTo(19, 5, nullptr), left);
    EXPECT_EQ(root.closestTo(20, 5, nullptr), right);
    EXPECT_EQ(root.closestTo(0, 8, nullptr), right);
    // Across branches: the later location in the second branch wins.
    EXPECT_EQ(root.closestTo(0, 10, nullptr), later);
    // Column -1 lies before column 0 of its line.
    EXPECT_EQ(root.closestTo(0, 12, nullptr), noColumn);
    EXPECT_EQ(root.closestTo(0, 100, nullptr), noColumn);
}

TEST(StrucTree, ClosestToKeepsTheFirstOfEqualPositions) {
    TStrucTree root("root");
    TStrucTree* a = AddBranch(root, "A");
    TStrucTree* b = AddBranch(root, "B");
    TStrucLocation* first = AddLeaf(*a, "first", 2, 3);
    AddLeaf(*b, "second", 2, 3);
    EXPECT_EQ(root.closestTo(10, 2, nullptr), first);
}

TEST(StrucTree, TextIndentsByDepthAndNumbersLinesFromOne) {
    TStrucTree root("root");
    TStrucTree* functions = AddBranch(root, "Functions");
    AddLeaf(*functions, "main", 11, 4);
    AddLeaf(*functions, "caf&#233;", 0, 0);
    TStrucTree* nested = AddBranch(*functions, "Nested");
    AddLeaf(*nested, "inner", 2, 0);
    AddBranch(root, "Empty");
    EXPECT_EQ(StrucTreeText(root), "Functions\n"
                                   "  main  (line 12)\n"
                                   "  caf\xC3\xA9  (line 1)\n"
                                   "  Nested\n"
                                   "    inner  (line 3)\n"
                                   "Empty\n");
}
