// Date and time pickers: CustomControl holds the platform's date-and-time picker in a container
// window of its own; TimePicker adds its three modes (clock time, a three-digit Internet time
// with odometer carries, and a signed offset in quarter hours), DatePicker the date style.
#pragma once

#include "device/systime.h"
#include "toolkit/controls/controlrules.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/platform/platform.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

namespace hv::tk {

class CustomControl : public SWindow, public SDrawBasic {
public:
    explicit CustomControl(HWND owner) : owner_(owner) {}
    ~CustomControl() override;

    HWND owner() const { return owner_; }
    // The platform control inside.
    HWND control() const { return control_; }
    bool changed() const { return changed_; }
    void setChanged(bool on) { changed_ = on; }

protected:
    bool CreateContainer(int x, int y, int width, int height, HINSTANCE instance);
    HWND control_ = nullptr;
    HWND owner_ = nullptr;
    bool changed_ = false;
};

class TimePicker : public CustomControl {
public:
    enum Mode : int { kClock = 0, kInternet = 1, kOffset = 2 };

    TimePicker(HWND owner, int x, int y, int width, int height, HINSTANCE instance, bool initNow,
               bool internetTime = false);
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;

    int mode() const { return mode_; }
    // A spin box with the time or the offset it shows, named after its label.
    Accessible accessibility() const override;
    // Clock and Internet mode switch (the value shown is kept as it is).
    void SetMode(int mode);
    void SetTime(const dev::SystemTime& t);
    dev::SystemTime GetTime() const;
    // Internet time 0..999.
    void SetInternetTime(int beats);
    int GetInternetTime() const;
    // Offset mode: entered once, then the offset in minutes east of UTC (-720..840).
    void EnterOffsetMode();
    void SetOffset(int minutes);
    int GetOffset() const;
    bool negative() const { return negative_; }

    DateTimePick* pick() const { return AsDateTimePick(control_); }
    std::u16string Text() const;

private:
    void ChoosePicture();
    void ShowOffset(const OffsetValue& v);
    void OnChange();
    // "-" or "+" typed in offset mode.
    void OnSignKey(char16_t key);

    int mode_ = kClock;
    bool negative_ = false;
    dev::SystemTime last_{};
    int lastMinute_ = 0;
    int lastHours_ = 0;
};

class DatePicker : public CustomControl {
public:
    DatePicker(HWND owner, int x, int y, int width, int height, HINSTANCE instance, bool initNow);
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
    // A spin box with the date it shows, named after its label.
    Accessible accessibility() const override;
    void SetDate(const dev::SystemTime& t);
    dev::SystemTime GetDate() const;
    DateTimePick* pick() const { return AsDateTimePick(control_); }
};

} // namespace hv::tk
