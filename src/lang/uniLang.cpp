// Caption markup rules and the table of interface texts.
#include "lang/uniLang.h"
#include "base/uniAscii.h"

#include <algorithm>

#include "base/uniCodePage.h"
#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"

namespace {

bool IsRefOpener(std::u16string_view text, size_t i) {
    return i + 1 < text.size() && text[i + 1] == u'#' && (text[i] == u'&' || text[i] == u'$');
}

// The lower case of the letters of the common alphabets the code pages hold.
char16_t LowerCase(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) {
        return static_cast<char16_t>(c + 32);
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<char16_t>(c + 80);
    }
    // Latin Extended-A keeps each capital just before its small letter.
    bool evenCapital = (c >= 0x100 && c <= 0x137 && c != 0x130) || (c >= 0x14A && c <= 0x177);
    bool oddCapital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((evenCapital && c % 2 == 0) || (oddCapital && c % 2 == 1)) {
        return static_cast<char16_t>(c + 1);
    }
    return c;
}

// The character of the reference that starts at `pos` ("&#" or "$#" form), and whether
// there is one there at all.
std::optional<char16_t> ReferenceAt(std::u16string_view text, size_t pos) {
    if (!IsRefOpener(text, pos)) {
        return std::nullopt;
    }
    // A reference is at most the opener, ten characters of number and a ";". The longest
    // piece that decodes to exactly one character is the reference.
    std::optional<char16_t> found;
    size_t longest = std::min<size_t>(text.size() - pos, 13);
    for (size_t len = 3; len <= longest; ++len) {
        std::u16string decoded = DecodeNumericRefs(text.substr(pos, len));
        if (decoded.size() == 1) {
            found = decoded[0];
        }
    }
    return found;
}

// The four-character accelerator prefix "[&x]" at the start of a stored caption.
bool HasAcceleratorPrefix(std::u16string_view stored) {
    return stored.size() >= 4 && stored[0] == u'[' && stored[1] == u'&' && stored[3] == u']';
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text.substr(i, from.size()) == from) {
            out += to;
            i += from.size();
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

std::u16string Wide(const char* utf8) {
    return DecodeUtf8(utf8);
}

} // namespace

// ---- Caption markup ----

std::u16string MenuStoredCaption(std::u16string_view value) {
    std::u16string caption = ReplaceAll(value, u"&#", u"$#");
    size_t amp = caption.find(u"&$#");
    if (amp == std::u16string::npos) {
        return caption;
    }
    std::optional<char16_t> accel = ReferenceAt(caption, amp + 1);
    if (!accel) {
        return caption;
    }
    char16_t lower = LowerCase(*accel);
    char16_t shown = AnsiCodePage().ToByte(lower) >= 0 ? lower : u'?';
    caption[amp] = u'^';
    return std::u16string(u"[&") + shown + u']' + caption;
}

std::u16string TemplateItemCaption(int position, std::u16string_view name) {
    std::u16string caption = u"&" + DecodeUtf8(std::to_string(position)) + u" ";
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] != u'&') {
            caption.push_back(name[i]);
        } else if (i + 1 < name.size() && name[i + 1] == u'#') {
            caption += u"$"; // a reference survives
        } else if (i + 1 < name.size() && name[i + 1] == u'&') {
            caption += u"&&";
            ++i;
        } else {
            caption += u"&&"; // a lone ampersand is text, never an accelerator
        }
    }
    return caption;
}

TDrawnCaption DrawnCaption(std::u16string_view stored) {
    if (HasAcceleratorPrefix(stored)) {
        stored.remove_prefix(4);
    }
    // Markup and references are told apart on the stored text, and each run of text
    // between markup is decoded on its own, so a reference that stands for "&" or "^"
    // is drawn, not taken for markup.
    TDrawnCaption drawn;
    std::u16string run;
    bool underlineNext = false;
    auto flush = [&] {
        if (run.empty()) {
            return;
        }
        std::u16string decoded = DecodeNumericRefs(run);
        if (underlineNext && drawn.accelerator < 0) {
            drawn.accelerator = static_cast<int>(drawn.text.size());
        }
        underlineNext = false;
        drawn.text += decoded;
        run.clear();
    };
    for (size_t i = 0; i < stored.size(); ++i) {
        char16_t c = stored[i];
        if (c == u'&' && i + 1 < stored.size() && stored[i + 1] == u'&') {
            flush();
            if (underlineNext && drawn.accelerator < 0) {
                drawn.accelerator = static_cast<int>(drawn.text.size());
            }
            underlineNext = false;
            drawn.text.push_back(u'&');
            ++i;
        } else if ((c == u'&' && !IsRefOpener(stored, i)) || c == u'^') {
            flush();
            underlineNext = true;
        } else {
            run.push_back(c);
        }
    }
    flush();
    size_t tab = drawn.text.find(u'\t');
    if (tab != std::u16string::npos) {
        drawn.shortcut = drawn.text.substr(tab + 1);
        drawn.text.resize(tab);
        if (drawn.accelerator >= static_cast<int>(tab)) {
            drawn.accelerator = -1;
        }
    }
    return drawn;
}

std::u16string MnemonicText(const TDrawnCaption& caption) {
    std::u16string out;
    for (size_t i = 0; i < caption.text.size(); ++i) {
        if (static_cast<int>(i) == caption.accelerator) {
            out.push_back(u'&');
        }
        if (caption.text[i] == u'&') {
            out.push_back(u'&');
        }
        out.push_back(caption.text[i]);
    }
    return out;
}

std::u16string CaptionPlainText(std::u16string_view stored) {
    return DrawnCaption(stored).text;
}

std::u16string InfoText(std::u16string_view value) {
    return ReplaceAll(value, u"\\n", u"\r\n");
}

std::u16string FormatText(std::u16string_view text, std::u16string_view argument) {
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] == u's') {
            out += argument;
            ++i;
        } else if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] == u'%') {
            out.push_back(u'%');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// ---- The text table ----

TUniLangTexts::TUniLangTexts() {
    const auto& defs = Definitions();
    texts_.reserve(defs.size());
    for (size_t i = 0; i < defs.size(); ++i) {
        texts_.push_back(FromValue(defs[i].kind, Wide(defs[i].value)));
        index_.emplace(Slot(defs[i].section, defs[i].key), i);
    }
}

std::string TUniLangTexts::Slot(std::string_view section, std::string_view key) {
    return LowerAscii(section) + '\x1f' + LowerAscii(key);
}

std::u16string TUniLangTexts::FromValue(TLangTextKind kind, std::u16string_view value) {
    switch (kind) {
    case TLangTextKind::Caption:
        return MenuStoredCaption(value);
    case TLangTextKind::Info:
        return DecodeNumericRefs(InfoText(value));
    case TLangTextKind::Text:
        break;
    }
    return DecodeNumericRefs(value);
}

void TUniLangTexts::Apply(const TLangSource& source) {
    if (source.value) {
        const auto& defs = Definitions();
        for (size_t i = 0; i < defs.size(); ++i) {
            if (auto value = source.value(defs[i].section, defs[i].key)) {
                texts_[i] = FromValue(defs[i].kind, *value);
            }
        }
    }
    if (!source.keys || !source.value) {
        return;
    }
    std::vector<TTemplateEntry> templates;
    for (const std::string& key : source.keys("templates")) {
        if (auto name = source.value("templates", key)) {
            templates.push_back({key, *name});
        }
    }
    if (!templates.empty()) {
        templates_ = std::move(templates);
    }
    ApplyFree(source, "Compile", compile_);
    ApplyFree(source, "Filter", filter_);
}

void TUniLangTexts::ApplyFree(const TLangSource& source, std::string_view section,
                              std::unordered_map<std::string, std::u16string>& into) {
    for (const std::string& key : source.keys(section)) {
        if (auto value = source.value(section, key)) {
            into[LowerAscii(key)] = *value;
        }
    }
}

const std::u16string& TUniLangTexts::Text(std::string_view section, std::string_view key) const {
    static const std::u16string kNone;
    auto it = index_.find(Slot(section, key));
    return it == index_.end() ? kNone : texts_[it->second];
}

bool TUniLangTexts::Knows(std::string_view section, std::string_view key) const {
    return index_.count(Slot(section, key)) != 0;
}

TDrawnCaption TUniLangTexts::Caption(std::string_view menuKey) const {
    return DrawnCaption(Text("Menus", menuKey));
}

std::u16string TUniLangTexts::Hint(std::string_view menuKey) const {
    return CaptionPlainText(Text("Menus", menuKey));
}

std::optional<std::u16string>
TUniLangTexts::FreeValue(const std::unordered_map<std::string, std::u16string>& from,
                         std::string_view key) const {
    auto it = from.find(LowerAscii(key));
    if (it == from.end()) {
        return std::nullopt;
    }
    return CaptionPlainText(MenuStoredCaption(it->second));
}

std::u16string TUniLangTexts::CompileCaption(std::string_view typeName,
                                             std::string_view name) const {
    std::string key(name);
    std::replace(key.begin(), key.end(), ' ', '_');
    if (auto caption = FreeValue(compile_, std::string(typeName) + "." + key)) {
        return *caption;
    }
    if (auto caption = FreeValue(compile_, name)) {
        return *caption;
    }
    return DecodeUtf8(name);
}

std::u16string TUniLangTexts::FilterCaption(std::string_view name) const {
    std::string key(name);
    std::replace(key.begin(), key.end(), ' ', '_');
    if (auto caption = FreeValue(filter_, key)) {
        return *caption;
    }
    return DecodeUtf8(name);
}

std::u16string TUniLangTexts::RunHint() const {
    return CaptionPlainText(Text("Compile", "Run"));
}
