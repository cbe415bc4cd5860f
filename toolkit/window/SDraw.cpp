#include "toolkit/window/SDraw.h"

#include "settings/settings.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>

namespace hv::tk {

namespace {

int g_live = 0;
CitySource* g_citySource = nullptr;
DrawResources* g_res = nullptr;

RECT R(int l, int t, int r, int b) {
    return {l, t, r, b};
}

void buildTable(PictureTable& t) {
    t = PictureTable{};
    t.images[0] = LoadImageResource(kImageInterfaceStrip);
    t.images[1] = LoadImageResource(kImageGeneralFace);
    t.images[2] = LoadImageResource(kImageAnalogFace);
    t.images[3] = LoadImageResource(kImageSmallFace);
    t.imageCount = 4;
    t.buttonPressed = {0, R(20, 0, 38, 42)};
    t.buttonNormal = {0, R(2, 0, 20, 42)};
    t.buttonDisabled = {0, R(216, 0, 234, 34)};
    t.buttonText = {RGB(0, 0, 0), RGB(0, 0, 0), RGB(128, 128, 128)};
    t.buttonTextSecond = t.buttonText;
    t.divider = {0, R(56, 33, 57, 39)};
    t.generalFace = {1, R(0, 0, 197, 197)};
    t.generalSamples = {POINT{60, 9}, POINT{91, 3}, POINT{82, 22}};
    t.analogFace = {2, R(0, 0, 362, 362)};
    t.analogSamples = {POINT{179, 3}, POINT{183, 12}, POINT{155, 41}};
    t.smallFace = {3, R(0, 0, 82, 82)};
    t.smallHandColours = {RGB(0, 0, 0), RGB(0, 0, 0)};
    t.smallHandWidths = {1, 1};
    t.smallHandRadii = {24, 32};
    t.regions[kRegionEdgeLeft] = {0, R(0, 0, 1, 44)};
    t.regions[kRegionEdgeRight] = {0, R(1, 0, 2, 44)};
    t.regions[kRegionHeaderGap] = {0, R(176, 0, 180, 44)};
    t.regions[kRegionWideSelected] = {0, R(56, 0, 116, 32)};
    t.regions[kRegionWideNormal] = {0, R(116, 0, 176, 32)};
    t.regions[kRegionSmallPressed] = {0, R(180, 0, 198, 34)};
    t.regions[kRegionSmallNormal] = {0, R(198, 0, 216, 34)};
    t.regions[kRegionButtonHeader] = {0, R(38, 0, 56, 42)};
    t.regions[kRegionPixelBlue] = {0, R(57, 32, 58, 33)};
    t.regions[kRegionPixelHeader] = {0, R(58, 32, 59, 33)};
    t.regions[kRegionPixelGrid] = {0, R(59, 32, 60, 33)};
    t.regions[kRegionPixelCorner] = {0, R(0, 0, 1, 1)};
    t.colours[kColourDigits] = RGB(57, 83, 157);
    t.colours[kColourText] = RGB(0, 0, 0);
    t.colours[kColourBlue] = RGB(57, 83, 157);
    t.colours[kColourWhite] = RGB(255, 255, 255);
    t.colours[kColourRed] = RGB(255, 0, 0);
    t.colours[kColourBlack] = RGB(0, 0, 0);
}

void buildButtonStyle(DrawResources& r) {
    const QImage* strip = r.table.image(0);
    r.buttons.pressed = Picture(strip, r.table.buttonPressed.rect, {}, false);
    r.buttons.normal = Picture(strip, r.table.buttonNormal.rect, {}, false);
    r.buttons.disabled = Picture(strip, r.table.buttonDisabled.rect, {}, false);
    r.buttons.pressedText = r.table.buttonText[0];
    r.buttons.normalText = r.table.buttonText[1];
    r.buttons.disabledText = r.table.buttonText[2];
    r.buttons.keepCache = false;
}

void createResources() {
    RefreshLocaleCache();
    g_res = new DrawResources;
    buildTable(g_res->table);
    g_res->iconStrip = LoadStrip(kImageIconStrip, 12, true, kMagenta);
    // One logical font record, its height, weight and quality changed between the calls.
    struct FontDef {
        int height;
        int weight;
        bool antialiased;
    };
    static constexpr FontDef kFonts[kFontCount] = {
        {28, 700, true},  {144, 700, true}, {80, 700, true}, {26, 700, false}, {26, 400, false},
        {24, 400, false}, {112, 400, true}, {64, 400, true}, {48, 400, false}, {22, 400, false},
    };
    const QString family = SDraw::fontFamily();
    for (int i = 0; i < kFontCount; ++i)
        g_res->fonts[static_cast<size_t>(i)] =
            MakeFont(family, kFonts[i].height, kFonts[i].weight, kFonts[i].antialiased);
    BuildLocaleNameLists();
    g_res->divider = Picture(g_res->table.image(0), g_res->table.divider.rect, {}, false);
    buildButtonStyle(*g_res);
}

void freeResources() {
    delete g_res;
    g_res = nullptr;
}

} // namespace

COLORREF PictureTable::sample(int imageIndex, POINT p) const {
    const QImage* img = image(imageIndex);
    if (!img || p.x < 0 || p.y < 0 || p.x >= img->width() || p.y >= img->height())
        return RGB(0, 0, 0);
    return fromQColor(img->pixelColor(p.x, p.y));
}

void SetCitySource(CitySource* source) {
    g_citySource = source;
}

QFont MakeFont(const QString& family, int cellHeight, int weight, bool antialiased) {
    QFont f(family);
    f.setWeight(weight >= 700 ? QFont::Bold : QFont::Normal);
    f.setStyleStrategy(antialiased ? QFont::PreferAntialias : QFont::PreferDefault);
    f.setHintingPreference(QFont::PreferFullHinting);
    // The handheld's height is the character cell (ascent and descent together); Qt sizes the em.
    f.setPixelSize(cellHeight);
    const int cell = QFontMetrics(f).height();
    if (cell > 0 && cell != cellHeight)
        f.setPixelSize(std::max(1, cellHeight * cellHeight / cell));
    return f;
}

QString SDraw::fontFamily() {
    // Registered once per process, before the first font is made; the shell's fonts use it too.
    static const QString family = [] {
        QString name;
        for (const char* file :
             {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
            if (!QFile::exists(QString::fromLatin1(file)))
                continue;
            const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (name.isEmpty() && !families.isEmpty())
                name = families.front();
        }
        return name.isEmpty() ? QStringLiteral("DejaVu Sans") : name;
    }();
    return family;
}

DrawResources& SDraw::res() {
    return *g_res;
}
bool SDraw::resourcesLive() {
    return g_res != nullptr;
}

const QFont* SDraw::font(int index) {
    if (!g_res || index < 0 || index >= kFontCount)
        return nullptr;
    return &g_res->fonts[static_cast<size_t>(index)];
}

const QFont* SDraw::smallerFont(const QFont* f) {
    if (!g_res || !f)
        return nullptr;
    if (f == font(kFontTextBold))
        return font(kFontText);
    if (f == font(kFontText))
        return font(kFontSmallText);
    if (f == font(kFontSmallText))
        return font(kFontSmallestText);
    return nullptr;
}

COLORREF SDraw::colour(int slot) {
    if (!g_res || slot < 0 || slot >= kColourSlots)
        return RGB(0, 0, 0);
    return g_res->table.colours[static_cast<size_t>(slot)];
}

const ImageList& SDraw::icons() {
    static const ImageList empty;
    return g_res ? g_res->iconStrip : empty;
}

CitySource* SDraw::cities() {
    return g_citySource;
}

void SDraw::DrawDivider(DC& dc, const RECT& r) {
    if (g_res)
        g_res->divider.DrawInto(dc, r);
}

SDrawBasic::SDrawBasic() {
    if (g_live++ == 0)
        createResources();
}

SDrawBasic::~SDrawBasic() {
    if (--g_live == 0)
        freeResources();
}

int SDrawBasic::liveCount() {
    return g_live;
}

} // namespace hv::tk
