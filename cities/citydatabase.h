// The in-memory city database: every record of the six city files in one store that never moves,
// seven lists of record pointers in word-sort order (six continents and the merged list), and the
// selection slots through which every city picker remembers its (list, position). Slot 0 is the
// home location.
#pragma once

#include "cities/cityrecord.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hv {

struct CitySelection {
    int32_t continent = 0; // 0..6
    int32_t index = 0;     // position in that list
};

inline constexpr int kCitySlots = 100;
inline constexpr int kCityReserve = 100;  // cells kept free after the loaded records
inline constexpr int kCityAdditions = 99; // additions allowed in one run

// File names below the data folder, in continent order.
extern const std::array<const char16_t*, kContinentFiles> kCityFileNames;

class CityDatabase {
public:
    CityDatabase();
    CityDatabase(const CityDatabase&) = delete;
    CityDatabase& operator=(const CityDatabase&) = delete;

    // Loads data\<continent>.cdb of the program's data folder. A missing, unreadable or too short
    // file leaves its continent empty; the others load. Returns the number of continents loaded.
    int load();
    // Loads from a device folder (ending in a backslash) instead of the program's data folder.
    int loadFromFolder(std::u16string_view deviceFolder);
    // Loads from six file images; an image shorter than one record gives an empty continent and a
    // trailing partial record is ignored. Returns the number of non-empty continents.
    int loadImages(const std::array<std::vector<uint8_t>, kContinentFiles>& images);

    // The record at a position of a list (0..6), or nullptr outside the list.
    const CityRecord* recordAt(int continent, int index) const;
    int count(int continent) const;
    // The item count the list controls read; every operation keeps it equal to count().
    int displayCount(int continent) const;
    // Continent 0..5 of an entry of the merged list, -1 outside it.
    int continentOfMerged(int mergedIndex) const;
    // Position in its continent list of the record at a merged index, -1 when absent.
    int indexWithinContinent(int continent, int mergedIndex) const;

    // Slot 0. continent -1 re-reads the slot; 6 converts a merged index to its continent pair.
    bool setHome(int continent, int index);
    CitySelection home() const { return slots_[0]; }
    // The record slot 0 designates (nullptr when the database is empty).
    const CityRecord* homeRecord() const;

    // Hands out the next selection slot filled with the pair; -1 when all are taken.
    int takeSlot(int continent, int index);
    CitySelection& slot(int n) { return slots_[static_cast<size_t>(n)]; }
    const CitySelection& slot(int n) const { return slots_[static_cast<size_t>(n)]; }
    int slotsTaken() const { return slotCount_; }

    // Inserts a copy at its sorted places in its continent list and in the merged list; returns
    // the position in the continent list, or -1 (continent above 5, no addition left).
    int addCity(int continent, const CityRecord& record);
    // Overwrites the stored record and moves it to its sorted places (a renamed city); selection
    // slots follow their cities. The files are written at the next save.
    bool replaceCity(int continent, int index, const CityRecord& record);
    // Removes the record from its continent list and the merged list.
    bool deleteCity(int continent, int index);
    int additionsLeft() const { return spare_; }
    bool changed() const { return changed_; }
    // Counts every add, edit and delete: a picker that remembers its city by position reads its
    // selection slot again when the revision moved on.
    uint32_t revision() const { return revision_; }

    // Rewrites the six files from the continent lists when something was added or deleted.
    // Returns the number of files written (0 when nothing changed).
    int save();
    int saveToFolder(std::u16string_view deviceFolder);
    // The six file images of the continent lists.
    std::array<std::vector<uint8_t>, kContinentFiles> images() const;

private:
    void clear();
    void buildMerged();
    void adjustSlotsAfterInsert(int list, int position);
    void adjustSlotsAfterRemove(int list, int removed, int newCount);
    void moveToSortedPlace(int list, int from);
    static int sortedPosition(const std::vector<CityRecord*>& list, const CityRecord& r);
    std::vector<CityRecord*>& list(int continent) { return lists_[static_cast<size_t>(continent)]; }
    const std::vector<CityRecord*>& list(int continent) const {
        return lists_[static_cast<size_t>(continent)];
    }

    std::unique_ptr<CityRecord[]> store_;
    size_t storeSize_ = 0; // cells
    size_t storeUsed_ = 0;
    std::array<std::vector<CityRecord*>, kCityLists> lists_;
    std::array<int, kCityLists> display_{};
    int spare_ = kCityAdditions;
    std::array<CitySelection, kCitySlots> slots_{};
    int slotCount_ = 1;
    bool changed_ = false;
    uint32_t revision_ = 0;
};

// Word-sort comparison of two record names.
int compareCityNames(const CityRecord& a, const CityRecord& b);

} // namespace hv
