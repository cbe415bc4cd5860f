#include "images/images.h"

#include <mutex>

static void registerImageResources() {
    Q_INIT_RESOURCE(hvimages);
}

namespace hv::images {

namespace {

constexpr Entry kCatalogue[] = {
    {118, 480, 240, 1},   // world map, day
    {119, 362, 362, 1},   // Analog Clock face
    {120, 2400, 200, 12}, // Moon phases 0-11
    {121, 200, 200, 1},   // Moon background
    {122, 256, 64, 4},    // principal-phase icons
    {123, 480, 250, 1},   // Sun rise/set picture
    {124, 82, 82, 1},     // small face of the City Time items
    {125, 197, 197, 1},   // General face
    {138, 480, 240, 1},   // world map, night
    {158, 38, 38, 1},     // skins' corner icon
    {159, 480, 640, 1},   // Citizen like background
    {160, 1824, 114, 16}, // Citizen hour hand
    {161, 2080, 130, 16}, // Citizen minute hand
    {162, 3168, 198, 16}, // Citizen second hand
    {163, 704, 44, 16},   // Citizen 24-hour hand
    {164, 140, 23, 10},   // Citizen digits
    {165, 120, 19, 10},   // Citizen seconds digits
    {166, 196, 19, 7},    // Citizen day names
    {168, 480, 640, 1},   // Casio like background
    {169, 310, 51, 10},   // Casio time digits
    {170, 140, 23, 10},   // Casio date digits
    {171, 200, 20, 10},   // Casio year digits
    {172, 476, 20, 7},    // Casio day names
    {174, 480, 640, 1},   // Ana-Digi like background
    {175, 768, 48, 16},   // Ana-Digi hour hand
    {176, 784, 49, 16},   // Ana-Digi minute hand
    {177, 880, 55, 16},   // Ana-Digi second hand
    {178, 180, 29, 10},   // Ana-Digi digits
    {180, 20, 6, 2},      // Ana-Digi AM/PM marks
    {198, 160, 30, 5},    // tree images
    {203, 132, 66, 2},    // AM/PM pictures of the Digital Clock
    {211, 234, 44, 1},    // interface strip
    {212, 408, 34, 12},   // icon strip
    {217, 2400, 200, 12}, // Moon phases 12-23
};

} // namespace

void init() {
    static std::once_flag once;
    std::call_once(once, registerImageResources);
}

QString path(int resourceId) {
    return QStringLiteral(":/img/%1.png").arg(resourceId);
}

QImage load(int resourceId) {
    init();
    return QImage(path(resourceId));
}

QImage loadDetailed(int resourceId) {
    init();
    QImage img(QStringLiteral(":/img/%1@%2x.png").arg(resourceId).arg(kDetailedScale));
    img.setDevicePixelRatio(1);
    return img;
}

std::span<const Entry> catalogue() {
    return kCatalogue;
}

} // namespace hv::images
