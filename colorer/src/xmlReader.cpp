// A small, forgiving XML reader: elements, attributes, text, CDATA, comments and entities.
#include "xmlReader.h"

#include <cstdio>
#include <cstring>

namespace colorer {

const std::string* XmlElement::Attribute(std::string_view key) const {
    for (const auto& [k, v] : attributes) {
        if (k == key) {
            return &v;
        }
    }
    return nullptr;
}

std::string XmlElement::AttributeOr(std::string_view key, std::string_view fallback) const {
    const std::string* value = Attribute(key);
    return value != nullptr ? *value : std::string(fallback);
}

bool XmlElement::Flag(std::string_view key, bool fallback) const {
    const std::string* value = Attribute(key);
    if (value == nullptr) {
        return fallback;
    }
    return *value == "true" || *value == "1" || *value == "yes";
}

const XmlElement* XmlElement::Child(std::string_view childName) const {
    for (const auto& child : children) {
        if (child->name == childName) {
            return child.get();
        }
    }
    return nullptr;
}

namespace {

void AppendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Appends `raw` to `out` with the entity references replaced.
void AppendDecoded(std::string& out, std::string_view raw) {
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        size_t semi = raw.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += '&';
            continue;
        }
        std::string_view name = raw.substr(i + 1, semi - i - 1);
        if (name == "lt") {
            out += '<';
        } else if (name == "gt") {
            out += '>';
        } else if (name == "amp") {
            out += '&';
        } else if (name == "quot") {
            out += '"';
        } else if (name == "apos") {
            out += '\'';
        } else if (!name.empty() && name[0] == '#') {
            std::string digits(name.substr(1));
            unsigned long code = 0;
            if (!digits.empty() && (digits[0] == 'x' || digits[0] == 'X')) {
                code = std::strtoul(digits.c_str() + 1, nullptr, 16);
            } else {
                code = std::strtoul(digits.c_str(), nullptr, 10);
            }
            AppendUtf8(out, code);
        } else {
            out.append(raw.substr(i, semi - i + 1));
        }
        i = semi;
    }
}

bool IsNameChar(char c) {
    return c != 0 && std::strchr(" \t\r\n/>=<\"'", c) == nullptr;
}

} // namespace

std::unique_ptr<XmlElement> ParseXml(std::string_view text) {
    auto root = std::make_unique<XmlElement>();
    std::vector<XmlElement*> open{root.get()};
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        if (text[i] != '<') {
            size_t next = text.find('<', i);
            if (next == std::string_view::npos) {
                next = n;
            }
            AppendDecoded(open.back()->text, text.substr(i, next - i));
            i = next;
            continue;
        }
        if (text.compare(i, 4, "<!--") == 0) {
            size_t close = text.find("-->", i + 4);
            i = close == std::string_view::npos ? n : close + 3;
            continue;
        }
        if (text.compare(i, 9, "<![CDATA[") == 0) {
            size_t close = text.find("]]>", i + 9);
            size_t stop = close == std::string_view::npos ? n : close;
            open.back()->text.append(text.substr(i + 9, stop - i - 9));
            i = close == std::string_view::npos ? n : close + 3;
            continue;
        }
        if (i + 1 < n && (text[i + 1] == '?' || text[i + 1] == '!')) {
            size_t close = text.find('>', i);
            i = close == std::string_view::npos ? n : close + 1;
            continue;
        }
        if (i + 1 < n && text[i + 1] == '/') {
            size_t close = text.find('>', i);
            std::string_view name =
                text.substr(i + 2, (close == std::string_view::npos ? n : close) - i - 2);
            while (!name.empty() && (name.back() == ' ' || name.back() == '\t' ||
                                     name.back() == '\n' || name.back() == '\r')) {
                name.remove_suffix(1);
            }
            // Close up to the matching element; a stray end tag is ignored.
            for (size_t depth = open.size(); depth > 1; --depth) {
                if (open[depth - 1]->name == name) {
                    open.resize(depth - 1);
                    break;
                }
            }
            i = close == std::string_view::npos ? n : close + 1;
            continue;
        }
        // Start tag.
        size_t p = i + 1;
        size_t nameStart = p;
        while (p < n && IsNameChar(text[p])) {
            ++p;
        }
        auto element = std::make_unique<XmlElement>();
        element->name = std::string(text.substr(nameStart, p - nameStart));
        bool selfClosing = false;
        while (p < n) {
            char c = text[p];
            if (c == '>') {
                ++p;
                break;
            }
            if (c == '/' && p + 1 < n && text[p + 1] == '>') {
                selfClosing = true;
                p += 2;
                break;
            }
            if (!IsNameChar(c)) {
                ++p;
                continue;
            }
            size_t keyStart = p;
            while (p < n && IsNameChar(text[p])) {
                ++p;
            }
            std::string key(text.substr(keyStart, p - keyStart));
            while (p < n &&
                   (text[p] == ' ' || text[p] == '\t' || text[p] == '\n' || text[p] == '\r')) {
                ++p;
            }
            std::string value;
            if (p < n && text[p] == '=') {
                ++p;
                while (p < n &&
                       (text[p] == ' ' || text[p] == '\t' || text[p] == '\n' || text[p] == '\r')) {
                    ++p;
                }
                if (p < n && (text[p] == '"' || text[p] == '\'')) {
                    char quote = text[p];
                    size_t close = text.find(quote, p + 1);
                    size_t stop = close == std::string_view::npos ? n : close;
                    AppendDecoded(value, text.substr(p + 1, stop - p - 1));
                    p = close == std::string_view::npos ? n : close + 1;
                }
            }
            element->attributes.emplace_back(std::move(key), std::move(value));
        }
        i = p;
        XmlElement* raw = element.get();
        open.back()->children.push_back(std::move(element));
        if (!selfClosing) {
            open.push_back(raw);
        }
    }
    return root;
}

bool ReadFile(const std::string& path, std::string& contents) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    contents.clear();
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        contents.append(chunk, got);
    }
    std::fclose(file);
    return true;
}

} // namespace colorer
