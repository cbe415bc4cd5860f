#include "cities/citydatabase.h"

#include "device/files.h"
#include "device/wordsort.h"
#include "settings/settings.h"

#include <algorithm>
#include <cstring>

namespace hv {

const std::array<const char16_t*, kContinentFiles> kCityFileNames = {
    u"africa.cdb", u"asia.cdb", u"australia.cdb", u"europe.cdb", u"namerica.cdb", u"samerica.cdb",
};

namespace {

// A city file larger than this is read only this far: the shipped files hold at most a few
// hundred records, and a damaged or foreign file must not make the program allocate without end.
constexpr size_t kMaxRecordsPerFile = 10000;
constexpr int kFileAttempts = 10;
constexpr uint32_t kFilePauseMs = 100;

std::vector<uint8_t> readCityFile(const std::u16string& path) {
    std::vector<uint8_t> bytes;
    if (!dev::fileExists(path))
        return bytes;
    dev::withRetry(kFileAttempts, kFilePauseMs, [&] {
        auto got = dev::readWholeFile(path);
        if (!got)
            return false;
        bytes = std::move(*got);
        return true;
    });
    return bytes;
}

} // namespace

int compareCityNames(const CityRecord& a, const CityRecord& b) {
    return dev::compareWordSort(a.nameView(), b.nameView());
}

CityDatabase::CityDatabase() {
    clear();
}

void CityDatabase::clear() {
    store_.reset(new CityRecord[kCityReserve]());
    storeSize_ = kCityReserve;
    storeUsed_ = 0;
    for (auto& l : lists_) {
        l.clear();
        l.reserve(kCityReserve);
    }
    display_.fill(0);
    spare_ = kCityAdditions;
    changed_ = false;
    slots_[0] = {0, 0};
}

int CityDatabase::load() {
    return loadFromFolder(dataFilePath(u""));
}

int CityDatabase::loadFromFolder(std::u16string_view deviceFolder) {
    std::array<std::vector<uint8_t>, kContinentFiles> images;
    for (int c = 0; c < kContinentFiles; ++c)
        images[static_cast<size_t>(c)] =
            readCityFile(std::u16string(deviceFolder) + kCityFileNames[static_cast<size_t>(c)]);
    return loadImages(images);
}

int CityDatabase::loadImages(const std::array<std::vector<uint8_t>, kContinentFiles>& images) {
    std::array<size_t, kContinentFiles> counts{};
    size_t total = 0;
    for (size_t c = 0; c < images.size(); ++c) {
        counts[c] = std::min(images[c].size() / kCityRecordSize, kMaxRecordsPerFile);
        total += counts[c];
    }
    store_.reset(new CityRecord[total + kCityReserve]());
    storeSize_ = total + kCityReserve;
    storeUsed_ = 0;
    int loaded = 0;
    for (size_t c = 0; c < images.size(); ++c) {
        auto& l = lists_[c];
        l.clear();
        l.reserve(counts[c] + kCityReserve);
        if (counts[c] > 0) {
            std::memcpy(&store_[storeUsed_], images[c].data(), counts[c] * kCityRecordSize);
            for (size_t i = 0; i < counts[c]; ++i)
                l.push_back(&store_[storeUsed_ + i]);
            storeUsed_ += counts[c];
            ++loaded;
        }
        display_[c] = static_cast<int>(l.size());
    }
    // A file written out of order (by an older version, or by hand) is put in order first: the
    // merge and every insertion rely on sorted lists.
    for (size_t c = 0; c < kContinentFiles; ++c)
        std::stable_sort(
            lists_[c].begin(), lists_[c].end(),
            [](const CityRecord* a, const CityRecord* b) { return compareCityNames(*a, *b) < 0; });
    buildMerged();
    spare_ = kCityAdditions;
    changed_ = false;
    slots_[0] = {0, 0};
    return loaded;
}

// Six-way merge: the smallest head wins, heads compared in continent order and replaced only by a
// strictly smaller one, so equal names keep the lower continent first.
void CityDatabase::buildMerged() {
    auto& merged = lists_[kAllContinents];
    merged.clear();
    merged.reserve(storeUsed_ + kCityReserve);
    std::array<size_t, kContinentFiles> head{};
    for (;;) {
        int best = -1;
        for (int c = 0; c < kContinentFiles; ++c) {
            const auto& l = list(c);
            if (head[static_cast<size_t>(c)] >= l.size())
                continue;
            if (best < 0 || compareCityNames(*l[head[static_cast<size_t>(c)]],
                                             *list(best)[head[static_cast<size_t>(best)]]) < 0)
                best = c;
        }
        if (best < 0)
            break;
        merged.push_back(list(best)[head[static_cast<size_t>(best)]++]);
    }
    display_[kAllContinents] = static_cast<int>(merged.size());
}

const CityRecord* CityDatabase::recordAt(int continent, int index) const {
    if (continent < 0 || continent >= kCityLists || index < 0)
        return nullptr;
    const auto& l = list(continent);
    return static_cast<size_t>(index) < l.size() ? l[static_cast<size_t>(index)] : nullptr;
}

int CityDatabase::count(int continent) const {
    return continent >= 0 && continent < kCityLists ? static_cast<int>(list(continent).size()) : 0;
}

int CityDatabase::displayCount(int continent) const {
    return continent >= 0 && continent < kCityLists ? display_[static_cast<size_t>(continent)] : 0;
}

int CityDatabase::continentOfMerged(int mergedIndex) const {
    const CityRecord* r = recordAt(kAllContinents, mergedIndex);
    if (!r)
        return -1;
    // The list that holds the record decides, not its continent byte, which a damaged file may
    // carry wrong.
    for (int c = 0; c < kContinentFiles; ++c)
        if (std::find(list(c).begin(), list(c).end(), r) != list(c).end())
            return c;
    return -1;
}

int CityDatabase::indexWithinContinent(int continent, int mergedIndex) const {
    const CityRecord* r = recordAt(kAllContinents, mergedIndex);
    if (!r || continent < 0 || continent >= kContinentFiles)
        return -1;
    const auto& l = list(continent);
    auto it = std::find(l.begin(), l.end(), r);
    return it == l.end() ? -1 : static_cast<int>(it - l.begin());
}

bool CityDatabase::setHome(int continent, int index) {
    if (continent < -1 || continent > kAllContinents)
        return false;
    if (continent == -1)
        return true; // the home record always follows slot 0
    if (continent == kAllContinents) {
        const int c = continentOfMerged(index);
        if (c < 0)
            return false;
        index = indexWithinContinent(c, index);
        continent = c;
    }
    slots_[0] = {continent, index};
    return true;
}

const CityRecord* CityDatabase::homeRecord() const {
    return recordAt(slots_[0].continent, slots_[0].index);
}

int CityDatabase::takeSlot(int continent, int index) {
    if (slotCount_ >= kCitySlots)
        return -1;
    slots_[static_cast<size_t>(slotCount_)] = {continent, index};
    return slotCount_++;
}

// Before the first entry that does not sort before the record: where an added city goes.
int CityDatabase::sortedPosition(const std::vector<CityRecord*>& l, const CityRecord& r) {
    size_t pos = 0;
    while (pos < l.size() && compareCityNames(*l[pos], r) < 0)
        ++pos;
    return static_cast<int>(pos);
}

void CityDatabase::adjustSlotsAfterInsert(int listIndex, int position) {
    for (int s = 0; s < slotCount_; ++s) {
        auto& sl = slots_[static_cast<size_t>(s)];
        if (sl.continent == listIndex && sl.index >= position)
            ++sl.index;
    }
}

void CityDatabase::adjustSlotsAfterRemove(int listIndex, int removed, int newCount) {
    for (int s = 0; s < slotCount_; ++s) {
        auto& sl = slots_[static_cast<size_t>(s)];
        if (sl.continent == listIndex && (sl.index > removed || sl.index == newCount) &&
            sl.index > 0)
            --sl.index;
    }
}

int CityDatabase::addCity(int continent, const CityRecord& record) {
    if (continent < 0 || continent >= kContinentFiles || spare_ <= 0 || storeUsed_ >= storeSize_)
        return -1;
    CityRecord* cell = &store_[storeUsed_++];
    *cell = record;
    cell->continent = static_cast<uint8_t>(continent);
    --spare_;
    changed_ = true;
    ++revision_;

    auto insertSorted = [&](std::vector<CityRecord*>& l) {
        const int pos = sortedPosition(l, *cell);
        l.insert(l.begin() + pos, cell);
        return pos;
    };
    const int position = insertSorted(list(continent));
    ++display_[static_cast<size_t>(continent)];
    adjustSlotsAfterInsert(continent, position);
    const int merged = insertSorted(list(kAllContinents));
    ++display_[kAllContinents];
    adjustSlotsAfterInsert(kAllContinents, merged);
    return position;
}

bool CityDatabase::replaceCity(int continent, int index, const CityRecord& record) {
    CityRecord* r = const_cast<CityRecord*>(recordAt(continent, index));
    if (!r)
        return false;
    *r = record;
    changed_ = true;
    ++revision_;
    // A new name takes its sorted place in both lists; the pickers follow their cities.
    for (int l = 0; l < kCityLists; ++l) {
        const auto& entries = list(l);
        const auto at = std::find(entries.begin(), entries.end(), r);
        if (at != entries.end())
            moveToSortedPlace(l, static_cast<int>(at - entries.begin()));
    }
    return true;
}

void CityDatabase::moveToSortedPlace(int listIndex, int from) {
    auto& l = list(listIndex);
    CityRecord* r = l[static_cast<size_t>(from)];
    l.erase(l.begin() + from);
    const int to = sortedPosition(l, *r);
    l.insert(l.begin() + to, r);
    for (int s = 0; s < slotCount_; ++s) {
        auto& sl = slots_[static_cast<size_t>(s)];
        if (sl.continent != listIndex)
            continue;
        if (sl.index == from)
            sl.index = to;
        else if (from < to && sl.index > from && sl.index <= to)
            --sl.index;
        else if (to < from && sl.index >= to && sl.index < from)
            ++sl.index;
    }
}

bool CityDatabase::deleteCity(int continent, int index) {
    const CityRecord* r = recordAt(continent, index);
    if (!r)
        return false;
    int mergedIndex = -1;
    if (continent == kAllContinents) {
        mergedIndex = index;
        continent = continentOfMerged(index);
        index = indexWithinContinent(continent, index);
        if (continent < 0 || index < 0)
            return false;
    }
    changed_ = true;
    ++revision_;
    auto& l = list(continent);
    l.erase(l.begin() + index);
    --display_[static_cast<size_t>(continent)];
    adjustSlotsAfterRemove(continent, index, static_cast<int>(l.size()));

    auto& merged = list(kAllContinents);
    if (mergedIndex < 0) {
        auto it = std::find(merged.begin(), merged.end(), r);
        mergedIndex = it == merged.end() ? -1 : static_cast<int>(it - merged.begin());
    }
    if (mergedIndex >= 0) {
        merged.erase(merged.begin() + mergedIndex);
        --display_[kAllContinents];
        adjustSlotsAfterRemove(kAllContinents, mergedIndex, static_cast<int>(merged.size()));
    }
    return true;
}

std::array<std::vector<uint8_t>, kContinentFiles> CityDatabase::images() const {
    std::array<std::vector<uint8_t>, kContinentFiles> out;
    for (int c = 0; c < kContinentFiles; ++c) {
        auto& bytes = out[static_cast<size_t>(c)];
        bytes.resize(list(c).size() * kCityRecordSize);
        for (size_t i = 0; i < list(c).size(); ++i)
            std::memcpy(bytes.data() + i * kCityRecordSize, list(c)[i], kCityRecordSize);
    }
    return out;
}

int CityDatabase::save() {
    return changed_ ? saveToFolder(dataFilePath(u"")) : 0;
}

int CityDatabase::saveToFolder(std::u16string_view deviceFolder) {
    if (!changed_)
        return 0;
    const auto all = images();
    int written = 0;
    for (int c = 0; c < kContinentFiles; ++c) {
        const std::u16string path =
            std::u16string(deviceFolder) + kCityFileNames[static_cast<size_t>(c)];
        if (dev::withRetry(kFileAttempts, kFilePauseMs,
                           [&] { return dev::saveWholeFile(path, all[static_cast<size_t>(c)]); }))
            ++written;
    }
    return written;
}

} // namespace hv
