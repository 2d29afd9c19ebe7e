// The text file codec: readers and writers per encoding family, load and save.
#include "text/uniCodec.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/uniCodePage.h"
#include "base/uniFileIO.h"
#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"

namespace {

enum class TFamily { Ansi, Oem, Utf8, Utf16LE, Utf16BE };

// In UTF-16 text every byte value has an escaped form, U+DC00 + byte: an odd last byte
// may be below 0x80. The UTF-8 and 8-bit readers escape only bytes from 0x80 up.
char16_t EscapeAnyByte(unsigned char b) {
    return static_cast<char16_t>(0xDC00 + b);
}
bool IsByteUnit(char16_t u) {
    return u >= 0xDC00 && u <= 0xDCFF;
}
bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

// The number of leading bytes below 0x80, eight at a time where it can.
size_t AsciiRun(const unsigned char* p, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if ((word & 0x8080808080808080ULL) != 0) {
            break;
        }
    }
    while (i < n && p[i] < 0x80) {
        ++i;
    }
    return i;
}

// Buffered file input with look-ahead.
class TByteInput {
public:
    explicit TByteInput(int fd) : fd_(fd), buf_(kSize) {}

    size_t Avail() const { return end_ - pos_; }
    const unsigned char* Data() const { return buf_.data() + pos_; }
    void Skip(size_t n) {
        pos_ += n;
        consumed_ += static_cast<std::int64_t>(n);
    }
    // Makes at least n bytes available when the file still has them; returns Avail().
    size_t Ensure(size_t n) {
        if (Avail() >= n) {
            return Avail();
        }
        if (pos_ > 0) {
            std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
            end_ -= pos_;
            pos_ = 0;
        }
        while (end_ < n && !eof_) {
            Fill();
        }
        return Avail();
    }
    // The next byte, or -1 at the end of the file.
    int Peek() { return Ensure(1) == 0 ? -1 : buf_[pos_]; }
    std::int64_t Position() const { return consumed_; }
    // Whether everything the file holds is in the buffer.
    bool Ended() const { return eof_; }
    int Error() const { return error_; }
    void Rewind() {
        pos_ = end_ = 0;
        consumed_ = 0;
        eof_ = false;
        if (lseek(fd_, 0, SEEK_SET) < 0) {
            error_ = errno;
            eof_ = true;
        }
    }

private:
    static constexpr size_t kSize = 1 << 20;

    void Fill() {
        for (;;) {
            ssize_t r = read(fd_, buf_.data() + end_, buf_.size() - end_);
            if (r > 0) {
                end_ += static_cast<size_t>(r);
                return;
            }
            if (r < 0 && errno == EINTR) {
                continue;
            }
            if (r < 0) {
                error_ = errno;
            }
            eof_ = true;
            return;
        }
    }

    int fd_;
    std::vector<unsigned char> buf_;
    size_t pos_ = 0;
    size_t end_ = 0;
    std::int64_t consumed_ = 0;
    bool eof_ = false;
    int error_ = 0;
};

// Reads one line at a time in one encoding family. ReadLine returns whether a separator
// ended the line (more lines follow); Ended() tells which one.
class TLineReader {
public:
    TLineReader(TByteInput& in, TFamily family, TLineSeparator& firstSeparator,
                std::int64_t& escaped)
        : in_(in), family_(family), firstSeparator_(firstSeparator), escaped_(escaped),
          page_(family == TFamily::Oem ? OemCodePage() : AnsiCodePage()) {}

    void SetFamily(TFamily family) { family_ = family; }
    TLineSeparator Ended() const { return ended_; }

    bool ReadLine(std::u16string& line) {
        line.clear();
        ended_ = lsDocument;
        switch (family_) {
        case TFamily::Ansi:
        case TFamily::Oem:
            return ReadBytes(line);
        case TFamily::Utf8:
            return ReadUtf8(line);
        case TFamily::Utf16LE:
            return ReadUtf16(line, false);
        case TFamily::Utf16BE:
            return ReadUtf16(line, true);
        }
        return false;
    }

private:
    void Seen(TLineSeparator s) {
        ended_ = s;
        if (firstSeparator_ == lsDocument) {
            firstSeparator_ = s;
        }
    }

    // After a CR has been consumed: CR LF or CR alone.
    bool EndAtCR() {
        if (in_.Peek() == '\n') {
            in_.Skip(1);
            Seen(lsCRLF);
        } else {
            Seen(lsCR);
        }
        return true;
    }

    // The offset of the first CR or LF in the available bytes, or Avail() when none.
    size_t SeparatorOffset() const {
        const unsigned char* p = in_.Data();
        const size_t n = in_.Avail();
        const void* lf = std::memchr(p, '\n', n);
        size_t end =
            lf == nullptr ? n : static_cast<size_t>(static_cast<const unsigned char*>(lf) - p);
        if (const void* cr = std::memchr(p, '\r', end)) {
            end = static_cast<size_t>(static_cast<const unsigned char*>(cr) - p);
        }
        return end;
    }

    // Consumes the CR or LF at the read position.
    bool EndAtSeparator() {
        const unsigned char b = *in_.Data();
        in_.Skip(1);
        if (b == '\n') {
            Seen(lsLF);
            return true;
        }
        return EndAtCR();
    }

    bool ReadBytes(std::u16string& line) {
        for (;;) {
            if (in_.Ensure(1) == 0) {
                return false;
            }
            const unsigned char* p = in_.Data();
            const size_t end = SeparatorOffset();
            const size_t old = line.size();
            line.resize(old + end);
            char16_t* q = line.data() + old;
            for (size_t k = 0; k < end; ++k) {
                q[k] = page_.ToWide(p[k]);
            }
            in_.Skip(end);
            if (in_.Avail() > 0) {
                return EndAtSeparator();
            }
        }
    }

    bool ReadUtf8(std::u16string& line) {
        for (;;) {
            const size_t n = in_.Ensure(4);
            if (n == 0) {
                return false;
            }
            const unsigned char* p = in_.Data();
            const size_t end = SeparatorOffset();
            const bool atSeparator = end < n;
            // Without a separator in view, leave a sequence that may continue in the next
            // block for the next round (Ensure(4) guarantees n >= 4 unless the file ended).
            const size_t limit = atSeparator || in_.Ended() ? end : n - 3;
            const size_t old = line.size();
            line.resize(old + limit + 4);
            char16_t* const first = line.data() + old;
            char16_t* q = first;
            size_t i = 0;
            bool lineSeparator = false;
            while (i < limit) {
                const unsigned char b = p[i];
                if (b < 0x80) {
                    const size_t run = AsciiRun(p + i, limit - i);
                    for (size_t k = 0; k < run; ++k) {
                        q[k] = p[i + k];
                    }
                    q += run;
                    i += run;
                    continue;
                }
                if (b >= 0xC2 && b <= 0xDF && i + 1 < end && (p[i + 1] & 0xC0) == 0x80) {
                    *q++ = static_cast<char16_t>(((b & 0x1F) << 6) | (p[i + 1] & 0x3F));
                    i += 2;
                    continue;
                }
                size_t units;
                const size_t used = DecodeUtf8At(p + i, end - i, q, units);
                i += used;
                if (used == 1) {
                    ++escaped_;
                } else if (used == 3 && *q == 0x2028) {
                    lineSeparator = true;
                    break;
                }
                q += units;
            }
            line.resize(old + static_cast<size_t>(q - first));
            in_.Skip(i);
            if (lineSeparator) {
                Seen(lsLS);
                return true;
            }
            if (atSeparator) {
                return EndAtSeparator();
            }
        }
    }

    // Appends the two bytes of a UTF-16 code unit, in file order, as escaped bytes.
    static void AppendUnitAsBytes(std::u16string& line, char16_t u, bool bigEndian) {
        const auto hi = static_cast<unsigned char>(u >> 8);
        const auto lo = static_cast<unsigned char>(u & 0xFF);
        line.push_back(EscapeAnyByte(bigEndian ? hi : lo));
        line.push_back(EscapeAnyByte(bigEndian ? lo : hi));
    }

    // A unit in U+DC00..U+DCFF that is no pair's second half reads like an escaped byte,
    // which the UTF-16 writer turns into one byte; it is kept as its two bytes instead.
    void EscapeLoneByteUnits(std::u16string& line, size_t from, bool bigEndian) {
        std::u16string tail;
        tail.reserve(line.size() - from + 8);
        char16_t prev = from > 0 ? line[from - 1] : char16_t{0};
        for (size_t i = from; i < line.size(); ++i) {
            const char16_t u = line[i];
            if (IsByteUnit(u) && !IsHighSurrogate(prev)) {
                AppendUnitAsBytes(tail, u, bigEndian);
                escaped_ += 2;
            } else {
                tail.push_back(u);
            }
            prev = u;
        }
        line.resize(from);
        line += tail;
    }

    bool ReadUtf16(std::u16string& line, bool bigEndian) {
        const auto unitAt = [bigEndian](const unsigned char* b) {
            return bigEndian ? static_cast<char16_t>((b[0] << 8) | b[1])
                             : static_cast<char16_t>(b[0] | (b[1] << 8));
        };
        for (;;) {
            if (in_.Ensure(2) < 2) {
                if (in_.Avail() == 1) {
                    // A single trailing byte holds no code unit: it stays an escaped byte.
                    // High surrogates before it would pair with it on save, so they too
                    // become their bytes (all of a run, each would pair with the next).
                    size_t highs = line.size();
                    while (highs > 0 && IsHighSurrogate(line[highs - 1])) {
                        --highs;
                    }
                    if (highs < line.size()) {
                        const std::u16string run = line.substr(highs);
                        line.resize(highs);
                        for (char16_t high : run) {
                            AppendUnitAsBytes(line, high, bigEndian);
                        }
                        escaped_ += 2 * static_cast<std::int64_t>(run.size());
                    }
                    line.push_back(EscapeAnyByte(*in_.Data()));
                    in_.Skip(1);
                    ++escaped_;
                }
                return false;
            }
            const unsigned char* p = in_.Data();
            const size_t units = in_.Avail() / 2;
            size_t k = 0;
            char16_t u = 0;
            for (; k < units; ++k) {
                u = unitAt(p + 2 * k);
                if (u == u'\n' || u == u'\r' || u == 0x2028) {
                    break;
                }
            }
            const size_t old = line.size();
            line.resize(old + k);
            bool byteUnits = false;
            for (size_t j = 0; j < k; ++j) {
                const char16_t v = unitAt(p + 2 * j);
                line[old + j] = v;
                byteUnits |= IsByteUnit(v);
            }
            if (byteUnits) {
                EscapeLoneByteUnits(line, old, bigEndian);
            }
            if (k == units) {
                in_.Skip(2 * units);
                continue;
            }
            in_.Skip(2 * k + 2);
            if (u == u'\n') {
                Seen(lsLF);
            } else if (u == 0x2028) {
                Seen(lsLS);
            } else if (in_.Ensure(2) >= 2 && unitAt(in_.Data()) == u'\n') {
                in_.Skip(2);
                Seen(lsCRLF);
            } else {
                Seen(lsCR);
            }
            return true;
        }
    }

    TByteInput& in_;
    TFamily family_;
    TLineSeparator& firstSeparator_;
    TLineSeparator ended_ = lsDocument;
    std::int64_t& escaped_; // bytes kept as escaped code units
    const TCodePage& page_;
};

// Closes a descriptor when the scope ends, also when an exception leaves it.
class TFdOwner {
public:
    explicit TFdOwner(int fd) : fd_(fd) {}
    ~TFdOwner() { close(fd_); }
    TFdOwner(const TFdOwner&) = delete;
    TFdOwner& operator=(const TFdOwner&) = delete;

private:
    int fd_;
};

int gLoadFaultLines = -1;

// Test hook: the load runs out of memory once it has read the given number of lines.
void LoadFaultCheck(int lines) {
    if (lines == gLoadFaultLines) {
        gLoadFaultLines = -1;
        throw std::bad_alloc();
    }
}

// Whether the permissions that apply to us deny writing (root's exemption aside: a file
// its owner made read-only is protected from slips, not from the owner).
bool ReadOnlyForUs(const struct stat& st) {
    if (st.st_uid == geteuid()) {
        return (st.st_mode & S_IWUSR) == 0;
    }
    if (st.st_gid == getegid()) {
        return (st.st_mode & S_IWGRP) == 0;
    }
    return (st.st_mode & S_IWOTH) == 0;
}

std::int64_t gFaultAfter = -1;
int gFaultError = 0;

// Buffered output to a file descriptor; remembers the first error.
class TByteOutput {
public:
    explicit TByteOutput(int fd) : fd_(fd) { buf_.reserve(kSize); }

    std::string& Buffer() { return buf_; }
    void MaybeFlush() {
        if (buf_.size() >= kSize) {
            Flush();
        }
    }
    bool Flush() {
        size_t done = 0;
        while (error_ == 0 && done < buf_.size()) {
            size_t want = buf_.size() - done;
            if (gFaultAfter >= 0) {
                if (gFaultAfter == 0) {
                    error_ = gFaultError;
                    gFaultAfter = -1;
                    break;
                }
                want = std::min<size_t>(want, static_cast<size_t>(gFaultAfter));
            }
            ssize_t r = write(fd_, buf_.data() + done, want);
            if (r < 0) {
                if (errno != EINTR) {
                    error_ = errno;
                }
                continue;
            }
            done += static_cast<size_t>(r);
            if (gFaultAfter > 0) {
                gFaultAfter -= r;
            }
        }
        buf_.clear();
        return error_ == 0;
    }
    int Error() const { return error_; }

private:
    static constexpr size_t kSize = 1 << 20;
    int fd_;
    std::string buf_;
    int error_ = 0;
};

// Turns document text (already carrying its separator) into the bytes of one family.
class TLineWriter {
public:
    TLineWriter(TByteOutput& out, TFamily family, std::int64_t& unmappable)
        : out_(out), family_(family), unmappable_(unmappable),
          page_(family == TFamily::Oem ? OemCodePage() : AnsiCodePage()) {}

    void Write(std::u16string_view text) {
        std::string& buf = out_.Buffer();
        switch (family_) {
        case TFamily::Ansi:
        case TFamily::Oem:
            for (size_t i = 0; i < text.size(); ++i) {
                const char16_t u = text[i];
                int b = page_.ToByte(u);
                if (b < 0) {
                    if (IsEscapedByte(u)) {
                        b = EscapedByteValue(u);
                    } else {
                        b = '?';
                        // A surrogate pair is one character, written as two "?".
                        const bool secondHalf =
                            u >= 0xDC00 && u <= 0xDFFF && i > 0 && IsHighSurrogate(text[i - 1]);
                        if (!secondHalf) {
                            ++unmappable_;
                        }
                    }
                }
                buf.push_back(static_cast<char>(b));
            }
            break;
        case TFamily::Utf8:
            AppendUtf8(buf, text);
            break;
        case TFamily::Utf16LE:
        case TFamily::Utf16BE: {
            const bool be = family_ == TFamily::Utf16BE;
            const size_t old = buf.size();
            buf.resize(old + 2 * text.size());
            char* p = buf.data() + old;
            for (size_t i = 0; i < text.size(); ++i) {
                const char16_t u = text[i];
                if (IsByteUnit(u) && (i == 0 || !IsHighSurrogate(text[i - 1]))) {
                    *p++ = static_cast<char>(u & 0xFF); // an escaped byte goes back as itself
                    continue;
                }
                const char hi = static_cast<char>(u >> 8);
                const char lo = static_cast<char>(u & 0xFF);
                *p++ = be ? hi : lo;
                *p++ = be ? lo : hi;
            }
            buf.resize(static_cast<size_t>(p - buf.data()));
            break;
        }
        }
        out_.MaybeFlush();
    }

private:
    TByteOutput& out_;
    TFamily family_;
    std::int64_t& unmappable_;
    const TCodePage& page_;
};

TFamily CharsetFamily(std::string_view charset) {
    if (SameText(charset, kCharsetUtf8) || SameText(charset, kCharsetUtf8Bom)) {
        return TFamily::Utf8; // UTF-8 (BOM) reads a file without its mark as UTF-8 too
    }
    if (SameText(charset, kCharsetUtf16LE)) {
        return TFamily::Utf16LE;
    }
    if (SameText(charset, kCharsetUtf16BE)) {
        return TFamily::Utf16BE;
    }
    if (SameText(charset, kCharsetOem)) {
        return TFamily::Oem;
    }
    return TFamily::Ansi; // WINDOWS and table charsets
}

} // namespace

bool IsBuiltinCharset(std::string_view charset) {
    for (std::string_view name : {kCharsetDefault, kCharsetUtf8, kCharsetUtf8Bom, kCharsetUtf16LE,
                                  kCharsetUtf16BE, kCharsetWindows, kCharsetOem}) {
        if (SameText(charset, name)) {
            return true;
        }
    }
    return false;
}

bool IsUnicodeCharset(std::string_view charset) {
    return SameText(charset, kCharsetUtf8) || SameText(charset, kCharsetUtf8Bom) ||
           SameText(charset, kCharsetUtf16LE) || SameText(charset, kCharsetUtf16BE);
}

std::string_view SeparatorText(TLineSeparator s) {
    switch (s) {
    case lsLF:
        return "LF";
    case lsCR:
        return "CR";
    case lsCRLF:
        return "CRLF";
    case lsLS:
        return "LS";
    case lsDocument:
        break;
    }
    return "CRLF";
}

std::optional<TLineSeparator> SeparatorFromText(std::string_view text) {
    for (TLineSeparator s : {lsLF, lsCR, lsCRLF, lsLS}) {
        if (SameText(text, SeparatorText(s))) {
            return s;
        }
    }
    return std::nullopt;
}

std::u16string_view SeparatorChars(TLineSeparator s) {
    switch (s) {
    case lsLF:
        return u"\n";
    case lsCR:
        return u"\r";
    case lsCRLF:
        return u"\r\n";
    case lsLS:
        return u"\u2028";
    case lsDocument:
        break;
    }
    return u"\r\n";
}

std::string TTextCodec::BackupName(const std::string& fileName) {
    const size_t slash = fileName.rfind('/');
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return fileName.empty() ? fileName : fileName + ".~";
    }
    return fileName.substr(0, dot) + ".~" + fileName.substr(dot + 1, 2);
}

void TTextCodec::PrepareTable(const std::string& charsetName) {
    table.Clear();
    FillTable(table, charsetName);
}

void TTextCodec::FillTable(TConvTable& into, const std::string& charsetName) const {
    into.name = charsetName;
    if (charsetLists == nullptr) {
        return;
    }
    if (!IsBuiltinCharset(charsetName)) {
        if (auto file = charsetLists->CharsetFile(charsetName)) {
            into.LoadFromFile(ConfigPath(programFolder, "Ini/" + *file));
        }
    }
    if (!surrogate.empty() && surrogate != "-") {
        if (auto file = charsetLists->SurrogateFile(surrogate)) {
            into.LoadFromFile(ConfigPath(programFolder, "Ini/" + *file));
        }
    }
}

// Walks the text as Save's encoding does (EncodeForSave, then the writer), position by
// position, so the first loss can be named where it stands in the document.
TSaveLoss TTextCodec::FindSaveLoss(const TWStringList& list) const {
    std::string name = charset;
    TUniRepr repr = uniRepr;
    if (SameText(name, kCharsetDefault)) {
        name = profile.defaultCharset;
        if (!uniReprChosen) {
            repr = profile.defaultUniRepr;
        }
    }
    TConvTable conv;
    FillTable(conv, name);
    const TFamily family = CharsetFamily(name);
    const bool eightBit = family == TFamily::Ansi || family == TFamily::Oem;
    TSaveLoss loss;
    if (!eightBit && conv.Empty()) {
        return loss; // UTF-8 and UTF-16 hold every code unit
    }
    const TCodePage& page = family == TFamily::Oem ? OemCodePage() : AnsiCodePage();
    const bool references = repr == urDecimalRef || repr == urUEscape;
    const auto writable = [&](char16_t u) {
        return !eightBit || page.ToByte(u) >= 0 || IsEscapedByte(u);
    };
    const auto valueWritable = [&](int match) {
        const std::u16string& value = conv.EncodeList().GetValue(match);
        return std::all_of(value.begin(), value.end(), writable);
    };
    const int count = list.Count();
    for (int i = 0; i < count; ++i) {
        const std::u16string& s = list.Get(i);
        for (size_t pos = 0; pos < s.size();) {
            bool lost = false;
            size_t step = 1;
            const int match =
                references ? conv.FirstEncodeMatch(s, pos) : conv.LongestEncodeMatch(s, pos);
            int found = 0;
            if (match >= 0) {
                lost = !valueWritable(match);
                step = std::max<size_t>(1, conv.EncodeList().GetKey(match).size());
            } else if (references) {
                lost = false; // ASCII, or written as a reference
            } else if (!conv.Empty() && s[pos] >= 0x80 &&
                       conv.DecodeList().Find(std::u16string_view(s).substr(pos, 1), found)) {
                lost = true; // its byte means another character in this charset
            } else {
                lost = !writable(s[pos]);
                if (lost && IsHighSurrogate(s[pos]) && pos + 1 < s.size() && s[pos + 1] >= 0xDC00 &&
                    s[pos + 1] <= 0xDFFF) {
                    step = 2; // one character, two "?"
                }
            }
            if (lost) {
                if (loss.count == 0) {
                    loss.line = i;
                    loss.column = static_cast<int>(pos);
                    loss.character =
                        step == 2 ? 0x10000 + ((static_cast<char32_t>(s[pos]) - 0xD800) << 10) +
                                        (static_cast<char32_t>(s[pos + 1]) - 0xDC00)
                                  : static_cast<char32_t>(s[pos]);
                }
                ++loss.count;
            }
            pos += step;
        }
    }
    return loss;
}

// Running out of memory (a file too big for the address space, or lines too long for a
// string) ends the load, not the program: the document is left as one empty line and the
// caller shows the message. A function try block, so the fd and the reader's buffers are
// released before the handler runs.
TCodecResult TTextCodec::Load(TWStringList& list, const std::string& fileName,
                              TCodecObserver* observer, const TuniAbstractMemo* editor) try {
    if (observer != nullptr) {
        observer->ProfileDue();
    }
    if (SameText(charset, kCharsetDefault)) {
        charset = profile.defaultCharset;
        if (surrogate.empty() || surrogate == "-") {
            surrogate = profile.defaultSurrogate;
        }
        if (!uniReprChosen) {
            uniRepr = profile.defaultUniRepr;
        }
        if (profile.autodetect && observer != nullptr) {
            if (auto detected = observer->DetectCharset(fileName)) {
                charset = *detected;
            }
        }
    }
    PrepareTable(charset);

    // Only a regular file is read: a FIFO would block, /dev/zero never end.
    const TReadOpen opened = OpenForReading(fileName);
    if (opened.fd < 0) {
        list.Add(std::u16string());
        return {false, opened.why};
    }
    const TFdOwner fdOwner(opened.fd);
    const int fd = opened.fd;
    struct stat st {};
    fstat(fd, &st);
    const std::int64_t fileSize = st.st_size;

    list.Clear();
    list.SetModified(false);
    escapedBytes = false;
    escapedByteCount = 0;
    markAdded = false;

    TByteInput in(fd);
    TFamily family = CharsetFamily(charset);
    if (IsUnicodeCharset(charset)) {
        const size_t have = in.Ensure(3);
        const unsigned char* p = in.Data();
        if (have >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
            charset = kCharsetUtf16LE;
            family = TFamily::Utf16LE;
            in.Skip(2);
        } else if (have >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
            charset = kCharsetUtf16BE;
            family = TFamily::Utf16BE;
            in.Skip(2);
        } else if (have >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
            charset = kCharsetUtf8Bom;
            family = TFamily::Utf8;
            in.Skip(3);
        } else {
            markAdded = !SameText(charset, kCharsetUtf8);
        }
    }

    TLineSeparator first = lsDocument;
    TLineReader reader(in, family, first, escapedByteCount);
    const bool useTable = table.DecodeList().Count() > 0;
    // What the table holds is saved as itself, never as a reference: a reference to it in
    // the file is text the save would not write back.
    std::function<bool(char16_t)> heldByTable;
    if (table.EncodeList().Count() > 0) {
        heldByTable = [this](char16_t u) {
            return table.FirstEncodeMatch(std::u16string_view(&u, 1), 0) >= 0;
        };
    }
    std::u16string raw;
    int lines = 0;
    bool more = true;
    while (more) {
        LoadFaultCheck(lines);
        more = reader.ReadLine(raw);
        if (in.Error() != 0) {
            break;
        }
        std::u16string text;
        if (useTable) {
            text = table.DecodeText(raw);
        } else {
            text.assign(raw); // exact capacity: the reader's buffer is reused
        }
        // Only the forms the save writes are decoded (see DecodeFileRefs): a literal
        // "&#65;" or "\u00E9" stays as written.
        if (uniRepr == urDecimalRef) {
            text = DecodeFileRefs(text, TRefStyle::Decimal, heldByTable);
        } else if (uniRepr == urUEscape) {
            text = DecodeFileRefs(text, TRefStyle::UEscape, heldByTable);
        }
        list.Add(std::move(text));
        // The first separator is the document's; a line that ends otherwise keeps its own.
        if (more && reader.Ended() != first) {
            list.SetSeparator(lines, reader.Ended());
        }
        ++lines;
        if (observer != nullptr) {
            if (lines == 1) {
                observer->ProfileDue();
            }
            if (lines == kLoadFirstLines || lines % kLoadProgressEvery == 0 ||
                lines == kLoadScrollRangeLines) {
                observer->LinesLoaded({lines, in.Position(), fileSize});
            }
        }
    }
    escapedBytes = escapedByteCount > 0;
    const int err = in.Error();
    if (err != 0) {
        list.Add(std::u16string());
        return {false, ErrorText(err)};
    }
    lineSeparator = first == lsDocument ? lsLF : first;
    list.Undo().Add(ukSavePoint, saveCounter, false, editor, std::u16string(), TPoint{});
    return {};
} catch (const std::bad_alloc&) {
    return LoadOutOfMemory(list);
} catch (const std::length_error&) {
    return LoadOutOfMemory(list);
}

TCodecResult TTextCodec::LoadOutOfMemory(TWStringList& list) {
    list.Clear(); // frees what was read, so the one line below can be allocated
    list.Add(std::u16string());
    list.SetModified(false);
    return {false, "Out of memory: the file is too big to load"};
}

std::u16string TTextCodec::EncodeForSave(std::u16string_view line) {
    if (uniRepr != urDecimalRef && uniRepr != urUEscape) {
        return table.Empty() ? std::u16string(line)
                             : table.EncodeForFile(line, u'?', unmappableChars);
    }
    const TRefStyle style = uniRepr == urDecimalRef ? TRefStyle::Decimal : TRefStyle::UEscape;
    const bool tableEmpty = table.EncodeList().Count() == 0;
    if (tableEmpty) {
        return EncodeFileRefs(line, style);
    }
    std::u16string out;
    out.reserve(line.size());
    for (size_t pos = 0; pos < line.size();) {
        const int match = table.FirstEncodeMatch(line, pos);
        if (match >= 0) {
            out += table.EncodeList().GetValue(match);
            pos += std::max<size_t>(1, table.EncodeList().GetKey(match).size());
            continue;
        }
        AppendFileRef(out, line, pos, style);
        ++pos;
    }
    return out;
}

TCodecResult TTextCodec::Save(TWStringList& list, const std::string& fileName, TSaveOptions options,
                              TCodecObserver* observer, const TuniAbstractMemo* editor) {
    if (SameText(charset, kCharsetDefault)) {
        charset = profile.defaultCharset;
        if (!uniReprChosen) {
            uniRepr = profile.defaultUniRepr;
        }
    }
    PrepareTable(charset);
    ++saveCounter;
    unmappableChars = 0;

    TSafeFileWriter file(fileName);
    struct stat old {};
    if (stat(file.Target().c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        if (!options.overwriteReadOnly && ReadOnlyForUs(old)) {
            return {false, "\"" + fileName + "\" is read-only", true};
        }
        if (profile.createBackup) {
            // Nothing is written unless the old contents are safe in the backup.
            const std::string backup = BackupName(fileName);
            if (TWriteResult made = CopyFileSafely(file.Target(), backup); !made.ok) {
                return {false, "The backup \"" + backup + "\" cannot be written: " + made.error};
            }
        }
    }
    if (TWriteResult opened = file.Open(); !opened.ok) {
        return {false, opened.error};
    }

    TByteOutput out(file.Fd());
    const TFamily family = CharsetFamily(charset);
    if (SameText(charset, kCharsetUtf16LE)) {
        out.Buffer() += "\xFF\xFE";
    } else if (SameText(charset, kCharsetUtf16BE)) {
        out.Buffer() += "\xFE\xFF";
    } else if (SameText(charset, kCharsetUtf8Bom)) {
        out.Buffer() += "\xEF\xBB\xBF";
    }
    const bool unicode = IsUnicodeCharset(charset);
    if (lineSeparator == lsLS && !unicode) {
        lineSeparator = lsLF;
    }
    const std::u16string_view separator = SeparatorChars(lineSeparator);
    // A line's own separator; an 8-bit charset holds no U+2028, such a line ends as the
    // document does.
    const auto separatorOf = [&](int i) {
        const TLineSeparator own = list.Separator(i);
        return own == lsDocument || (own == lsLS && !unicode) ? separator : SeparatorChars(own);
    };
    TLineWriter writer(out, family, unmappableChars);
    const bool plain = table.Empty() && uniRepr != urDecimalRef && uniRepr != urUEscape;
    const int count = list.Count();
    for (int i = 0; i < count && out.Error() == 0; ++i) {
        if (plain) {
            writer.Write(list.Get(i));
        } else {
            writer.Write(EncodeForSave(list.Get(i)));
        }
        if (i + 1 < count) {
            writer.Write(separatorOf(i));
        }
        if (i % kSaveProgressEvery == 0 && observer != nullptr) {
            observer->LinesSaved(count, i);
        }
    }
    out.Flush();
    if (const int err = out.Error(); err != 0) {
        file.Abort();
        return {false, ErrorText(err)};
    }
    if (TWriteResult committed = file.Commit(); !committed.ok) {
        return {false, committed.error};
    }

    list.SetModified(false);
    markAdded = false;
    list.Undo().Add(ukSavePoint, saveCounter, false, editor, std::u16string(), TPoint{});
    return {};
}

void SetWriteFaultForTesting(std::int64_t bytes, int error) {
    gFaultAfter = bytes;
    gFaultError = error;
}

void SetLoadFaultForTesting(int lines) {
    gLoadFaultLines = lines;
}
