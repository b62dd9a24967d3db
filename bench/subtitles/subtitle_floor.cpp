// The floor of loading a subtitle file: the least a whole process can do with the same bytes.
//
//   subtitle_floor FILE KIND ENC    KIND 0 (h:mm:ss:text), 1 ({start}{end}text), 2 ([mm:ss]text);
//                                   ENC utf8 or cp1250
//
// Maps the file, decodes it to UTF-8 (a byte table for Windows-1250, a validating copy for
// UTF-8), splits it into lines, reads the times with from_chars and sorts the rows by start
// with std::stable_sort. No Qt, no classification, no error messages: bench_subtitles runs it
// beside the real loader and prints the ratio.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Windows-1250 bytes 0x80..0xFF in Unicode.
constexpr std::array<char16_t, 128> kCp1250 = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021, 0xFFFD, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

struct Utf8Of {
    uint8_t length;
    char bytes[3];
};

std::array<Utf8Of, 256> makeTable()
{
    std::array<Utf8Of, 256> t{};
    for (int b = 0; b < 256; ++b) {
        const char16_t u = b < 0x80 ? char16_t(b) : kCp1250[size_t(b - 0x80)];
        if (u < 0x80)
            t[size_t(b)] = {1, {char(u)}};
        else if (u < 0x800)
            t[size_t(b)] = {2, {char(0xC0 | (u >> 6)), char(0x80 | (u & 0x3F))}};
        else
            t[size_t(b)] = {3, {char(0xE0 | (u >> 12)), char(0x80 | ((u >> 6) & 0x3F)), char(0x80 | (u & 0x3F))}};
    }
    return t;
}

// Appends a decoded Windows-1250 line; returns the new end.
char *decodeCp1250(char *dst, const char *p, const char *end)
{
    static const std::array<Utf8Of, 256> table = makeTable();
    for (; p < end; ++p) {
        const Utf8Of &e = table[uint8_t(*p)];
        std::memcpy(dst, e.bytes, 3);
        dst += e.length;
    }
    return dst;
}

// Copies a UTF-8 line after a plain structural check (lead byte, continuation bytes), ASCII
// eight bytes at a time.
char *copyUtf8(char *dst, const char *p, const char *end, bool &valid)
{
    for (const char *q = p; q < end;) {
        uint64_t w;
        if (end - q >= 8 && (std::memcpy(&w, q, 8), (w & 0x8080808080808080ull) == 0)) {
            q += 8;
            continue;
        }
        const uint8_t c = uint8_t(*q);
        const int n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (n == 0 || end - q < n)
            valid = false;
        for (int i = 1; valid && i < n; ++i)
            valid = (uint8_t(q[i]) & 0xC0) == 0x80;
        q += n ? n : 1;
    }
    std::memcpy(dst, p, size_t(end - p));
    return dst + (end - p);
}

struct Row {
    int32_t start;
    uint32_t textBegin;
    uint32_t textEnd;
};

bool readInt(const char *&p, const char *end, int32_t &v)
{
    const auto r = std::from_chars(p, end, v);
    if (r.ec != std::errc())
        return false;
    p = r.ptr;
    return true;
}

// Parses one decoded line; false when it is no line of the format.
bool parse(int kind, const char *p, const char *end, int32_t &start, const char *&text)
{
    int32_t a = 0, b = 0, c = 0;
    switch (kind) {
    case 0: // h:mm:ss:text
        if (!readInt(p, end, a) || p == end || *p++ != ':' || !readInt(p, end, b) || p == end
            || *p++ != ':' || !readInt(p, end, c) || p == end)
            return false;
        start = a * 3600 + b * 60 + c;
        text = p + 1;
        return true;
    case 1: // {start}{end}text
        if (p == end || *p++ != '{' || !readInt(p, end, a) || p == end || *p++ != '}' || p == end
            || *p++ != '{' || !readInt(p, end, b) || p == end || *p++ != '}')
            return false;
        start = a;
        text = p;
        return true;
    default: // [mm:ss]text
        if (end - p < 7 || *p++ != '[' || !readInt(p, end, a) || *p++ != ':' || !readInt(p, end, b)
            || *p++ != ']')
            return false;
        start = a * 60 + b;
        text = p;
        return true;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: subtitle_floor FILE KIND(0|1|2) ENC(utf8|cp1250)\n");
        return 2;
    }
    const int kind = std::atoi(argv[2]);
    const bool utf8 = std::strcmp(argv[3], "utf8") == 0;
    const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return 2;
    const size_t size = size_t(st.st_size);
    void *map = size ? ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : nullptr;
    if (map == MAP_FAILED)
        return 2;
    ::madvise(map, size, MADV_SEQUENTIAL);
    const char *const bytes = static_cast<const char *>(map);

    // Decoded lines back to back, then the rows pointing into them.
    // Room for the widest decoding; pages never written cost nothing.
    const std::unique_ptr<char[]> texts(new char[utf8 ? size : size * 3]);
    char *dst = texts.get();
    std::vector<Row> rows;
    rows.reserve(size / 32);
    bool valid = true;
    size_t unrecognised = 0;
    for (const char *p = bytes, *const end = bytes + size; p < end;) {
        const char *eol = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!eol)
            eol = end;
        const char *stop = eol > p && eol[-1] == '\r' ? eol - 1 : eol;
        char *const lineStart = dst;
        dst = utf8 ? copyUtf8(dst, p, stop, valid) : decodeCp1250(dst, p, stop);
        int32_t start = 0;
        const char *text = nullptr;
        if (parse(kind, lineStart, dst, start, text))
            rows.push_back({start, uint32_t(text - texts.get()), uint32_t(dst - texts.get())});
        else
            ++unrecognised;
        p = eol + 1;
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.start < b.start; });
    std::printf("%zu rows, %zu unrecognised, %s\n", rows.size(), unrecognised, valid ? "valid" : "invalid");
    return 0;
}
