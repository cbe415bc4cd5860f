#include "device/wordsort.h"

#include <QChar>
#include <QString>
#include <vector>

namespace hv::dev {

namespace {

bool ignoredInWordSort(char16_t c) { return c == u'-' || c == u'\'' || c == 0x2019 || c == 0x00AD; }

// Weights of one character: a primary weight (class, then base letter) and a secondary weight
// (the accent). Case carries no weight.
struct Weights {
    uint32_t primary;
    uint32_t secondary;
};

Weights weigh(char16_t c) {
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

} // namespace

int compareWordSort(std::u16string_view a, std::u16string_view b) {
    std::vector<Weights> wa, wb;
    size_t ignoredA = 0, ignoredB = 0;
    for (char16_t c : a)
        ignoredInWordSort(c) ? void(++ignoredA) : wa.push_back(weigh(c));
    for (char16_t c : b)
        ignoredInWordSort(c) ? void(++ignoredB) : wb.push_back(weigh(c));
    const size_t n = std::min(wa.size(), wb.size());
    for (size_t i = 0; i < n; ++i)
        if (wa[i].primary != wb[i].primary)
            return wa[i].primary < wb[i].primary ? -1 : 1;
    if (wa.size() != wb.size())
        return wa.size() < wb.size() ? -1 : 1;
    for (size_t i = 0; i < n; ++i)
        if (wa[i].secondary != wb[i].secondary)
            return wa[i].secondary < wb[i].secondary ? -1 : 1;
    // Only hyphens and apostrophes differ: the string with fewer comes first.
    if (ignoredA != ignoredB)
        return ignoredA < ignoredB ? -1 : 1;
    return 0; // equal but for case

}

} // namespace hv::dev
