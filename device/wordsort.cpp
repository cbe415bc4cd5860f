#include "device/wordsort.h"

#include <QChar>
#include <QString>

namespace hv::dev {

namespace {

bool ignoredInWordSort(char16_t c) {
    return c == u'-' || c == u'\'' || c == 0x2019 || c == 0x00AD;
}

// Weights of one character: a primary weight (class, then base letter) and a secondary weight
// (the accent). Case carries no weight.
struct Weights {
    uint32_t primary;
    uint32_t secondary;
};

Weights weigh(char16_t c) {
    // ASCII, the bulk of city names, without a Unicode table look-up.
    if (c < 0x80) {
        if (c >= u'a' && c <= u'z')
            return {0x20000u + c, 0};
        if (c >= u'A' && c <= u'Z')
            return {0x20000u + (c - u'A' + u'a'), 0};
        if (c >= u'0' && c <= u'9')
            return {0x10000u + static_cast<uint32_t>(c - u'0'), c};
        return {c, 0};
    }
    const QChar q(c);
    if (q.isLetter()) {
        char16_t base = c;
        if (q.decompositionTag() == QChar::Canonical) {
            const QString d = q.decomposition();
            if (!d.isEmpty())
                base = d.at(0).unicode();
        }
        const char16_t folded = QChar(base).toCaseFolded().unicode();
        const char16_t foldedFull = q.toCaseFolded().unicode();
        return {0x20000u + folded, foldedFull == folded ? 0u : foldedFull};
    }
    if (q.isDigit())
        return {0x10000u + static_cast<uint32_t>(q.digitValue()), c};
    // Space and other punctuation sort before digits and letters.
    return {c, 0};
}

// Walks a string's weighed characters, skipping the ignored ones.
class Walker {
public:
    explicit Walker(std::u16string_view s) : s_(s) {}
    bool next(Weights& w) {
        while (i_ < s_.size()) {
            const char16_t c = s_[i_++];
            if (ignoredInWordSort(c)) {
                ++ignored_;
                continue;
            }
            w = weigh(c);
            return true;
        }
        return false;
    }
    size_t ignored() const { return ignored_; }

private:
    std::u16string_view s_;
    size_t i_ = 0;
    size_t ignored_ = 0;
};

int compareLevel(std::u16string_view a, std::u16string_view b, bool secondary, size_t* ignoredA,
                 size_t* ignoredB) {
    Walker wa(a), wb(b);
    Weights x{}, y{};
    for (;;) {
        const bool ha = wa.next(x), hb = wb.next(y);
        if (!ha || !hb) {
            if (ignoredA)
                *ignoredA = wa.ignored();
            if (ignoredB)
                *ignoredB = wb.ignored();
            return ha == hb ? 0 : (ha ? 1 : -1);
        }
        const uint32_t p = secondary ? x.secondary : x.primary,
                       q = secondary ? y.secondary : y.primary;
        if (p != q)
            return p < q ? -1 : 1;
    }
}

} // namespace

int compareWordSort(std::u16string_view a, std::u16string_view b) {
    size_t ignoredA = 0, ignoredB = 0;
    if (const int r = compareLevel(a, b, false, &ignoredA, &ignoredB))
        return r;
    if (const int r = compareLevel(a, b, true, nullptr, nullptr))
        return r;
    // Only hyphens and apostrophes differ: the string with fewer comes first.
    if (ignoredA != ignoredB)
        return ignoredA < ignoredB ? -1 : 1;
    return 0; // equal but for case
}

} // namespace hv::dev
