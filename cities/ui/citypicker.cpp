#include "cities/ui/citypicker.h"

#include "toolkit/window/SWindow.h"

namespace hv::citiesui {

using namespace hv::tk;

CityPicker::CityPicker(CityDatabase& db, int continent, int city)
    : db_(db), own_{continent, city}, revision_(db.revision()) {
    // A pair outside the lists starts on the first city of its continent.
    if (own_.continent < 0 || own_.continent > kAllContinents)
        own_ = {};
    if (!db_.recordAt(own_.continent, own_.index))
        own_.index = 0;
    slot_ = db_.takeSlot(own_.continent, own_.index);
}

CityPicker::~CityPicker() = default;

CitySelection CityPicker::selection() const {
    return slot_ >= 0 ? db_.slot(slot_) : own_;
}

const CityRecord* CityPicker::record() const {
    const CitySelection s = selection();
    return db_.recordAt(s.continent, s.index);
}

void CityPicker::show(HWND owner, int x, int y, int width, uintptr_t id) {
    if (!lists_) {
        const CitySelection s = selection();
        lists_ = std::make_unique<CityList>(owner, x, y, s.continent, s.index, id);
        if (lists_->hwnd() && width > 0 && width < CityList::kWidth)
            MoveWindow(lists_->hwnd(), x, y, width, CityList::kHeight);
        revision_ = db_.revision();
        return;
    }
    follow();
    ShowWindow(lists_->hwnd(), SW_SHOW);
}

void CityPicker::hide() {
    if (lists_)
        ShowWindow(lists_->hwnd(), SW_HIDE);
}

bool CityPicker::follow() {
    if (revision_ == db_.revision())
        return false;
    revision_ = db_.revision();
    if (!lists_)
        return true;
    CitySelection s = selection();
    if (!db_.recordAt(s.continent, s.index))
        s.index = 0;
    lists_->Select(s.continent, s.index);
    return true;
}

void CityPicker::takeChoice() {
    if (!lists_)
        return;
    const CitySelection chosen{lists_->continent(), lists_->city()};
    if (slot_ >= 0)
        db_.slot(slot_) = chosen;
    else
        own_ = chosen;
}

bool CityPicker::select(int continent, int city) {
    if (!db_.recordAt(continent, city))
        return false;
    if (lists_ && !lists_->Select(continent, city))
        return false;
    if (slot_ >= 0)
        db_.slot(slot_) = {continent, city};
    else
        own_ = {continent, city};
    return true;
}

} // namespace hv::citiesui
