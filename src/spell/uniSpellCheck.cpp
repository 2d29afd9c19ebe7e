// The speller's protocol: words out through the dictionary's charset, replies parsed.
#include "spell/uniSpellCheck.h"

#include "base/uniAscii.h"
#include "base/uniCodePage.h"
#include "base/uniUtf8.h"

namespace {

bool IsProtocolMark(char16_t c) {
    return c == u'*' || c == u'+' || c == u'-';
}

size_t SkipSpaces(const std::string& s, size_t p) {
    while (p < s.size() && s[p] == ' ') {
        ++p;
    }
    return p;
}

// A decimal number at `p` (none: -1); `p` moves past it.
int ReadNumber(const std::string& s, size_t& p) {
    p = SkipSpaces(s, p);
    if (p >= s.size() || s[p] < '0' || s[p] > '9') {
        return -1;
    }
    long value = 0;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') {
        if (value < 1'000'000'000) {
            value = value * 10 + (s[p] - '0');
        }
        ++p;
    }
    return static_cast<int>(value);
}

// Past the reply's mark and the word after it.
size_t AfterWord(const std::string& reply) {
    size_t p = SkipSpaces(reply, 1);
    const size_t space = reply.find(' ', p);
    return space == std::string::npos ? reply.size() : space;
}

} // namespace

void TSpellChecker::PrepareTable(const TISpellListObj& language, const TCharsetLists& lists,
                                 const TConfigFolder& folder) {
    table_.Clear();
    table_.name = language.Charset;
    if (auto file = lists.CharsetFile(language.Charset)) {
        table_.LoadFromFile(folder.Path("Ini/" + *file));
    }
    if (!language.Surrogate.empty() && language.Surrogate != "-") {
        if (auto file = lists.SurrogateFile(language.Surrogate)) {
            table_.LoadFromFile(folder.Path("Ini/" + *file));
        }
    }
}

std::string TSpellChecker::Encode(std::u16string_view text) const {
    const std::u16string encoded = table_.EncodeText(text);
    if (SameText(table_.name, "UTF-8")) {
        return EncodeUtf8(encoded);
    }
    const TCodePage& page = AnsiCodePage();
    std::string out;
    out.reserve(encoded.size());
    for (const char16_t unit : encoded) {
        if (const int byte = page.ToByte(unit); byte >= 0) {
            out.push_back(static_cast<char>(byte));
        } else {
            out += "&#" + std::to_string(static_cast<unsigned>(unit)) + ";";
        }
    }
    return out;
}

std::u16string TSpellChecker::Decode(std::string_view bytes) const {
    return DecodeFromChecker(table_, bytes);
}

void TSpellChecker::SendToSpeller(std::u16string_view text) {
    speller_.Send(Encode(text));
}

void TSpellChecker::Add(std::u16string_view word) {
    SendToSpeller(u"*" + std::u16string(word));
    // The personal dictionary is written now, not only when the speller ends.
    speller_.Send("#");
}

TSpellVerdict TSpellChecker::CheckWord(std::u16string_view word) {
    TSpellVerdict verdict;
    // Leading "*", "+" and "-" would be read as commands.
    size_t skip = 0;
    while (skip < word.size() && IsProtocolMark(word[skip])) {
        ++skip;
    }
    const std::u16string_view sent = word.substr(skip);
    verdict.word = sent;
    lastReply_ = sent.empty() ? std::string() : speller_.Ask(Encode(sent));
    if (lastReply_.empty() || IsProtocolMark(static_cast<unsigned char>(lastReply_[0]))) {
        return verdict;
    }
    const char mark = lastReply_[0];
    if (mark == '&' || mark == '?' || mark == '#') {
        // "& word count offset: ...", "? word count offset: ...", "# word offset".
        const size_t start = SkipSpaces(lastReply_, 1);
        size_t p = AfterWord(lastReply_);
        std::u16string seen = Decode(std::string_view(lastReply_).substr(start, p - start));
        const size_t lead = seen.find_first_not_of(u' ');
        seen.erase(0, lead == std::u16string::npos ? seen.size() : lead);
        if (!seen.empty()) {
            verdict.word = std::move(seen);
        }
        if (mark != '#') {
            ReadNumber(lastReply_, p); // the count
        }
        const int offset = ReadNumber(lastReply_, p);
        verdict.offset = static_cast<int>(skip) + (offset > 0 ? offset : 0);
    } else {
        verdict.offset = static_cast<int>(skip);
    }
    verdict.misspelled = true;
    verdict.length = static_cast<int>(verdict.word.size());
    return verdict;
}

std::optional<std::vector<std::u16string>> TSpellChecker::Suggestions() const {
    std::vector<std::u16string> items;
    if (lastReply_.empty() || (lastReply_[0] != '&' && lastReply_[0] != '?')) {
        return items;
    }
    size_t p = AfterWord(lastReply_);
    const int count = ReadNumber(lastReply_, p);
    const size_t colon = lastReply_.find(':', p);
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    p = colon + 1;
    while (p < lastReply_.size()) {
        while (p < lastReply_.size() && (lastReply_[p] == ' ' || lastReply_[p] == ',')) {
            ++p;
        }
        if (p >= lastReply_.size()) {
            break;
        }
        size_t end = lastReply_.find(',', p);
        if (end == std::string::npos) {
            end = lastReply_.size();
        }
        size_t last = end;
        while (last > p && lastReply_[last - 1] == ' ') {
            --last;
        }
        std::u16string item = Decode(std::string_view(lastReply_).substr(p, last - p));
        if (static_cast<int>(items.size()) >= count) {
            item.insert(item.begin(), u':');
        }
        items.push_back(std::move(item));
        p = end;
    }
    return items;
}

// --- the session's speller ---------------------------------------------------------------

TSpellSession::TSpellSession()
    : process_(std::make_unique<TSpellerProcess>()),
      checker_(std::make_unique<TSpellChecker>(*process_)) {}

TSpellSession::~TSpellSession() = default;

TSpellChecker* TSpellSession::Prepare(const std::string& name, const TSpellLanguages& languages,
                                      const TCharsetLists& lists, const TConfigFolder& folder) {
    const TISpellListObj* language = languages.Find(name);
    if (language == nullptr) {
        return nullptr;
    }
    if (!process_->Running() || language_ != name) {
        Stop();
        checker_->PrepareTable(*language, lists, folder);
        process_->Start(language->Cmd, folder.Root());
        language_ = name;
    }
    return checker_.get();
}

void TSpellSession::Stop() {
    process_->Stop();
    language_.clear();
}
