// The structure tree: kind branches holding named locations of a document.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Names are 8-bit text carrying characters from U+0080 up as "&#DDDD;" references. Lines
// and columns are 0-based; columns count the line's characters with tabs expanded.
class TStrucNode {
public:
    virtual ~TStrucNode() = default;
    virtual const std::string& GetName() const = 0;

    // Whether the outline shows this node's branch open; kept by the structure view.
    bool Expanded = false;

protected:
    TStrucNode() = default;
    // Nodes live in one list that owns them; they are never copied.
    TStrucNode(const TStrucNode&) = delete;
    TStrucNode& operator=(const TStrucNode&) = delete;
};

// A leaf: a named place in the document.
class TStrucLocation final : public TStrucNode {
public:
    TStrucLocation() = default;
    TStrucLocation(std::string name, std::int32_t line, std::int32_t column, std::int32_t endColumn)
        : Column(column), Line(line), EndColumn(endColumn), Name(std::move(name)) {}

    const std::string& GetName() const override { return Name; }

    // Positions are ordered by line, then column. A Column of -1 lies before column 0.
    // True when this location is at or before column c of line l.
    bool IsAtOrBefore(std::int32_t c, std::int32_t l) const {
        return l == Line ? c >= Column : l > Line;
    }
    // True when this location lies strictly after column c of line l.
    bool IsAfter(std::int32_t c, std::int32_t l) const { return l == Line ? c < Column : l < Line; }
    // True when `other` is null or lies before this location.
    bool IsAfterLocation(const TStrucLocation* other) const {
        return other == nullptr || IsAfter(other->Column, other->Line);
    }

    std::int32_t Column = -1;    // first character of the match, or -1
    std::int32_t Line = 0;       // line index
    std::int32_t EndColumn = -1; // last character of the match, or -1
    std::string Name;
};

// An ordered list that owns its nodes.
class TStrucNodeList {
public:
    TStrucNodeList() = default;
    TStrucNodeList(const TStrucNodeList&) = delete;
    TStrucNodeList& operator=(const TStrucNodeList&) = delete;

    // Appends and returns the node's index.
    int Add(std::unique_ptr<TStrucNode> node);
    // Moves every node of `other` to the end of this list, in order, and frees `other`.
    // A null `other` changes nothing.
    void AddList(std::unique_ptr<TStrucNodeList> other);
    // The first node whose name equals `name` byte for byte, or null.
    TStrucNode* FindByName(std::string_view name) const;

    int Count() const { return static_cast<int>(items_.size()); }
    TStrucNode* Items(int i) const { return items_.at(static_cast<size_t>(i)).get(); }
    TStrucNode* operator[](int i) const { return Items(i); }

private:
    std::vector<std::unique_ptr<TStrucNode>> items_;
};

// An inner node; freeing it frees its whole subtree.
class TStrucTree final : public TStrucNode {
public:
    explicit TStrucTree(std::string name = {}) : Name(std::move(name)) {}

    const std::string& GetName() const override { return Name; }

    // This node or the first node below it, depth first in child order, whose name equals
    // `name`. Letter case is ignored (ASCII letters only) when `caseSensitive` is false,
    // but only for this node and its direct children: deeper levels compare exactly.
    TStrucNode* byName(std::string_view name, bool caseSensitive);
    // The location with the greatest position at or before column `column` of line `line`
    // (the first met, depth first, among equals), or `best` when none is after it; callers
    // pass null as `best`. Null when every location lies after the position.
    TStrucLocation* closestTo(std::int32_t column, std::int32_t line, TStrucLocation* best);

    std::string Name;
    TStrucNodeList Children;
};

// The tree as text, one node a line, without the root: each level indented by two more
// spaces, a leaf followed by two spaces and "(line N)" with N counted from 1. Names are
// written in UTF-8 with their references decoded.
std::string StrucTreeText(const TStrucTree& root);
