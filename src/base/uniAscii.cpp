// ASCII letter case for names that compare ignoring case.
#include "base/uniAscii.h"

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = Lower(c);
    }
    return out;
}

std::string UpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = Upper(c);
    }
    return out;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) {
            return false;
        }
    }
    return true;
}
