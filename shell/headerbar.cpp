#include "shell/headerbar.h"

#include "settings/settings.h"
#include "shellcore/shellcore.h"
#include "shell/shellfonts.h"
#include "shell/shellstrings.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/window/strings.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace hv::shell {

namespace {
constexpr int kIconSize = 28;
constexpr int kListIcon = 8;
constexpr int kListIconPressed = 9;

// Draws one of the icons: alarm bell, timer, stopwatch, sunrise, sunset, Internet globe,
// calendar page, clock; then the list button normal and pressed.
QImage drawIcon(int index) {
    // Drawn at three times the size so that they stay sharp when the window is scaled.
    constexpr int kRatio = 3;
    QImage img(kIconSize * kRatio, kIconSize * kRatio, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(kRatio);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x29, 0x3E, 0x51);
    const QColor accent(0x3A, 0x7B, 0xC8);
    const QColor sun(0xF2, 0xA5, 0x1A);
    p.setPen(QPen(ink, 2));
    p.setBrush(Qt::NoBrush);
    const QRectF box(4, 4, 20, 20);
    switch (index) {
    case 0: { // alarm bell
        QPainterPath bell;
        bell.moveTo(7, 20);
        bell.cubicTo(9, 17, 8, 7, 14, 6);
        bell.cubicTo(20, 7, 19, 17, 21, 20);
        bell.closeSubpath();
        p.setBrush(sun);
        p.drawPath(bell);
        p.drawEllipse(QPointF(14, 22.5), 2, 2);
        break;
    }
    case 1: // timer: hourglass
        p.setBrush(QColor(0xE8, 0xD8, 0xA8));
        p.drawPolygon(QPolygonF({{8, 5}, {20, 5}, {14, 14}, {20, 23}, {8, 23}, {14, 14}}));
        p.drawLine(QPointF(6, 5), QPointF(22, 5));
        p.drawLine(QPointF(6, 23), QPointF(22, 23));
        break;
    case 2: // stopwatch
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(5, 7, 18, 18));
        p.drawLine(QPointF(14, 7), QPointF(14, 3));
        p.drawLine(QPointF(11, 3), QPointF(17, 3));
        p.setPen(QPen(accent, 2));
        p.drawLine(QPointF(14, 16), QPointF(18, 11));
        break;
    case 3:   // sunrise
    case 4: { // sunset
        p.setBrush(sun);
        p.setPen(QPen(sun.darker(130), 1.5));
        p.drawChord(QRectF(6, 10, 16, 16), 0, 180 * 16);
        p.setPen(QPen(ink, 2));
        p.drawLine(QPointF(3, 18), QPointF(25, 18));
        const bool up = index == 3;
        p.setPen(QPen(accent, 2));
        const double y0 = up ? 8 : 3, y1 = up ? 3 : 8;
        p.drawLine(QPointF(14, y0), QPointF(14, y1));
        p.drawLine(QPointF(11, up ? 6 : 5), QPointF(14, y1));
        p.drawLine(QPointF(17, up ? 6 : 5), QPointF(14, y1));
        break;
    }
    case 5: // Internet time: globe
        p.setBrush(QColor(0xCF, 0xE4, 0xF7));
        p.drawEllipse(box);
        p.drawEllipse(QRectF(10, 4, 8, 20));
        p.drawLine(QPointF(4, 14), QPointF(24, 14));
        break;
    case 6: // date: calendar page
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 6, 18, 17));
        p.fillRect(QRectF(5, 6, 18, 5), QColor(0xC8, 0x3A, 0x3A));
        p.setFont(shellFont(9, true));
        p.drawText(QRectF(5, 11, 18, 12), Qt::AlignCenter, QStringLiteral("31"));
        break;
    case 7: // time: clock face
        p.setBrush(Qt::white);
        p.drawEllipse(box);
        p.drawLine(QPointF(14, 14), QPointF(14, 8));
        p.drawLine(QPointF(14, 14), QPointF(19, 14));
        break;
    case kListIcon:
    case kListIconPressed: {
        const bool pressed = index == kListIconPressed;
        QLinearGradient g(0, 0, 0, kIconSize);
        g.setColorAt(0, pressed ? QColor(0x9F, 0xB9, 0xD3) : QColor(0xFF, 0xFF, 0xFF));
        g.setColorAt(1, pressed ? QColor(0xC9, 0xD9, 0xE9) : QColor(0xC4, 0xD6, 0xE8));
        p.setBrush(g);
        p.setPen(QPen(QColor(0x5A, 0x78, 0x96), 1));
        p.drawRoundedRect(QRectF(1.5, 1.5, 25, 25), 5, 5);
        p.setBrush(ink);
        p.setPen(Qt::NoPen);
        const double d = pressed ? 1 : 0;
        p.drawPolygon(QPolygonF({{8 + d, 11 + d}, {20 + d, 11 + d}, {14 + d, 18 + d}}));
        break;
    }
    default:
        break;
    }
    return img;
}

QImage composeBackground(int height, QColor top, QColor bottom) {
    QImage img(480, height, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(img.rect(), g);
    p.setPen(QColor(0x8C, 0xA6, 0xBF));
    p.drawLine(0, height - 1, 479, height - 1);
    return img;
}
} // namespace

const QImage& statusIconImage(int index) {
    static const std::array<QImage, 10> icons = [] {
        std::array<QImage, 10> a;
        for (int i = 0; i < 10; ++i)
            a[i] = drawIcon(i);
        return a;
    }();
    return icons[static_cast<size_t>(std::clamp(index, 0, 9))];
}

// The container of the view list: a hidden toolkit window over the name in the title strip that
// places the pop-up and hears the list's choice.
class ViewListHost : public tk::SWindow {
public:
    explicit ViewListHost(HeaderBar& bar) : bar_(bar) {}
    tk::LRESULT WindowProc(tk::HWND hwnd, tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override {
        if (msg == tk::kMsgChoice) {
            bar_.listChoice();
            return 0;
        }
        return tk::SWindow::WindowProc(hwnd, msg, wp, lp);
    }

private:
    HeaderBar& bar_;
};

HeaderBar::HeaderBar(StatusSources& sources, QWidget* owner, int selectedView)
    : sources_(sources), owner_(owner), selected_(isView(selectedView) ? selectedView : 0),
      status_(480, kStatusBar.height(), QImage::Format_RGB32) {
    status_.fill(Qt::white);
    if (!owner_)
        return;
    host_ = std::make_unique<ViewListHost>(*this);
    host_->Create(0, u"ViewListHost", u"", tk::WS_CHILD, kViewListTapArea.left,
                  kViewListTapArea.top, kViewListTapArea.width(), kViewListTapArea.height(), owner_,
                  0, nullptr);
    tk::ShowWindow(host_->hwnd(), tk::SW_HIDE);
    registerShellStrings();
    list_ = std::make_unique<tk::SDropList>(host_->hwnd(), tk::LoadStringResource(kStrViewList),
                                            selected_, nullptr);
    listFont_ = shellFont(17, false);
    list_->setFont(&listFont_);
}

HeaderBar::~HeaderBar() {
    list_.reset();
    host_.reset();
}

void HeaderBar::listChoice() {
    if (!list_)
        return;
    setSelectedView(list_->selected());
    if (onViewChosen)
        onViewChosen();
    if (owner_)
        owner_->update();
}

void HeaderBar::setSelectedView(int v) {
    if (isView(v))
        selected_ = v;
}

void HeaderBar::paintTitle(QPainter& p) {
    static const QImage background =
        composeBackground(kTitleStrip.height(), QColor(0xF4, 0xF8, 0xFC), QColor(0xB9, 0xCF, 0xE4));
    p.drawImage(0, 0, background);
    p.drawImage(kViewListIcon.left, kViewListIcon.top,
                statusIconImage(pressed_ ? kListIconPressed : kListIcon));
    const QString name = QString::fromStdU16String(viewName(selected_));
    p.setFont(shellFont(19, true));
    const QRect r(kViewNameRect.left, kViewNameRect.top, kViewNameRect.width(),
                  kViewNameRect.height());
    p.setPen(QColor(0xD9, 0xE8, 0xF6));
    p.drawText(r.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, name);
    p.setPen(QColor(0x29, 0x3E, 0x51));
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, name);
}

void HeaderBar::paint(QPainter& p) {
    paintTitle(p);
    p.drawImage(kStatusBar.left, kStatusBar.top, status_);
}

bool HeaderBar::recomposeStatusBar(const dev::SystemTime& now, bool force) {
    std::array<std::u16string, 3> texts;
    const auto kinds = statusKinds(app().settings);
    for (int i = 0; i < 3; ++i)
        texts[i] = statusText(kinds[i], sources_, now);
    if (!force && composed_ && texts == texts_ && kinds == kinds_)
        return false;
    composed_ = true;
    texts_ = texts;
    kinds_ = kinds;
    // The bar is composed at the screen's pixel density so that the copy is one to one.
    const qreal ratio = owner_ ? owner_->devicePixelRatioF() : 1.0;
    if (status_.devicePixelRatio() != ratio) {
        status_ = QImage(QSize(480, kStatusBar.height()) * ratio, QImage::Format_RGB32);
        status_.setDevicePixelRatio(ratio);
    }

    static const QImage background =
        composeBackground(kStatusBar.height(), QColor(0xE9, 0xF1, 0xF8), QColor(0xC4, 0xD6, 0xE8));
    QPainter p(&status_);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(0, 0, background);
    for (int x : kStatusSeparatorX) {
        p.fillRect(x, 6, 2, kStatusBar.height() - 12, QColor(0x8C, 0xA6, 0xBF));
        p.fillRect(x + 2, 6, 2, kStatusBar.height() - 12, QColor(0xFF, 0xFF, 0xFF));
    }
    const QFont font = shellFont(15, true);
    p.setFont(font);
    p.setPen(Qt::black);
    const QFontMetrics fm(font);
    for (int i = 0; i < 3; ++i) {
        if (kinds[i] == StatusKind::None)
            continue;
        const QString text = QString::fromStdU16String(texts[i]);
        const int w = fm.horizontalAdvance(text);
        const Point icon = statusIconOrigin(kStatusPartX[i], w);
        const Point origin = statusTextOrigin(kStatusPartX[i], w);
        p.drawImage(icon.x, icon.y, statusIconImage(statusIcon(kinds[i])));
        const int right = i < 2 ? kStatusSeparatorX[i] : 480;
        p.drawText(QRect(origin.x, origin.y, std::max(0, right - origin.x), 28),
                   Qt::AlignLeft | Qt::AlignTop, text);
    }
    return true;
}

void HeaderBar::stylusDown(Point p) {
    if (!kViewListTapArea.contains(p.x, p.y))
        return;
    tracking_ = true;
    pressed_ = kViewListIcon.contains(p.x, p.y);
    if (pressed_ && owner_)
        owner_->update(QRect(kViewListIcon.left, kViewListIcon.top, kViewListIcon.width(),
                             kViewListIcon.height()));
}

void HeaderBar::stylusMove(Point p) {
    if (pressed_ && !kViewListIcon.contains(p.x, p.y)) {
        pressed_ = false;
        if (owner_)
            owner_->update(QRect(kViewListIcon.left, kViewListIcon.top, kViewListIcon.width(),
                                 kViewListIcon.height()));
    }
}

void HeaderBar::stylusUp(Point p) {
    const bool wasTracking = tracking_;
    tracking_ = false;
    if (pressed_) {
        pressed_ = false;
        if (owner_)
            owner_->update();
    }
    const int part = statusPartAt(p);
    if (part >= 0) {
        const int target = statusTargetView(statusKinds(app().settings)[static_cast<size_t>(part)]);
        if (target < 0)
            return;
        setSelectedView(target);
        if (onViewChosen)
            onViewChosen();
        return;
    }
    if (wasTracking && kViewListTapArea.contains(p.x, p.y))
        openViewList();
}

void HeaderBar::openViewList() {
    if (!list_)
        return;
    list_->SetSelected(selected_);
    list_->Open();
}

} // namespace hv::shell
