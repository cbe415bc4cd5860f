// A continent-and-city pair of drop lists that remembers its city through a selection slot of
// the city database: an added or deleted city moves the slot with the lists, and the picker reads
// the slot again when the database's revision moved on, so it keeps its own city.
#pragma once

#include "cities/citydatabase.h"
#include "toolkit/controls/droplist.h"

#include <memory>

namespace hv::citiesui {

class CityPicker {
public:
    // Takes a slot holding (continent, city); without a free slot the picker keeps the pair
    // itself.
    CityPicker(CityDatabase& db, int continent, int city);
    ~CityPicker();
    CityPicker(const CityPicker&) = delete;
    CityPicker& operator=(const CityPicker&) = delete;

    // Creates the lists at (x, y) of the owner on first call, `width` wide (the city box is cut
    // there so that it leaves room to its right); later calls only show them.
    void show(tk::HWND owner, int x, int y, int width, uintptr_t id = 0);
    void hide();
    // The lists follow the slot when the database changed since they last read it. True when
    // they did.
    bool follow();
    // A choice in the lists: the slot takes it.
    void takeChoice();
    // Chooses a city as the user would.
    bool select(int continent, int city);

    CitySelection selection() const;
    const CityRecord* record() const;
    tk::CityList* lists() const { return lists_.get(); }
    const CityDatabase& database() const { return db_; }
    tk::HWND hwnd() const { return lists_ ? lists_->hwnd() : nullptr; }

private:
    CityDatabase& db_;
    int slot_ = -1;
    CitySelection own_{};
    uint32_t revision_ = 0;
    std::unique_ptr<tk::CityList> lists_;
};

} // namespace hv::citiesui
