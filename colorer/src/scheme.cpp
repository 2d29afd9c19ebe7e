// Reads the scheme's <assign> lines and colours regions from them.
#include "scheme.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "grammar.h"
#include "parser.h"
#include "xmlReader.h"

namespace colorer {

namespace {

// "#" and up to eight hexadecimal digits: the low 24 bits are the colour as the program
// keeps colours (0xBBGGRR), bits 24 to 27 add bold, italic, underline and strike-out (as
// the general setup writes them: "#1ff0000" is bold blue). A value with any of bits 28 to
// 31 set ("#FFFFFFFF") has no colour.
bool ParseColour(const std::string& text, int32_t& colour, int32_t& styles) {
    if (text.size() < 2 || text.size() > 9 || text[0] != '#') {
        return false;
    }
    char* stop = nullptr;
    const unsigned long value = std::strtoul(text.c_str() + 1, &stop, 16);
    if (*stop != 0 || text[1] == '-' || text[1] == '+' || (value & 0xF0000000UL) != 0) {
        return false;
    }
    colour = static_cast<int32_t>(value & 0xFFFFFF);
    styles = static_cast<int32_t>(value & 0x0F000000);
    return true;
}

int32_t ParseFlags(const std::string& type) {
    int32_t flags = 0;
    for (const char* word : {"bold", "italic", "underline", "strikeout"}) {
        if (type.find(word) != std::string::npos) {
            flags |= std::strcmp(word, "bold") == 0        ? COLORER_BOLD
                     : std::strcmp(word, "italic") == 0    ? COLORER_ITALIC
                     : std::strcmp(word, "underline") == 0 ? COLORER_UNDERLINE
                                                           : COLORER_STRIKEOUT;
        }
    }
    return flags;
}

} // namespace

void Scheme::Load(const std::string& path) {
    std::lock_guard lock(mutex_);
    std::string text;
    std::unique_ptr<XmlElement> root;
    if (ReadFile(path, text)) {
        root = ParseXml(text);
    }
    std::vector<const XmlElement*> assigns;
    std::vector<const XmlElement*> pending{root.get()};
    while (!pending.empty()) {
        const XmlElement* element = pending.back();
        pending.pop_back();
        if (element == nullptr) {
            continue;
        }
        for (auto it = element->children.rbegin(); it != element->children.rend(); ++it) {
            if ((*it)->name == "assign") {
                assigns.push_back(it->get());
            } else {
                pending.push_back(it->get());
            }
        }
    }
    std::reverse(assigns.begin(), assigns.end());
    // Numbered values keep their number; named classes follow them in file order.
    indexByName_.clear();
    indexByClass_.clear();
    int next = 3;
    std::vector<std::pair<int, const XmlElement*>> indexed;
    for (const XmlElement* assign : assigns) {
        std::string value = assign->AttributeOr("value", "");
        int index = 0;
        if (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos) {
            index = std::atoi(value.c_str());
        } else {
            index = next++;
            indexByName_[value] = index;
        }
        indexed.emplace_back(index, assign);
    }
    size_t count = 3;
    for (const auto& [index, assign] : indexed) {
        count = std::max(count, static_cast<size_t>(index) + 1);
    }
    // Style records are kept in place so pointers the program holds stay valid.
    for (auto& style : styles_) {
        *style = ColorerStyle{-1, 0, 0, 0, -1};
    }
    while (styles_.size() < count) {
        styles_.push_back(std::make_unique<ColorerStyle>(ColorerStyle{-1, 0, 0, 0, -1}));
    }
    for (const auto& [index, assign] : indexed) {
        if (index <= 0) {
            continue;
        }
        ColorerStyle& style = *styles_[static_cast<size_t>(index)];
        int32_t colour = 0;
        int32_t styles = 0;
        int32_t flags = ParseFlags(assign->AttributeOr("type", ""));
        if (ParseColour(assign->AttributeOr("fore", ""), colour, styles)) {
            style.foreground = colour | flags | styles;
            style.hasForeground = 1;
        } else {
            style.foreground = flags != 0 ? static_cast<int32_t>(0x10000000) | flags : -1;
        }
        if (ParseColour(assign->AttributeOr("back", ""), colour, styles)) {
            style.background = colour;
            style.hasBackground = 1;
        }
    }
}

ColorerStyle* Scheme::Style(int32_t index) {
    std::lock_guard lock(mutex_);
    if (index <= 0 || static_cast<size_t>(index) >= styles_.size()) {
        return nullptr;
    }
    return styles_[static_cast<size_t>(index)].get();
}

int Scheme::IndexOf(int styleClass) {
    if (styleClass < 0) {
        return -1;
    }
    if (static_cast<size_t>(styleClass) >= indexByClass_.size()) {
        indexByClass_.resize(static_cast<size_t>(styleClass) + 1, -2);
    }
    int& index = indexByClass_[static_cast<size_t>(styleClass)];
    if (index == -2) {
        index = -1;
        StyleClasses::Instance().Walk(styleClass, [&](const std::string& name) {
            auto it = indexByName_.find(name);
            if (it != indexByName_.end()) {
                index = it->second;
                return true;
            }
            return false;
        });
    }
    return index;
}

void Scheme::Colour(ColorerLineRecord* records, int32_t capacity,
                    const ColorerStyle* defaultStyle) {
    std::lock_guard lock(mutex_);
    int32_t defaultFore = -1;
    if (defaultStyle != nullptr && defaultStyle->hasForeground != 0) {
        defaultFore = defaultStyle->foreground & 0xFFFFFF;
    }
    for (int32_t k = 1; k < capacity; ++k) {
        ColorerLineRecord& record = records[k];
        for (ColorerRegion* region = record.first; region != nullptr; region = region->next) {
            auto* node = reinterpret_cast<RegionNode*>(region);
            int index = IndexOf(node->styleClass);
            region->style = index;
            region->foreground = -1;
            region->background = -1;
            if (index <= 0 || static_cast<size_t>(index) >= styles_.size()) {
                // The scheme does not colour this class: the region leaves the list.
                (region->prev != nullptr ? region->prev->next : record.first) = region->next;
                (region->next != nullptr ? region->next->prev : record.last) = region->prev;
                continue;
            }
            const ColorerStyle& style = *styles_[static_cast<size_t>(index)];
            const bool pair =
                region->kind == COLORER_PAIR_START || region->kind == COLORER_PAIR_END;
            const int32_t flags = style.foreground == -1 ? 0 : style.foreground & 0x0F000000;
            if (style.hasForeground != 0) {
                region->foreground = style.foreground;
            } else if (!pair && defaultFore >= 0) {
                region->foreground = defaultFore | flags;
            } else if (flags != 0) {
                region->foreground = static_cast<int32_t>(0x10000000) | flags;
            }
            // Only a class with a background of its own paints one: elsewhere the editor's
            // own background shows, and with it the caret line's highlight.
            if (style.hasBackground != 0) {
                region->background = style.background;
            }
        }
    }
}

} // namespace colorer
