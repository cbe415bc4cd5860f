// The About box and the "Set Date && Time" dialog of the main window.
#include "device/device.h"
#include "shell/mainwindow.h"
#include "shell/shellfonts.h"

#include <QDateEdit>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace hv::shell {

QDialog* createAboutDialog(QWidget* parent) {
    auto* d = new QDialog(parent);
    d->setObjectName(QStringLiteral("about"));
    d->setWindowTitle(QStringLiteral("About"));
    auto* col = new QVBoxLayout(d);
    auto* name = new QLabel(QStringLiteral("Horavel v1.22"), d);
    name->setObjectName(QStringLiteral("programName"));
    name->setFont(shellFont(20, true));
    name->setAlignment(Qt::AlignCenter);
    auto* build = new QLabel(QStringLiteral("Build 0165"), d);
    build->setObjectName(QStringLiteral("build"));
    build->setAlignment(Qt::AlignCenter);
    col->addWidget(name);
    col->addWidget(build);
    auto* ok = new QPushButton(QStringLiteral("OK"), d);
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    col->addWidget(ok, 0, Qt::AlignHCenter);
    return d;
}

namespace {

QDate toDate(const dev::SystemTime& t) {
    return QDate(t.year, t.month, t.day);
}
QTime toTime(const dev::SystemTime& t) {
    return QTime(t.hour, t.minute, t.second);
}

class SetDateTimeDlg : public QDialog {
public:
    explicit SetDateTimeDlg(QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("setDateTime"));
        setWindowTitle(QStringLiteral("Set Date & Time"));
        auto* col = new QVBoxLayout(this);
        auto* heading = new QLabel(QStringLiteral("System Date & Time"), this);
        heading->setFont(shellFont(18, true));
        col->addWidget(heading);
        date_ = new QDateEdit(this);
        date_->setObjectName(QStringLiteral("date1031"));
        date_->setCalendarPopup(true);
        date_->setDateRange(QDate(1601, 1, 1), QDate(30827, 12, 31));
        time_ = new QTimeEdit(this);
        time_->setObjectName(QStringLiteral("time1032"));
        time_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        col->addWidget(date_);
        col->addWidget(time_);
        col->addStretch(1);
        auto* row = new QHBoxLayout;
        auto* ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setObjectName(QStringLiteral("ok"));
        auto* apply = new QPushButton(QStringLiteral("Apply"), this);
        apply->setObjectName(QStringLiteral("apply"));
        row->addWidget(ok);
        row->addWidget(apply);
        col->addLayout(row);
        QObject::connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        QObject::connect(apply, &QPushButton::clicked, this, [this] {
            applyClock();
            accept();
        });
        QObject::connect(date_, &QDateEdit::dateChanged, this, [this] {
            if (!updating_)
                dateChanged_ = true;
        });
        QObject::connect(time_, &QTimeEdit::timeChanged, this, [this] {
            if (!updating_)
                timeChanged_ = true;
        });
        follow(true);
        timerId_ = startTimer(100);
    }

protected:
    void timerEvent(QTimerEvent* e) override {
        if (e->timerId() == timerId_)
            follow(false);
    }

private:
    // Sets the unchanged pickers to the current local time when the second changed.
    void follow(bool always) {
        const dev::SystemTime now = dev::getLocalTime();
        if (!always && now.second == shown_.second && now.minute == shown_.minute &&
            now.hour == shown_.hour && now.day == shown_.day)
            return;
        shown_ = now;
        updating_ = true;
        if (!dateChanged_)
            date_->setDate(toDate(now));
        if (!timeChanged_)
            time_->setTime(toTime(now));
        updating_ = false;
    }

    void applyClock() {
        dev::SystemTime t = dev::getLocalTime();
        if (dateChanged_) {
            const QDate d = date_->date();
            t.year = static_cast<uint16_t>(d.year());
            t.month = static_cast<uint16_t>(d.month());
            t.day = static_cast<uint16_t>(d.day());
            t.dayOfWeek = static_cast<uint16_t>(
                dev::weekdayFromDays(dev::daysFromCivil(t.year, t.month, t.day)));
        }
        if (timeChanged_) {
            const QTime tm = time_->time();
            t.hour = static_cast<uint16_t>(tm.hour());
            t.minute = static_cast<uint16_t>(tm.minute());
            t.second = static_cast<uint16_t>(tm.second());
            t.milliseconds = 0;
        }
        if (!dev::current().timeSetting().setLocalTime(t))
            dev::messageBox(u"Horavel", u"Can't set the date and time", dev::MbIcon::Error);
    }

    QDateEdit* date_ = nullptr;
    QTimeEdit* time_ = nullptr;
    bool dateChanged_ = false;
    bool timeChanged_ = false;
    bool updating_ = false;
    int timerId_ = 0;
    dev::SystemTime shown_{};
};

} // namespace

QDialog* createSetDateTimeDialog(QWidget* parent) {
    return new SetDateTimeDlg(parent);
}

} // namespace hv::shell
