// A small, forgiving XML reader for the grammar, catalogue and scheme files.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace colorer {

// One element: its name, attributes, the text directly inside it (character data and CDATA
// joined, entities replaced) and its child elements in document order.
struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;
    std::vector<std::unique_ptr<XmlElement>> children;

    // The attribute's value, or `fallback` when it is absent.
    [[nodiscard]] const std::string* Attribute(std::string_view key) const;
    [[nodiscard]] std::string AttributeOr(std::string_view key, std::string_view fallback) const;
    [[nodiscard]] bool Flag(std::string_view key, bool fallback) const;
    // The first child element of that name, or nullptr.
    [[nodiscard]] const XmlElement* Child(std::string_view childName) const;
};

// Parses `text` into a tree under a nameless root element. Never throws on bad input:
// unclosed elements are closed at the end, and a truncated document gives what was read.
std::unique_ptr<XmlElement> ParseXml(std::string_view text);

// Reads a whole file; returns false when it cannot be read.
bool ReadFile(const std::string& path, std::string& contents);

} // namespace colorer
