#include "cities/ui/homelocation.h"

#include "cities/ui/citiesuitexts.h"
#include "device/text.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace hv::citiesui {

using namespace hv::tk;

namespace {

QString qs(std::u16string_view s) {
    return dev::toQString(std::u16string(s));
}

} // namespace

// ---- ZoneChangeDialog ------------------------------------------------------------------------

ZoneChangeDialog::ZoneChangeDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("zoneChange"));
    setWindowTitle(qs(kCaption));
    auto* col = new QVBoxLayout(this);
    col->addWidget(new QLabel(qs(kZoneChosen), this));
    col->addWidget(new QLabel(qs(kSaveToClock), this));
    shift_ = new QCheckBox(qs(kShiftTime) + QLatin1Char('\n') + qs(kShiftTimeSecond), this);
    shift_->setObjectName(QStringLiteral("shiftClock"));
    shift_->setChecked(true);
    col->addWidget(shift_);
    auto* row = new QHBoxLayout;
    auto button = [&](const QString& text, const QString& name, ConfirmAnswer a) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        QObject::connect(b, &QPushButton::clicked, this, [this, a] { choose(a); });
        row->addWidget(b);
    };
    button(QStringLiteral("Yes"), QStringLiteral("yes"), ConfirmAnswer::Yes);
    button(QStringLiteral("No"), QStringLiteral("no"), ConfirmAnswer::No);
    button(QStringLiteral("Cancel"), QStringLiteral("cancel"), ConfirmAnswer::Cancel);
    col->addLayout(row);
}

bool ZoneChangeDialog::shiftClock() const {
    return shift_->isChecked();
}

void ZoneChangeDialog::choose(ConfirmAnswer a) {
    answer_ = a;
    done(a == ConfirmAnswer::Cancel ? QDialog::Rejected : QDialog::Accepted);
}

ConfirmAnswer AskZoneChange(QWidget* parent, bool& shiftClock) {
    ZoneChangeDialog d(parent);
    d.exec();
    // Closing the window counts as "Cancel"; the box is kept whichever way it is left.
    shiftClock = d.shiftClock();
    return d.answer();
}

// ---- HomeLocationPanel -----------------------------------------------------------------------

HomeLocationPanel::HomeLocationPanel(HWND parent, int width, int height, CitySelection city) {
    registerCitiesStrings();
    Create(0, u"Home Location", u"", WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent, 0,
           nullptr);
    if (hwnd())
        lists_ = std::make_unique<CityList>(hwnd(), kPickersAt.x, kPickersAt.y, city.continent,
                                            city.index);
}

HomeLocationPanel::~HomeLocationPanel() {
    lists_.reset();
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

void HomeLocationPanel::Paint(HDC hdc) {
    hdc->FillRect(GetClientRect(hwnd()), colour(kColourWhite));
    hdc->SelectFont(SDraw::font(kFontText));
    hdc->SetBkMode(TRANSPARENT);
    hdc->SetTextColor(colour(kColourText));
    hdc->DrawText(citiesString(kStrContinentLabel), kContinentLabel,
                  DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    hdc->DrawText(citiesString(kStrCityLabel), kCityLabel, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

// ---- HomeLocationDlg -------------------------------------------------------------------------

HomeLocationDlg::HomeLocationDlg(QWidget* parent, CityDatabase& db, bool forced,
                                 std::function<void()> repaint)
    : QDialog(parent), db_(db), repaint_(std::move(repaint)) {
    state_.forced = forced;
    setObjectName(forced ? QStringLiteral("homeLocationForced") : QStringLiteral("homeLocation"));
    setWindowTitle(dev::toQString(citiesString(kStrSelectHomeLocation)));
    const int width = kPlace.right - kPlace.left;
    const int height = kPlace.bottom - kPlace.top;
    setFixedSize(width, height);
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 6);
    auto* host = new QWidget(this);
    host->setFixedSize(width, kPanelHeight);
    col->addWidget(host);
    // The pickers start on the home city, in either mode.
    panel_ = std::make_unique<HomeLocationPanel>(host, width, kPanelHeight, db.home());
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("ok"));
    QObject::connect(ok_, &QPushButton::clicked, this, [this] { ok(); });
    row->addWidget(ok_);
    if (!forced) {
        cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
        cancel_->setObjectName(QStringLiteral("cancel"));
        QObject::connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
        row->addWidget(cancel_);
    }
    row->addSpacing(8);
    col->addLayout(row);
    confirm = [this](bool& shift) { return AskZoneChange(this, shift); };
}

HomeLocationDlg::~HomeLocationDlg() {
    panel_.reset();
}

HomeApplyResult HomeLocationDlg::ok() {
    CityList* l = lists();
    if (!l)
        return HomeApplyResult::Failed;
    const HomeApplyResult r =
        ApplyHomeLocation(db_, state_, l->continent(), l->city(), confirm, repaint_);
    if (r == HomeApplyResult::Applied || r == HomeApplyResult::Closed)
        accept();
    return r;
}

void HomeLocationDlg::reject() {
    if (!state_.forced)
        QDialog::reject();
}

// ---- Accessibility ---------------------------------------------------------------------------

tk::Accessible HomeLocationPanel::accessibility() const {
    tk::Accessible a;
    a.name = dev::toQString(citiesString(kStrSelectHomeLocation));
    return a;
}

} // namespace hv::citiesui
