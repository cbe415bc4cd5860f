#include "shell/views.h"

#include "shell/shellfonts.h"

#include <QPainter>

namespace hv::shell {

namespace {
QString subText(int view, int sub) {
    switch (view) {
    case kAlarms:
        return QStringLiteral("Page %1 of %2").arg(sub + 1).arg(kAlarmPages);
    case kTimers:
        return QStringLiteral("Timer %1 selected").arg(sub + 1);
    case kCityTime:
    case kTimeCalc:
        return QStringLiteral("Item %1 selected").arg(sub + 1);
    default:
        return {};
    }
}
} // namespace

void PlaceholderView::paint(QPainter& p) {
    p.fillRect(kViewArea, Qt::white);
    p.setPen(QColor(0x29, 0x3E, 0x51));
    p.setFont(shellFont(22, true));
    const QString name = QString::fromStdU16String(viewName(number_));
    p.drawText(kViewArea.adjusted(0, 0, 0, -40), Qt::AlignCenter, name);
    const QString sub = subText(number_, sub_);
    if (!sub.isEmpty()) {
        p.setFont(shellFont(12, false));
        p.drawText(kViewArea.adjusted(0, 60, 0, 0), Qt::AlignCenter, sub);
    }
}

void SkinPlaceholderView::paint(QPainter& p) {
    const QRect screen(0, 0, 480, 640);
    p.fillRect(screen, QColor(0x10, 0x10, 0x14));
    p.setPen(QColor(0xD9, 0xE8, 0xF6));
    p.setFont(shellFont(24, true));
    p.drawText(screen, Qt::AlignCenter, QString::fromStdU16String(viewName(number_)));
    p.setFont(shellFont(11, false));
    p.drawText(screen.adjusted(0, 80, 0, 0), Qt::AlignCenter, QStringLiteral("watch skin"));
}

std::unique_ptr<ShellView> makeView(int number) {
    if (isSkinView(number))
        return std::make_unique<SkinPlaceholderView>(number);
    return std::make_unique<PlaceholderView>(number);
}

} // namespace hv::shell
