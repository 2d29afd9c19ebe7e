// INI files: private-profile reading, in-place editing, atomic replacement.
#include "base/uniIni.h"

#include <cerrno>
#include <utility>

#include "base/uniCodePage.h"
#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r';
}

std::u16string_view Trim(std::u16string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlank(s[b])) {
        ++b;
    }
    while (e > b && IsBlank(s[e - 1])) {
        --e;
    }
    return s.substr(b, e - b);
}

std::string_view Trim8(std::string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) {
        ++b;
    }
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) {
        --e;
    }
    return s.substr(b, e - b);
}

void AppendDecimalRef(std::string& out, unsigned code) {
    out += "&#";
    out += std::to_string(code);
    out.push_back(';');
}

std::string Fold(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

std::string FoldedName(std::u16string_view name) {
    return Fold(IniEncodeText(Trim(name), false));
}

std::u16string Utf16Decode(std::string_view bytes, bool bigEndian) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        out.push_back(static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0));
    }
    return out;
}

void Utf16Append(std::string& out, std::u16string_view text, bool bigEndian) {
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8);
        const char lo = static_cast<char>(c & 0xFF);
        out.push_back(bigEndian ? hi : lo);
        out.push_back(bigEndian ? lo : hi);
    }
}

std::string Eol(std::u16string_view text, size_t& pos) {
    if (pos >= text.size()) {
        return {};
    }
    if (text[pos] == u'\n') {
        ++pos;
        return "\n";
    }
    // text[pos] is '\r'
    if (pos + 1 < text.size() && text[pos + 1] == u'\n') {
        pos += 2;
        return "\r\n";
    }
    ++pos;
    return "\r";
}

// A value written so that reading it back (trimming, then removing one pair of enclosing
// quotes) gives exactly this text.
std::string Quoted(std::string encoded) {
    const bool edgeBlank = !encoded.empty() && (encoded.front() == ' ' || encoded.back() == ' ');
    const bool enclosed = encoded.size() >= 2 &&
                          (encoded.front() == '"' || encoded.front() == '\'') &&
                          encoded.back() == encoded.front();
    if (edgeBlank || enclosed) {
        return '"' + encoded + '"';
    }
    return encoded;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Helpers

std::u16string IniWideFrom8(std::string_view text) {
    return IsValidUtf8(text) ? DecodeUtf8(text) : AnsiToWide(text);
}

std::string IniEncodeText(std::u16string_view text, bool escapeRefs) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0x80 || c < 0x20 || c == 0x7F) {
            AppendDecimalRef(out, c);
        } else if (escapeRefs && (c == u'&' || c == u'$') && i + 1 < text.size() &&
                   text[i + 1] == u'#') {
            AppendDecimalRef(out, c);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::optional<std::int32_t> ParseIniInteger(std::u16string_view text) {
    size_t p = 0;
    bool negative = false;
    if (p < text.size() && (text[p] == u'-' || text[p] == u'+')) {
        negative = text[p] == u'-';
        ++p;
    }
    int base = 10;
    if (p < text.size() && (text[p] == u'$' || text[p] == u'x' || text[p] == u'X')) {
        base = 16;
        ++p;
    } else if (p + 1 < text.size() && text[p] == u'0' &&
               (text[p + 1] == u'x' || text[p + 1] == u'X')) {
        base = 16;
        p += 2;
    }
    if (p == text.size()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (; p < text.size(); ++p) {
        const char16_t c = text[p];
        int d;
        if (c >= u'0' && c <= u'9') {
            d = c - u'0';
        } else if (base == 16 && c >= u'a' && c <= u'f') {
            d = c - u'a' + 10;
        } else if (base == 16 && c >= u'A' && c <= u'F') {
            d = c - u'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (value > 0xFFFFFFFFull) {
            return std::nullopt;
        }
    }
    std::int64_t result;
    if (base == 16) {
        // All 32 bits: colours and flags are written this way.
        result = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    } else {
        result = static_cast<std::int64_t>(value);
        if ((!negative && result > INT32_MAX) ||
            (negative && result > std::int64_t{INT32_MAX} + 1)) {
            return std::nullopt;
        }
    }
    if (negative) {
        result = -result;
    }
    return static_cast<std::int32_t>(result);
}

// ---------------------------------------------------------------------------------------
// TIniName

TIniName::TIniName(std::string_view name) {
    const std::string_view trimmed = Trim8(name);
    bool ascii = true;
    for (char c : trimmed) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || u < 0x20 || u == 0x7F) {
            ascii = false;
            break;
        }
    }
    text_ = ascii ? std::string(trimmed) : IniEncodeText(IniWideFrom8(trimmed), false);
    folded_ = Fold(text_);
}

TIniName::TIniName(std::u16string_view name)
    : text_(IniEncodeText(Trim(name), false)), folded_(Fold(text_)) {}

// ---------------------------------------------------------------------------------------
// TIniFile: reading

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
    Reload();
}

void TIniFile::Reload() {
    lines_.clear();
    readError_.clear();
    encoding_ = TIniEncoding::Utf8;
    dirty_ = false;
    TFileBytes file = ReadFileBytes(fileName_);
    status_ = file.status;
    readError_ = file.error;
    std::string_view bytes = file.bytes;
    std::u16string text;
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
        encoding_ = TIniEncoding::Utf16LE;
        text = Utf16Decode(bytes.substr(2), false);
    } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") {
        encoding_ = TIniEncoding::Utf16BE;
        text = Utf16Decode(bytes.substr(2), true);
    } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF" &&
               IsValidUtf8(bytes.substr(3))) {
        encoding_ = TIniEncoding::Utf8Bom;
        text = DecodeUtf8(bytes.substr(3));
    } else if (IsValidUtf8(bytes)) {
        text = DecodeUtf8(bytes);
    } else {
        encoding_ = TIniEncoding::Ansi;
        text = AnsiToWide(bytes);
    }
    Parse(text);
    Index();
}

TIniFile::TLine TIniFile::ParseLine(std::u16string text, std::string eol) {
    TLine line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    const std::u16string_view t = line.text;
    size_t p = 0;
    while (p < t.size() && IsBlank(t[p])) {
        ++p;
    }
    if (t.find(u'\0') != std::u16string_view::npos) {
        // Not text. One that looks like a header still ends the section before it, so
        // the keys after it are not taken for that section's.
        if (p < t.size() && t[p] == u'[') {
            line.kind = TLineKind::Section;
        }
        return line;
    }
    if (p == t.size() || t[p] == u';') {
        return line;
    }
    if (t[p] == u'[') {
        size_t close = t.find(u']', p + 1);
        if (close == std::u16string_view::npos) {
            close = t.size();
        }
        line.kind = TLineKind::Section; // an empty name can never be asked for
        line.name = std::u16string(Trim(t.substr(p + 1, close - p - 1)));
        line.folded = FoldedName(line.name);
        return line;
    }
    const size_t eq = t.find(u'=', p);
    if (eq == std::u16string_view::npos) {
        return line;
    }
    line.name = std::u16string(Trim(t.substr(p, eq - p)));
    if (line.name.empty()) {
        return line;
    }
    line.kind = TLineKind::Key;
    line.folded = FoldedName(line.name);
    size_t v = eq + 1;
    while (v < t.size() && IsBlank(t[v])) {
        ++v;
    }
    line.valueStart = v == t.size() ? eq + 1 : v;
    std::u16string_view value = Trim(t.substr(v));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    line.value = std::u16string(value);
    return line;
}

void TIniFile::Parse(std::u16string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(u"\r\n", pos);
        if (end == std::u16string_view::npos) {
            end = text.size();
        }
        std::u16string lineText(text.substr(pos, end - pos));
        pos = end;
        std::string eol = Eol(text, pos);
        lines_.push_back(ParseLine(std::move(lineText), std::move(eol)));
    }
}

void TIniFile::Index() {
    sections_.clear();
    sectionIndex_.clear();
    TSection* current = nullptr; // only first occurrences collect keys
    for (size_t i = 0; i < lines_.size(); ++i) {
        const TLine& line = lines_[i];
        if (line.kind == TLineKind::Section) {
            if (current != nullptr) {
                current->end = i;
            }
            current = nullptr;
            if (!line.folded.empty() && sectionIndex_.find(line.folded) == sectionIndex_.end()) {
                sectionIndex_.emplace(line.folded, sections_.size());
                sections_.push_back(TSection{i, i + 1, {}, {}});
                current = &sections_.back();
            }
        } else if (current != nullptr) {
            current->end = i + 1;
            if (line.kind == TLineKind::Key && current->keys.emplace(line.folded, i).second) {
                current->keyOrder.push_back(i);
            }
        }
    }
    if (current != nullptr) {
        current->end = lines_.size();
    }
}

bool TIniFile::SectionExists(const TIniName& section) const {
    return sectionIndex_.find(section.Folded()) != sectionIndex_.end();
}

bool TIniFile::ValueExists(const TIniName& section, const TIniName& key) const {
    return FindKey(section, key) != nullptr;
}

const TIniFile::TLine* TIniFile::FindKey(const TIniName& section, const TIniName& key) const {
    auto s = sectionIndex_.find(section.Folded());
    if (s == sectionIndex_.end()) {
        return nullptr;
    }
    const TSection& sec = sections_[s->second];
    auto k = sec.keys.find(key.Folded());
    return k == sec.keys.end() ? nullptr : &lines_[k->second];
}

std::vector<std::u16string> TIniFile::ReadSections() const {
    std::vector<std::u16string> names;
    names.reserve(sections_.size());
    for (const TSection& s : sections_) {
        names.push_back(lines_[s.header].name);
    }
    return names;
}

std::vector<std::u16string> TIniFile::ReadSection(const TIniName& section) const {
    std::vector<std::u16string> names;
    auto s = sectionIndex_.find(section.Folded());
    if (s != sectionIndex_.end()) {
        for (size_t i : sections_[s->second].keyOrder) {
            names.push_back(lines_[i].name);
        }
    }
    return names;
}

std::vector<std::string> TIniFile::ReadSectionsA() const {
    std::vector<std::string> names;
    for (const std::u16string& n : ReadSections()) {
        names.push_back(IniEncodeText(n, false));
    }
    return names;
}

std::vector<std::string> TIniFile::ReadSectionA(const TIniName& section) const {
    std::vector<std::string> names;
    for (const std::u16string& n : ReadSection(section)) {
        names.push_back(IniEncodeText(n, false));
    }
    return names;
}

std::u16string TIniFile::ReadString(const TIniName& section, const TIniName& key,
                                    std::u16string_view def, TIniRefs refs) const {
    const TLine* line = FindKey(section, key);
    if (line == nullptr) {
        return std::u16string(def);
    }
    switch (refs) {
    case TIniRefs::Decode:
        return DecodeNumericRefs(line->value, TRefForms::Ampersand);
    case TIniRefs::DecodeDollar:
        return DecodeNumericRefs(line->value, TRefForms::AmpersandOrDollar);
    case TIniRefs::Keep:
        break;
    }
    return line->value;
}

std::string TIniFile::ReadStringA(const TIniName& section, const TIniName& key,
                                  std::string_view def) const {
    const TLine* line = FindKey(section, key);
    if (line == nullptr) {
        return std::string(def);
    }
    return IniEncodeText(line->value, false);
}

std::int32_t TIniFile::ReadInteger(const TIniName& section, const TIniName& key,
                                   std::int32_t def) const {
    const TLine* line = FindKey(section, key);
    if (line == nullptr) {
        return def;
    }
    return ParseIniInteger(line->value).value_or(def);
}

bool TIniFile::ReadBool(const TIniName& section, const TIniName& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

// ---------------------------------------------------------------------------------------
// TIniFile: writing

TWriteResult TIniFile::PrepareChange() {
    if (updateDepth_ > 0) {
        return pending_;
    }
    Reload();
    if (status_ == TReadStatus::Failed) {
        // Writing would replace a file we could not read with only the new lines.
        return TWriteResult::Failure(readError_);
    }
    return {};
}

TWriteResult TIniFile::FinishChange() {
    Index();
    if (updateDepth_ > 0 || !dirty_) {
        return {};
    }
    TWriteResult result = WriteFileAtomic(fileName_, Serialise());
    if (result.ok) {
        dirty_ = false;
        status_ = TReadStatus::Ok;
    }
    return result;
}

void TIniFile::BeginUpdate() {
    if (updateDepth_ == 0) {
        pending_ = PrepareChange();
    }
    ++updateDepth_;
}

TWriteResult TIniFile::EndUpdate() {
    if (updateDepth_ == 0) {
        return {};
    }
    if (--updateDepth_ > 0) {
        return pending_;
    }
    if (!pending_.ok) {
        TWriteResult failed = std::move(pending_);
        pending_ = {};
        return failed;
    }
    return FinishChange();
}

std::string TIniFile::DefaultEol() const {
    for (const TLine& line : lines_) {
        if (!line.eol.empty()) {
            return line.eol;
        }
    }
    return "\n";
}

std::string TIniFile::Serialise() const {
    std::u16string text;
    for (const TLine& line : lines_) {
        text += line.text;
        text.append(line.eol.begin(), line.eol.end());
    }
    std::string bytes;
    switch (encoding_) {
    case TIniEncoding::Utf8:
        bytes = EncodeUtf8(text);
        break;
    case TIniEncoding::Utf8Bom:
        bytes = "\xEF\xBB\xBF" + EncodeUtf8(text);
        break;
    case TIniEncoding::Ansi:
        bytes = WideToAnsi(text);
        break;
    case TIniEncoding::Utf16LE:
        bytes = "\xFF\xFE";
        Utf16Append(bytes, text, false);
        break;
    case TIniEncoding::Utf16BE:
        bytes = "\xFE\xFF";
        Utf16Append(bytes, text, true);
        break;
    }
    return bytes;
}

TWriteResult TIniFile::Write(const TIniName& section, const TIniName& key, std::string encoded) {
    if (section.Empty() || key.Empty() || section.Text().find(']') != std::string::npos ||
        key.Text().find('=') != std::string::npos || key.Text().front() == '[' ||
        key.Text().front() == ';') {
        // Such a name could not be read back as the same section or key.
        return TWriteResult::Failure(ErrorText(EINVAL));
    }
    if (TWriteResult ready = PrepareChange(); !ready.ok) {
        return ready;
    }
    const std::u16string value(encoded.begin(), encoded.end());
    auto s = sectionIndex_.find(section.Folded());
    if (s != sectionIndex_.end()) {
        const TSection& sec = sections_[s->second];
        auto k = sec.keys.find(key.Folded());
        if (k != sec.keys.end()) {
            TLine& line = lines_[k->second];
            std::u16string text = line.text.substr(0, line.valueStart) + value;
            if (text != line.text) {
                line = ParseLine(std::move(text), std::move(line.eol));
                dirty_ = true;
            }
            return FinishChange();
        }
        // After the section's last key (or its header), before trailing blanks and comments.
        size_t at = sec.keyOrder.empty() ? sec.header : sec.keyOrder.back();
        for (size_t i = at + 1; i < sec.end; ++i) {
            if (lines_[i].kind == TLineKind::Key) {
                at = i; // a later duplicate of a key
            }
        }
        if (lines_[at].eol.empty()) {
            lines_[at].eol = DefaultEol();
        }
        const std::string eol = lines_[at].eol;
        std::u16string text(key.Text().begin(), key.Text().end());
        text += u'=';
        text += value;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at + 1),
                      ParseLine(std::move(text), eol));
        dirty_ = true;
        return FinishChange();
    }
    const std::string eol = DefaultEol();
    if (!lines_.empty()) {
        if (lines_.back().eol.empty()) {
            lines_.back().eol = eol;
        }
        if (!Trim(lines_.back().text).empty()) {
            lines_.push_back(ParseLine(std::u16string(), eol));
        }
    }
    std::u16string header = u"[";
    header.append(section.Text().begin(), section.Text().end());
    header += u']';
    lines_.push_back(ParseLine(std::move(header), eol));
    std::u16string text(key.Text().begin(), key.Text().end());
    text += u'=';
    text += value;
    lines_.push_back(ParseLine(std::move(text), eol));
    dirty_ = true;
    return FinishChange();
}

TWriteResult TIniFile::WriteString(const TIniName& section, const TIniName& key,
                                   std::u16string_view value) {
    return Write(section, key, Quoted(IniEncodeText(value, true)));
}

TWriteResult TIniFile::WriteStringA(const TIniName& section, const TIniName& key,
                                    std::string_view value) {
    return Write(section, key, Quoted(IniEncodeText(IniWideFrom8(value), false)));
}

TWriteResult TIniFile::WriteInteger(const TIniName& section, const TIniName& key,
                                    std::int64_t value) {
    return Write(section, key, std::to_string(value));
}

TWriteResult TIniFile::WriteBool(const TIniName& section, const TIniName& key, bool value) {
    return Write(section, key, value ? "1" : "0");
}

TWriteResult TIniFile::Remove(const TIniName& section, const TIniName* key) {
    if (section.Empty()) {
        return {};
    }
    if (TWriteResult ready = PrepareChange(); !ready.ok) {
        return ready;
    }
    std::vector<TLine> kept;
    kept.reserve(lines_.size());
    bool inSection = false;
    for (TLine& line : lines_) {
        if (line.kind == TLineKind::Section) {
            inSection = line.folded == section.Folded();
        }
        const bool drop =
            inSection &&
            (key == nullptr || (line.kind == TLineKind::Key && line.folded == key->Folded()));
        if (drop) {
            dirty_ = true;
        } else {
            kept.push_back(std::move(line));
        }
    }
    lines_ = std::move(kept);
    return FinishChange();
}

TWriteResult TIniFile::DeleteKey(const TIniName& section, const TIniName& key) {
    return Remove(section, &key);
}

TWriteResult TIniFile::EraseSection(const TIniName& section) {
    return Remove(section, nullptr);
}

std::string ReadUtf8(const TIniFile& ini, const TIniName& section, const TIniName& key,
                     std::string_view def) {
    if (!ini.ValueExists(section, key)) {
        return std::string(def);
    }
    return EncodeUtf8(ini.ReadString(section, key));
}

std::optional<int> ReadOptionalInt(const TIniFile& ini, const TIniName& section,
                                   const TIniName& key) {
    if (!ini.ValueExists(section, key)) {
        return std::nullopt;
    }
    return ParseIniInteger(ini.ReadString(section, key, {}, TIniRefs::Keep));
}

std::optional<bool> ReadOptionalBool(const TIniFile& ini, const TIniName& section,
                                     const TIniName& key) {
    if (std::optional<int> v = ReadOptionalInt(ini, section, key)) {
        return *v != 0;
    }
    return std::nullopt;
}
