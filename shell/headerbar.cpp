#include "shell/headerbar.h"

#include "device/text.h"
#include "settings/settings.h"
#include "shell/shellfonts.h"
#include "shell/shellstrings.h"
#include "shellcore/shellcore.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/strings.h"

#include <QLinearGradient>
#include <QPainter>
#include <QWidget>

namespace hv::shell {

namespace {
// An icon of the generated icon strip lies in the top-left 28 x 28 of its frame.
constexpr int kIconSize = 28;

void drawStripIcon(QPainter& p, int index, int x, int y) {
    const tk::ImageList& icons = tk::SDraw::icons();
    if (index < 0 || index >= icons.count())
        return;
    p.drawImage(QPoint(x, y), icons.frames(),
                QRect(index * icons.frameWidth(), 0, kIconSize, kIconSize));
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
    tk::SetAccessibleLabel(host_->hwnd(), tk::LoadStringResource(kStrView));
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
    drawStripIcon(p, pressed_ ? tk::kIconViewListPressed : tk::kIconViewList, kViewListIcon.left,
                  kViewListIcon.top);
    const QString name = dev::toQString(viewName(selected_));
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
    // Normal weight, as the small text face: the bold face's slash stands apart from the digits
    // ("12/ 9/ 2026").
    const QFont font = shellFont(15, false);
    p.setFont(font);
    p.setPen(Qt::black);
    const QFontMetrics fm(font);
    for (int i = 0; i < 3; ++i) {
        if (kinds[i] == StatusKind::None)
            continue;
        const QString text = dev::toQString(texts[i]);
        const int w = fm.horizontalAdvance(text);
        const Point icon = statusIconOrigin(kStatusPartX[i], w);
        const Point origin = statusTextOrigin(kStatusPartX[i], w);
        drawStripIcon(p, statusIcon(kinds[i]), icon.x, icon.y);
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
