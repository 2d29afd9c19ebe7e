// The structure tree: ownership, lookups by name and by position, the text form.
#include "structure/uniStrucTree.h"

#include "base/uniCodePage.h"
#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"

int TStrucNodeList::Add(std::unique_ptr<TStrucNode> node) {
    items_.push_back(std::move(node));
    return Count() - 1;
}

void TStrucNodeList::AddList(std::unique_ptr<TStrucNodeList> other) {
    if (!other) {
        return;
    }
    for (auto& node : other->items_) {
        items_.push_back(std::move(node));
    }
    other->items_.clear();
}

TStrucNode* TStrucNodeList::FindByName(std::string_view name) const {
    for (const auto& node : items_) {
        if (node->GetName() == name) {
            return node.get();
        }
    }
    return nullptr;
}

namespace {

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b, bool caseSensitive) {
    if (caseSensitive) {
        return a == b;
    }
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t k = 0; k < a.size(); ++k) {
        if (AsciiUpper(a[k]) != AsciiUpper(b[k])) {
            return false;
        }
    }
    return true;
}

void AppendTreeText(const TStrucTree& tree, int depth, std::string& out) {
    for (int i = 0; i < tree.Children.Count(); ++i) {
        const TStrucNode* node = tree.Children[i];
        out.append(static_cast<size_t>(depth) * 2, ' ');
        out += EncodeUtf8(DecodeNumericRefs(AnsiToWide(node->GetName()), TRefForms::Ampersand));
        if (const auto* location = dynamic_cast<const TStrucLocation*>(node)) {
            out += "  (line " + std::to_string(location->Line + 1) + ")";
        }
        out += '\n';
        if (const auto* branch = dynamic_cast<const TStrucTree*>(node)) {
            AppendTreeText(*branch, depth + 1, out);
        }
    }
}

} // namespace

TStrucNode* TStrucTree::byName(std::string_view name, bool caseSensitive) {
    if (SameName(Name, name, caseSensitive)) {
        return this;
    }
    for (int i = 0; i < Children.Count(); ++i) {
        TStrucNode* child = Children[i];
        if (SameName(child->GetName(), name, caseSensitive)) {
            return child;
        }
        if (auto* branch = dynamic_cast<TStrucTree*>(child)) {
            if (TStrucNode* found = branch->byName(name, true)) {
                return found;
            }
        }
    }
    return nullptr;
}

TStrucLocation* TStrucTree::closestTo(std::int32_t column, std::int32_t line,
                                      TStrucLocation* best) {
    for (int i = 0; i < Children.Count(); ++i) {
        TStrucNode* child = Children[i];
        if (auto* branch = dynamic_cast<TStrucTree*>(child)) {
            best = branch->closestTo(column, line, best);
        } else if (auto* location = dynamic_cast<TStrucLocation*>(child)) {
            if (location->IsAtOrBefore(column, line) && location->IsAfterLocation(best)) {
                best = location;
            }
        }
    }
    return best;
}

std::string StrucTreeText(const TStrucTree& root) {
    std::string out;
    AppendTreeText(root, 0, out);
    return out;
}
