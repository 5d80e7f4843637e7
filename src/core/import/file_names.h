#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mosavelle {

// The natural order of file names, shared by import (the order files are examined in) and the
// deck's name sort.
//
// Two names are compared without any locale: letter case, diacritical marks and the full-width /
// half-width distinction are ignored (each name is case-folded, decomposed by NFKD and stripped
// of non-spacing marks), and every run of Unicode decimal digits compares by its numeric value,
// so "IMG2" precedes "img10" and "Été" is equivalent to "ete". Other characters compare by code
// point after folding; a digit run compares against a non-digit as its first digit would.
//
// Runs of equal value written with different numbers of leading zeros ("7" and "07") are not
// equivalent: when two names are otherwise equal, the first run whose leading-zero count differs
// decides, fewer zeros first ("a7" < "a07" < "a007"). The result is a strict weak order, so
// sorting with it is well defined; names that differ only in case, marks or width stay
// equivalent and keep their relative order under a stable sort.
class FileNameKey {
public:
    FileNameKey() = default;
    explicit FileNameKey(std::string_view utf8Name);

    friend std::weak_ordering operator<=>(const FileNameKey& a, const FileNameKey& b);
    friend bool operator==(const FileNameKey& a, const FileNameKey& b) { return (a <=> b) == 0; }

private:
    // Folded code points; each digit run becomes the marker U'0', its significant-digit count and
    // its significant digit values, which makes plain lexicographic order the numeric order.
    std::u32string primary_;
    // Leading zeros of each digit run, in order: consulted only when `primary_` is equal.
    std::vector<std::uint32_t> leadingZeros_;
};

// less: a precedes b (ascending); equivalent: same; greater: descending. Builds two keys: when
// one name is compared many times, build its FileNameKey once instead.
std::weak_ordering compareFileNames(std::string_view a, std::string_view b);

// `text` without the code points at either end for which `trim` holds. Bytes that are not valid
// UTF-8 reach `trim` as a negative value; a view into `text`.
std::string_view trimmedUTF8(std::string_view text, bool (*trim)(std::int32_t codePoint));

}  // namespace mosavelle
