#include "app/viewregistry.h"

#include "astro/ui/moonview.h"
#include "astro/ui/sunview.h"
#include "cities/ui/citytimeview.h"
#include "cities/ui/worldtimeview.h"
#include "items/ui/alarmsview.h"
#include "items/ui/eventsview.h"
#include "items/ui/stopwatchview.h"
#include "items/ui/timersview.h"
#include "shellcore/shellcore.h"
#include "views/analogclockview.h"
#include "views/digitalclockview.h"
#include "views/generalview.h"
#include "views/internettimeview.h"
#include "views/skins/anadigilikeview.h"
#include "views/skins/casiolikeview.h"
#include "views/skins/citizenlikeview.h"
#include "views/timecalcview.h"

namespace hv::registry {

std::unique_ptr<view::View> makeView(int number, view::ViewContext& ctx) {
    switch (number) {
    case shell::kGeneral:
        return std::make_unique<views::GeneralView>(ctx, number);
    case shell::kDigitalClock:
        return std::make_unique<views::DigitalClockView>(ctx, number);
    case shell::kAnalogClock:
        return std::make_unique<views::AnalogClockView>(ctx, number);
    case shell::kInternetTime:
        return std::make_unique<views::InternetTimeView>(ctx, number);
    case shell::kTimeCalc:
        return std::make_unique<views::TimeCalcView>(ctx, number);
    case shell::kAlarms:
        return std::make_unique<itemsui::MAlarms>(ctx, number);
    case shell::kTimers:
        return std::make_unique<itemsui::MTimers>(ctx, number);
    case shell::kMoonPhases:
        return std::make_unique<astroui::MoonView>(ctx, number);
    case shell::kSunRiseSet:
        return std::make_unique<astroui::SunView>(ctx, number);
    case shell::kWorldTime:
        return std::make_unique<citiesui::WorldTimeView>(ctx, number);
    case shell::kCityTime:
        return std::make_unique<citiesui::CityTimeView>(ctx, number);
    case shell::kStopwatch:
        return std::make_unique<itemsui::StopwatchView>(ctx, number);
    case shell::kEvents:
        return std::make_unique<itemsui::EventsView>(ctx, number);
    case shell::kCitizenLike:
        return std::make_unique<skins::MCitizenLike>(ctx, number);
    case shell::kCasioLike:
        return std::make_unique<skins::MCasioLike>(ctx, number);
    case shell::kAnaDigiLike:
        return std::make_unique<skins::MAnaDigiLike>(ctx, number);
    default:
        return nullptr; // no view has this number
    }
}

} // namespace hv::registry
