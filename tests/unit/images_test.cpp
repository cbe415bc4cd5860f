// The generated pictures: every resource is there with the size and frame
// layout the views cut it by, the faces carry the hand colours at the
// sampled pixels, keyed strips use their key colours, and the default
// sounds are valid WAV files.

#include "images/images.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

using hv::images::load;

TEST(Images, EveryResourceHasItsSizeAndFrames) {
    std::set<int> ids;
    for (const auto& e : hv::images::catalogue()) {
        SCOPED_TRACE(e.id);
        EXPECT_TRUE(ids.insert(e.id).second);
        const QImage img = load(e.id);
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.width(), e.width);
        EXPECT_EQ(img.height(), e.height);
        EXPECT_EQ(img.width() % e.frames, 0);
        EXPECT_EQ(hv::images::path(e.id), QString(":/img/%1.png").arg(e.id));
    }
    // Frame sizes the views cut the strips by.
    const struct {
        int id, frames, w, h;
    } strips[] = {{212, 12, 34, 34},   {203, 2, 66, 66},  {198, 5, 32, 30},    {164, 10, 14, 23},
                  {165, 10, 12, 19},   {166, 7, 28, 19},  {160, 16, 114, 114}, {161, 16, 130, 130},
                  {162, 16, 198, 198}, {163, 16, 44, 44}, {169, 10, 31, 51},   {170, 10, 14, 23},
                  {171, 10, 20, 20},   {172, 7, 68, 20},  {178, 10, 18, 29},   {180, 2, 10, 6},
                  {175, 16, 48, 48},   {176, 16, 49, 49}, {177, 16, 55, 55}};
    for (const auto& s : strips) {
        SCOPED_TRACE(s.id);
        const QImage img = load(s.id);
        EXPECT_EQ(img.width(), s.frames * s.w);
        EXPECT_EQ(img.height(), s.h);
    }
    EXPECT_EQ(load(118).size(), load(138).size()); // day and night maps match
    EXPECT_TRUE(load(999).isNull());
}

TEST(Images, FacesCarryTheHandColours) {
    const QImage general = load(125), analog = load(119);
    const QRgb hour = general.pixel(60, 9), minute = general.pixel(91, 3),
               second = general.pixel(82, 22);
    EXPECT_EQ(analog.pixel(179, 3), hour);
    EXPECT_EQ(analog.pixel(183, 12), minute);
    EXPECT_EQ(analog.pixel(155, 41), second);
    // Hands must stand out from the white dial they sweep over and from each other.
    for (QRgb c : {hour, minute, second})
        EXPECT_LT(qGray(c), 160);
    EXPECT_NE(second, hour);
    EXPECT_GT(qRed(second), qBlue(second) + 100); // the second hand is red
    // The dial under the hands is light: the centre region is near white.
    EXPECT_GT(qGray(general.pixel(98, 140)), 230);
    EXPECT_GT(qGray(load(124).pixel(41, 60)), 230);
}

TEST(Images, KeyedStripsUseTheirKeyColours) {
    const QImage icons = load(212);
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(icons.pixel(i * 34 + 33, 33) | 0xff000000u, hv::images::kIconKey);
        EXPECT_NE(icons.pixel(i * 34 + 14, 14) | 0xff000000u, hv::images::kIconKey);
    }
    const QImage tree = load(198);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tree.pixel(i * 32, 0) | 0xff000000u, hv::images::kTreeKey);
    // Moon phase 0 (new moon) is all transparent, phase 12 (full) covers the disk.
    const QImage waxing = load(120), waning = load(217);
    EXPECT_EQ(waxing.pixel(100, 100) | 0xff000000u, hv::images::kMoonKey);
    EXPECT_NE(waning.pixel(100, 100) | 0xff000000u, hv::images::kMoonKey);
    EXPECT_NE(waning.pixel(20, 100) | 0xff000000u, hv::images::kMoonKey);
    // A waxing crescent (picture 3) is lit on the right only.
    EXPECT_NE(waxing.pixel(3 * 200 + 185, 100) | 0xff000000u, hv::images::kMoonKey);
    EXPECT_EQ(waxing.pixel(3 * 200 + 30, 100) | 0xff000000u, hv::images::kMoonKey);
}

TEST(Images, HandFramesTurnAboutTheirPivot) {
    // Pivot of each hand strip inside its frames (pivot on screen minus the
    // frame's top-left corner); every frame is transparent in the far corner
    // away from the hand and drawn at the pivot.
    const struct {
        int id, size, px, py;
    } hands[] = {{160, 114, 12, 102}, {161, 130, 12, 118}, {162, 198, 52, 146}, {163, 44, 5, 39},
                 {175, 48, 8, 40},    {176, 49, 8, 41},    {177, 55, 20, 35}};
    for (const auto& h : hands) {
        SCOPED_TRACE(h.id);
        const QImage img = load(h.id);
        for (int f = 0; f < 16; ++f) {
            EXPECT_EQ(img.pixel(f * h.size + h.size - 1, h.size - 1) | 0xff000000u,
                      hv::images::kHandKey);
            EXPECT_NE(img.pixel(f * h.size + h.px, h.py - 1) | 0xff000000u, hv::images::kHandKey);
        }
        // Frame 0 points up, frame 15 points right.
        EXPECT_NE(img.pixel(h.px, h.py / 2) | 0xff000000u, hv::images::kHandKey);
        EXPECT_NE(img.pixel(15 * h.size + h.px + (h.size - h.px) / 2, h.py) | 0xff000000u,
                  hv::images::kHandKey);
    }
}

TEST(Images, SkinDisplaysHaveTheirLcdColour) {
    // Places the skins cover with the LCD colour must already show it, and
    // the digit cells are drawn on it.
    const struct {
        int background, digits, x, y;
        QRgb lcd;
    } skins[] = {{159, 164, 314, 360, qRgb(123, 138, 125)},
                 {168, 169, 140, 290, qRgb(161, 173, 163)},
                 {174, 178, 330, 370, qRgb(156, 156, 148)}};
    for (const auto& s : skins) {
        SCOPED_TRACE(s.background);
        EXPECT_EQ(load(s.background).pixel(s.x, s.y), s.lcd);
        EXPECT_EQ(load(s.digits).pixel(0, 0), s.lcd);
    }
}

TEST(Images, DefaultSoundsAreWavFiles) {
    for (const char* name :
         {"Alarm1.wav", "Alarm2.wav", "Alarm3.wav", "Alarm4.wav", "Alarm5.wav"}) {
        SCOPED_TRACE(name);
        QFile f(QString(HV_DEVICE_SOUNDS_DIR) + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray d = f.readAll();
        ASSERT_GT(d.size(), 44);
        EXPECT_EQ(d.left(4), "RIFF");
        EXPECT_EQ(d.mid(8, 8), "WAVEfmt ");
        auto u16 = [&](int at) { return uint8_t(d[at]) | uint8_t(d[at + 1]) << 8; };
        auto u32 = [&](int at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
        EXPECT_EQ(u16(20), 1);      // PCM
        EXPECT_EQ(u16(22), 1);      // mono
        EXPECT_EQ(u32(24), 22050u); // rate
        EXPECT_EQ(u16(34), 16);     // bits
        EXPECT_EQ(u32(40), uint32_t(d.size() - 44));
        EXPECT_EQ(u32(4), uint32_t(d.size() - 8));
    }
}

} // namespace
