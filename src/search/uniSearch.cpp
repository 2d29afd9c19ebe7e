// TuniSearch: literal and expression search in one string, whole words, replacement text.
#include "search/uniSearch.h"

#include <algorithm>

namespace {

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// The first occurrence of `pattern` in `text` from `from` with A-Z folded.
size_t FindFolded(std::u16string_view text, std::u16string_view pattern, size_t from) {
    if (pattern.size() > text.size()) {
        return std::u16string_view::npos;
    }
    const char16_t first = FoldAscii(pattern[0]);
    const size_t last = text.size() - pattern.size();
    for (size_t i = from; i <= last; ++i) {
        if (FoldAscii(text[i]) != first) {
            continue;
        }
        size_t k = 1;
        while (k < pattern.size() && FoldAscii(text[i + k]) == FoldAscii(pattern[k])) {
            ++k;
        }
        if (k == pattern.size()) {
            return i;
        }
    }
    return std::u16string_view::npos;
}

} // namespace

void TuniSearch::SetInvertCase(TRegExprInvertCase invert) {
    regex_.SetInvertCase(std::move(invert));
}

void TuniSearch::SetCaseMap(TCaseMapFunc caseMap) {
    caseMap_ = std::move(caseMap);
    mappedPattern_.valid = false;
    mappedSubject_.valid = false;
}

bool TuniSearch::IsDelimiter(char16_t c) const {
    return c == u' ' || c == u'\t' || delimiters.find(c) != std::u16string::npos;
}

bool TuniSearch::WholeWordAt(int pos, int len) const {
    const int size = static_cast<int>(subject.size());
    if (pos > 1 && !IsDelimiter(subject[static_cast<size_t>(pos - 2)])) {
        return false;
    }
    const int after = pos - 1 + len; // 0-based index of the unit after the match
    return after >= size || IsDelimiter(subject[static_cast<size_t>(after)]);
}

const std::u16string& TuniSearch::Mapped(const std::u16string& text, TMappedText& cache) {
    if (cache.valid && text == cache.source) {
        return cache.mapped;
    }
    cache.valid = true;
    cache.source = text;
    cache.mapped.clear();
    caseMap_(1, text, cache.mapped);
    return cache.mapped;
}

bool TuniSearch::FindRegExpr() {
    const int size = static_cast<int>(subject.size());
    if (!inputSet_) {
        regex_.SetModifier(TRegExpr::kModI, ignoreCase);
        if (regex_.Expression() != pattern) {
            regex_.SetExpression(pattern);
        }
        // The whole line: a document line may hold U+0000 and text after it.
        regex_.SetInputString(subject, TRegExpr::TInputEnd::WholeText);
        inputSet_ = true;
    }
    if (!regex_.ExecPos(startPos)) {
        return false;
    }
    if (regex_.MatchPos(0) > size + 1) {
        return false;
    }
    matchPos = regex_.MatchPos(0);
    matchLen = regex_.MatchLen(0);
    return true;
}

bool TuniSearch::FindLiteral() {
    const size_t from = static_cast<size_t>(startPos - 1);
    size_t hit = std::u16string::npos;
    if (ignoreCase && !caseMap_) {
        hit = FindFolded(subject, pattern, from);
    } else if (ignoreCase) {
        const std::u16string& p = Mapped(pattern, mappedPattern_);
        const std::u16string& s = Mapped(subject, mappedSubject_);
        if (from <= s.size()) {
            hit = s.find(p, from);
        }
        // A case map that changes lengths could point past the real subject.
        if (hit != std::u16string::npos && hit + pattern.size() > subject.size()) {
            hit = std::u16string::npos;
        }
    } else {
        hit = subject.find(pattern, from);
    }
    if (hit == std::u16string::npos) {
        return false;
    }
    matchPos = static_cast<int>(hit) + 1;
    matchLen = static_cast<int>(pattern.size());
    return true;
}

bool TuniSearch::FindNext() {
    inputSet_ = false;
    matchPos = 0;
    matchLen = 0;
    const int size = static_cast<int>(subject.size());
    if (pattern.empty()) {
        return false;
    }
    for (;;) {
        if (startPos < 1 || startPos > size + 1) {
            return false;
        }
        const bool found = useRegExpr ? FindRegExpr() : FindLiteral();
        if (!wholeWord || !found) {
            return found;
        }
        if (WholeWordAt(matchPos, matchLen)) {
            return true;
        }
        startPos = matchPos + 1;
        matchPos = 0;
        matchLen = 0;
        // A candidate may still start at the last unit.
        if (startPos > size) {
            return false;
        }
    }
}

void TuniSearch::Substitute(std::u16string_view tmpl, std::u16string& result) {
    if (!useRegExpr) {
        result.assign(tmpl);
        return;
    }
    result = regex_.Substitute(ConvertNewlineEscapes(tmpl));
}

int TuniSearch::CountMatches(std::u16string_view newPattern, std::u16string_view text) {
    pattern.assign(newPattern);
    subject.assign(text);
    startPos = 1;
    if (subject.empty()) {
        return 0;
    }
    int count = 0;
    bool found = FindNext();
    while (found) {
        ++count;
        startPos = matchPos + 1;
        // The subject has not changed: keep the engine's copy of it.
        matchPos = 0;
        matchLen = 0;
        if (startPos > static_cast<int>(subject.size()) + 1) {
            break;
        }
        if (useRegExpr && !wholeWord) {
            found = FindRegExpr();
        } else {
            found = FindNext();
        }
    }
    return count;
}

std::u16string ConvertNewlineEscapes(std::u16string_view tmpl) {
    std::u16string out;
    out.reserve(tmpl.size());
    for (size_t i = 0; i < tmpl.size(); ++i) {
        if (tmpl[i] == u'\\' && i + 1 < tmpl.size()) {
            if (tmpl[i + 1] == u'n') {
                out.push_back(u'\n');
            } else {
                out.push_back(tmpl[i]);
                out.push_back(tmpl[i + 1]);
            }
            ++i;
            continue;
        }
        out.push_back(tmpl[i]);
    }
    return out;
}

int SearchLineSpan(std::u16string_view pattern, bool useRegExpr) {
    if (!useRegExpr) {
        return 0;
    }
    int count = 0;
    for (size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] == u'\\') {
            if (pattern[i + 1] == u'n') {
                ++count;
            }
            ++i;
        }
    }
    return count;
}

std::u16string JoinSearchLines(int index, int following, int lineCount,
                               const std::function<std::u16string_view(int)>& line) {
    std::u16string out;
    if (index < 0 || index >= lineCount) {
        return out;
    }
    out.assign(line(index));
    const int last = std::min(lineCount - 1, index + std::max(following, 0));
    for (int i = index + 1; i <= last; ++i) {
        out.push_back(u'\n');
        out += line(i);
    }
    return out;
}
