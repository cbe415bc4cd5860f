// BHVEvents.exe started by the real daemon in a temporary device root: an alarm armed two seconds
// ahead rings by itself, is re-registered for the next day, snoozes through a second instance
// and is dismissed. The program runs on Qt's offscreen platform and reports what it does in a
// log file; every wait polls with a generous deadline so that a loaded machine is only slower.
#include "device/daemon_client.h"
#include "device/device.h"
#include "device/fake.h"
#include "device/files.h"
#include "device/journal.h"
#include "device/paths.h"
#include "device/real.h"
#include "device/registry.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/records.h"
#include "items/reregister.h"
#include "items/timers.h"
#include "settings/settings.h"

#include "tests/support/real_daemon.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace hv;
using namespace hv::dev;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

namespace {

using hv::testing::waitUntil;

size_t countOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

class ReminderEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("hv-reminder-" + std::to_string(::getpid()));
        ASSERT_TRUE(hv::testing::startReminderRoot(
            root_, fs::path("Program Files") / "Horavel" / "data", HV_BHVEVENTS_PATH,
            HV_DEVICED_PATH, daemonPid_, client_));
    }

    void TearDown() override {
        if (daemonPid_ > 0) {
            ::kill(daemonPid_, SIGTERM);
            ::waitpid(daemonPid_, nullptr, 0);
        }
        client_.reset();
        // A reminder still ending may write its last lines while the root goes: try again.
        std::error_code ec;
        for (int i = 0; i < 50 && (fs::remove_all(root_, ec), ec || fs::exists(root_)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    std::string log() const {
        std::ifstream in(root_ / "reminder.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void press(int command) { std::ofstream(root_ / "reminder.cmd") << command; }
    items::AlarmRecord storedAlarm() const {
        items::AlarmRecord r{};
        std::ifstream in(root_ / "Program Files" / "Horavel" / "data" / "alarms.dat",
                         std::ios::binary);
        in.read(reinterpret_cast<char*>(&r), sizeof r);
        return r;
    }

    fs::path data() const { return root_ / "Program Files" / "Horavel" / "data"; }
    // The install folder and the settings as the main program leaves them.
    void install() {
        char16_t folder[kInstallValueSize / 2] = {};
        const std::u16string text = u"\\Program Files\\Horavel\\";
        std::copy(text.begin(), text.end(), folder);
        ASSERT_TRUE(regCreateKey(RegHive::LocalMachine, kInstallKey));
        ASSERT_TRUE(regSetValue(RegHive::LocalMachine, kInstallKey, kInstallValue, RegType::MultiSz,
                                folder, sizeof folder));
        SettingsRecord settings{};
        fillSettingsDefaults(settings);
        std::ofstream(data() / "settings.dat", std::ios::binary)
            .write(reinterpret_cast<const char*>(&settings), sizeof settings);
    }
    // A daily alarm a01 at the hour and minute of `time`, registered with the daemon for `time`.
    void armDaily(FileTime time) {
        std::array<items::AlarmRecord, 20> alarms{};
        for (auto& a : alarms)
            a.daysMask = 0x7F;
        items::AlarmRecord& a = alarms[0];
        a.enabled = 1;
        a.alarmTime = time;
        a.notificationHandle = DaemonNotifications(client_).setTimed(
            0, u"\\Windows\\BHVEvents.exe", u"a01", toSystemTime(time), toSystemTime(time));
        ASSERT_NE(a.notificationHandle, 0u);
        std::ofstream(data() / "alarms.dat", std::ios::binary)
            .write(reinterpret_cast<const char*>(alarms.data()), sizeof alarms);
    }
    // Alarm `number`'s record as armDaily leaves it, with a sound.
    void setSoundIndex(int number, uint32_t index) {
        std::fstream f(data() / "alarms.dat", std::ios::binary | std::ios::in | std::ios::out);
        f.seekp((number - 1) * static_cast<std::streamoff>(sizeof(items::AlarmRecord)) + 52);
        f.write(reinterpret_cast<const char*>(&index), 4);
    }
    // A short 8-bit mono PCM sound as \Windows\Alarm1.wav, alarm 1's sound path file naming it;
    // the file's bytes.
    std::vector<uint8_t> installSound() {
        std::vector<uint8_t> wav = {'R', 'I', 'F',  'F',  0,   0,   0,    0,    'W', 'A', 'V',
                                    'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,   1,   0,
                                    1,   0,   0x40, 0x1F, 0,   0,   0x40, 0x1F, 0,   0,   1,
                                    0,   8,   0,    'd',  'a', 't', 'a',  100,  0,   0,   0};
        wav.resize(wav.size() + 100, 0x90);
        const uint32_t riff = static_cast<uint32_t>(wav.size() - 8);
        std::memcpy(wav.data() + 4, &riff, 4);
        std::ofstream(root_ / "Windows" / "Alarm1.wav", std::ios::binary)
            .write(reinterpret_cast<const char*>(wav.data()),
                   static_cast<std::streamsize>(wav.size()));
        const std::u16string path = u"\\Windows\\Alarm1.wav";
        std::ofstream(data() / "alarmsnd0.dat", std::ios::binary)
            .write(reinterpret_cast<const char*>(path.c_str()),
                   static_cast<std::streamsize>((path.size() + 1) * 2));
        return wav;
    }
    // Sound players of the test's own: one that keeps what it was given to play, one that fails
    // as a player without a sound server does.
    fs::path keepingPlayer() {
        const fs::path p = root_ / "keep-player";
        std::ofstream(p) << "#!/bin/sh\ncat \"$1\" > \"$HORAVEL_DEVICE/played.part\" && mv "
                            "\"$HORAVEL_DEVICE/played.part\" \"$HORAVEL_DEVICE/played.wav\"\n";
        fs::permissions(p, fs::perms::owner_all);
        return p;
    }
    fs::path failingPlayer() {
        const fs::path p = root_ / "failing-player";
        std::ofstream(p) << "#!/bin/sh\necho 'no sound server' >&2\nexit 1\n";
        fs::permissions(p, fs::perms::owner_all);
        return p;
    }
    // The daemon again, started with this process's environment as it is now.
    void restartDaemon() {
        if (daemonPid_ > 0) {
            ::kill(daemonPid_, SIGTERM);
            ::waitpid(daemonPid_, nullptr, 0);
        }
        client_->disconnect();
        bool answering = false;
        daemonPid_ = hv::testing::startRealDaemon(HV_DEVICED_PATH, root_, answering);
        ASSERT_TRUE(answering);
    }
    std::string faults() const {
        std::string all;
        for (const auto& line : readFaults(root_, 100).last)
            all += line + "\n";
        return all;
    }
    std::vector<uint8_t> bytesOf(const fs::path& p) const {
        std::ifstream in(p, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    // Waits until the reminder has ended `n` times.
    bool ended(size_t n) {
        return waitUntil([&] { return countOf(log(), " end") >= n; }, 30);
    }

    fs::path root_;
    pid_t daemonPid_ = -1;
    std::shared_ptr<DaemonClient> client_;
};

TEST_F(ReminderEndToEnd, ArmedAlarmRingsReRegistersSnoozesAndReturns) {
    // The install folder, the settings and the alarm table as the main program leaves them.
    char16_t folder[kInstallValueSize / 2] = {};
    const std::u16string text = u"\\Program Files\\Horavel\\";
    std::copy(text.begin(), text.end(), folder);
    ASSERT_TRUE(regCreateKey(RegHive::LocalMachine, kInstallKey));
    ASSERT_TRUE(regSetValue(RegHive::LocalMachine, kInstallKey, kInstallValue, RegType::MultiSz,
                            folder, sizeof folder));
    SettingsRecord settings{};
    fillSettingsDefaults(settings);
    const fs::path data = root_ / "Program Files" / "Horavel" / "data";
    std::ofstream(data / "settings.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(&settings), sizeof settings);

    DaemonNotifications service(client_);
    const FileTime due = getLocalTimeAsFileTime() + 2 * kTicksPerSecond;
    std::array<items::AlarmRecord, 20> alarms{};
    for (auto& a : alarms)
        a.daysMask = 0x7F;
    items::AlarmRecord& a = alarms[0];
    a.enabled = 1;
    a.showDescription = 1;
    a.soundIndex = 1;
    a.alarmTime = due;
    items::setText(a.note, u"Wake up");
    a.notificationHandle =
        service.setTimed(0, u"\\Windows\\BHVEvents.exe", u"a01", toSystemTime(due),
                         toSystemTime(due + 5 * kTicksPerMinute));
    ASSERT_NE(a.notificationHandle, 0u);
    const uint32_t oldHandle = a.notificationHandle;
    std::ofstream(data / "alarms.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(alarms.data()), sizeof alarms);

    // The daemon starts the reminder by itself; it shows the bubble and plays the sound.
    ASSERT_TRUE(waitUntil([&] { return log().find("bubble ") != std::string::npos; }, 30)) << log();
    std::string l = log();
    EXPECT_NE(l.find("start a01"), std::string::npos);
    EXPECT_NE(l.find("Alarm 1  </b>"), std::string::npos) << l;
    EXPECT_NE(l.find("<b>Note:</b> Wake up"), std::string::npos) << l;
    const SystemTime dueSt = toSystemTime(due);
    char hhmm[16];
    std::snprintf(hhmm, sizeof hhmm, ":%02u ", dueSt.minute);
    EXPECT_NE(l.find(std::string("<b>Time:</b> ") +
                     std::to_string(dueSt.hour % 12 == 0 ? 12 : dueSt.hour % 12) + hhmm),
              std::string::npos)
        << l;
    EXPECT_NE(l.find("play \\Windows\\None"), std::string::npos) << l; // no sound path file

    // Re-registered for tomorrow at the same minute, the one registration the daemon holds.
    const items::AlarmRecord stored = storedAlarm();
    SystemTime next = dueSt;
    next.second = next.milliseconds = 0;
    const FileTime nextFt = *toFileTime(next) + kTicksPerDay;
    EXPECT_EQ(dev::FileTime{stored.alarmTime}, nextFt);
    EXPECT_NE(stored.notificationHandle, 0u);
    EXPECT_NE(stored.notificationHandle, oldHandle);
    auto regs = service.list();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].handle, stored.notificationHandle);
    EXPECT_EQ(regs[0].arguments, u"a01");
    EXPECT_EQ(toFileTime(regs[0].start), nextFt);

    // Snooze registers "sn" five minutes ahead by the device clock.
    const FileTime pressed = getLocalTimeAsFileTime();
    press(201);
    ASSERT_TRUE(waitUntil([&] { return service.list().size() == 2; }, 15)) << log();
    regs = service.list();
    const auto sn =
        std::find_if(regs.begin(), regs.end(), [](const auto& r) { return r.arguments == u"sn"; });
    ASSERT_NE(sn, regs.end());
    EXPECT_EQ(sn->application, u"\\Windows\\BHVEvents.exe");
    const int64_t ahead = fileTimeDiffSeconds(*toFileTime(sn->start), pressed);
    EXPECT_GE(ahead, 299);
    EXPECT_LE(ahead, 310);
    EXPECT_NE(log().find("removed"), std::string::npos);

    // Five minutes later by the device clock the second instance wakes the first: the bubble
    // returns.
    ASSERT_TRUE(DaemonTimeSetting(client_).setSystemTime(
        toSystemTime(getSystemTimeAsFileTime() + 5 * kTicksPerMinute + 2 * kTicksPerSecond)));
    ASSERT_TRUE(waitUntil([&] { return countOf(log(), " bubble ") >= 2; }, 30)) << log();
    EXPECT_NE(log().find("start sn"), std::string::npos);
    regs = service.list();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].arguments, u"a01");

    press(200);
    ASSERT_TRUE(waitUntil(
        [&] {
            return countOf(log(), " end") >= 2 && log().find("command 200") != std::string::npos;
        },
        15))
        << log();
    // The alarm process is gone: its "end" follows the dismissal.
    l = log();
    EXPECT_GT(l.rfind(" end"), l.find("command 200"));
}

// The device was suspended over Monday's 07:00: the overdue registration fires on Tuesday at
// 06:30. Monday's alarm rings no more, and Tuesday's 07:00 is the one registered.
TEST_F(ReminderEndToEnd, OverdueAlarmAfterASuspendKeepsTodaysOccurrence) {
    install();
    ASSERT_TRUE(DaemonTimeSetting(client_).setSystemTime(SystemTime{2026, 12, 2, 8, 6, 30, 0, 0}));
    armDaily(*toFileTime(SystemTime{2026, 12, 1, 7, 7, 0, 0, 0}));
    ASSERT_TRUE(ended(1)) << log();
    EXPECT_EQ(log().find("bubble "), std::string::npos) << log();
    DaemonNotifications service(client_);
    ASSERT_TRUE(waitUntil([&] { return service.list().size() == 1; }, 10));
    const auto regs = service.list();
    EXPECT_EQ(regs[0].arguments, u"a01");
    EXPECT_EQ(toFileTime(regs[0].start), toFileTime(SystemTime{2026, 12, 2, 8, 7, 0, 0, 0}));
    EXPECT_EQ(dev::FileTime{storedAlarm().alarmTime},
              *toFileTime(SystemTime{2026, 12, 2, 8, 7, 0, 0, 0}));
}

// A daily 02:30 alarm on the night the clocks go forward in Central Europe: 02:30 never comes,
// and the daemon starts it at the first moment after the gap (03:00 summer time, 01:00 UTC),
// not an hour late; it rings then and is registered again for the next night.
TEST_F(ReminderEndToEnd, AlarmInTheSpringForwardGapRingsAfterTheGap) {
    install();
    ASSERT_TRUE(DaemonTimeSetting(client_).setTimeZone(zoneCentralEurope()));
    // 00:59:57 UTC is 01:59:57 winter time, three seconds before the gap.
    ASSERT_TRUE(DaemonTimeSetting(client_).setSystemTime(SystemTime{2026, 3, 0, 29, 0, 59, 57, 0}));
    armDaily(*toFileTime(SystemTime{2026, 3, 0, 29, 2, 30, 0, 0}));
    ASSERT_TRUE(waitUntil([&] { return log().find("bubble ") != std::string::npos; }, 30)) << log();
    const auto status = client_->status();
    ASSERT_TRUE(status);
    EXPECT_LT(status->utc, *toFileTime(SystemTime{2026, 3, 0, 29, 1, 5, 0, 0}));
    DaemonNotifications service(client_);
    const auto regs = service.list();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(toFileTime(regs[0].start), toFileTime(SystemTime{2026, 3, 1, 30, 2, 30, 0, 0}));
    press(200);
    ASSERT_TRUE(ended(1)) << log();
}

// Another process holds alarms.dat while the main program loads it: the table is reported busy
// (not corrupt), nothing is written over the user's alarms, and once the file is free the next
// arm keeps them and registers with the real daemon.
TEST_F(ReminderEndToEnd, BusyAlarmsFileIsNeverOverwrittenWithDefaults) {
    // This test program runs from outside the root, so its data folder is \data.
    fs::create_directories(root_ / "data");
    std::array<items::AlarmRecord, 20> user{};
    for (auto& a : user) {
        a.daysMask = 0x3E;
        a.alarmTime = *toFileTime(SystemTime{2026, 12, 0, 1, 6, 45, 0, 0});
    }
    items::setText(user[7].note, u"Keep me");
    const fs::path file = root_ / "data" / "alarms.dat";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(user.data()), sizeof user);
    items::Alarms table;
    {
        ExclusiveFile held =
            ExclusiveFile::open(dataFilePath(items::kAlarmsFileName), OpenMode::ReadExisting);
        ASSERT_TRUE(held.isOpen());
        EXPECT_FALSE(table.load());
        EXPECT_FALSE(table.loaded());
    }
    EXPECT_FALSE(fs::exists(root_ / "data" / "alarms.dat.bad"));
    table.checkSet(2);
    std::array<items::AlarmRecord, 20> onFile{};
    std::ifstream(file, std::ios::binary)
        .read(reinterpret_cast<char*>(onFile.data()), sizeof onFile);
    EXPECT_EQ(items::textOf(onFile[7].note), u"Keep me");
    EXPECT_EQ(onFile[19].daysMask, 0x3E);
    EXPECT_EQ(onFile[2].enabled, 1);
    const auto regs = DaemonNotifications(client_).list();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].arguments, u"a03");
    EXPECT_EQ(regs[0].handle, onFile[2].notificationHandle);
}

// Every play of a reminder scales the sound into a temporary copy for the player; the copy
// goes with the reminder (it was left behind, one per reminder process).
TEST_F(ReminderEndToEnd, PlaysLeaveNoTemporaryFilesBehind) {
    install();
    // A short 8-bit mono PCM sound, and alarm 1's sound path file naming it.
    std::vector<uint8_t> wav = {'R', 'I', 'F',  'F',  0,   0,   0,    0,    'W', 'A', 'V',
                                'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,   1,   0,
                                1,   0,   0x40, 0x1F, 0,   0,   0x40, 0x1F, 0,   0,   1,
                                0,   8,   0,    'd',  'a', 't', 'a',  100,  0,   0,   0};
    wav.resize(wav.size() + 100, 0x80);
    const uint32_t riff = static_cast<uint32_t>(wav.size() - 8);
    std::memcpy(wav.data() + 4, &riff, 4);
    std::ofstream(root_ / "Windows" / "Alarm1.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    const std::u16string path = u"\\Windows\\Alarm1.wav";
    std::ofstream(data() / "alarmsnd0.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(path.c_str()),
               static_cast<std::streamsize>((path.size() + 1) * 2));
    const FileTime due = getLocalTimeAsFileTime() + 2 * kTicksPerSecond;
    armDaily(due);
    std::fstream f(data() / "alarms.dat", std::ios::binary | std::ios::in | std::ios::out);
    const uint32_t soundIndex = 1;
    f.seekp(52);
    f.write(reinterpret_cast<const char*>(&soundIndex), 4);
    f.close();
    ASSERT_TRUE(waitUntil([&] { return log().find("play ") != std::string::npos; }, 30)) << log();
    const std::string l = log();
    const std::string pid = l.substr(0, l.find(' '));
    press(200);
    ASSERT_TRUE(ended(1)) << log();
    EXPECT_NE(l.find("play \\Windows\\Alarm1.wav"), std::string::npos) << l;
    // The program removes it as it ends, after its last log line.
    const fs::path copy = fs::temp_directory_path() / ("horavel-sound-" + pid + ".wav");
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(copy); }, 15)) << copy;
}

// A daemon started with no display at all (before the desktop, on a console): the alarm rings
// all the same. The reminder does not abort in Qt's platform plugin; it re-registers the alarm
// for tomorrow and writes it back, plays its sound (the player gets exactly the sound, from
// memory), and the journal says why no bubble was seen. A change of the time re-registers the
// alarms without a display too.
TEST_F(ReminderEndToEnd, WithoutADisplayTheAlarmRingsReRegistersAndTheJournalSaysWhy) {
    if (hv::testing::startedWithADisplay())
        GTEST_SKIP() << "this test program was started with a display, which its daemon would "
                        "hand on";
    hv::testing::withoutADisplay();
    ::setenv("HORAVEL_SYSTEMCTL", "/bin/false", 1); // no user manager answers
    ::setenv("HORAVEL_SOUND_PLAYERS", keepingPlayer().c_str(), 1);
    restartDaemon();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::unsetenv("HORAVEL_SYSTEMCTL");
    ::unsetenv("HORAVEL_SOUND_PLAYERS");
    install();
    const std::vector<uint8_t> wav = installSound();
    const FileTime due = getLocalTimeAsFileTime() + 2 * kTicksPerSecond;
    armDaily(due);
    setSoundIndex(1, 1);

    ASSERT_TRUE(waitUntil([&] { return log().find("play ") != std::string::npos; }, 30)) << log();
    const std::string l = log();
    EXPECT_NE(l.find("no display"), std::string::npos) << l;
    EXPECT_NE(l.find("bubble "), std::string::npos) << l;
    EXPECT_NE(l.find("play \\Windows\\Alarm1.wav"), std::string::npos) << l;
    EXPECT_EQ(l.find("no sound"), std::string::npos) << l;
    ASSERT_TRUE(waitUntil([&] { return fs::exists(root_ / "played.wav"); }, 15));
    // The very sound (at the alarm volume: only its samples may differ).
    const std::vector<uint8_t> played = bytesOf(root_ / "played.wav");
    ASSERT_EQ(played.size(), wav.size());
    EXPECT_TRUE(std::equal(wav.begin(), wav.begin() + 44, played.begin()));

    SystemTime next = toSystemTime(due);
    next.second = next.milliseconds = 0;
    const FileTime tomorrow = *toFileTime(next) + kTicksPerDay;
    EXPECT_EQ(dev::FileTime{storedAlarm().alarmTime}, tomorrow);
    DaemonNotifications service(client_);
    auto regs = service.list();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].handle, storedAlarm().notificationHandle);
    EXPECT_EQ(toFileTime(regs[0].start), tomorrow);
    EXPECT_NE(faults().find("reminder a01 found no display"), std::string::npos) << faults();

    press(200);
    ASSERT_TRUE(ended(1)) << log();

    // The time moves on by an hour: the time-change run re-registers the armed alarm.
    ASSERT_TRUE(service.runAppAtEvent(u"\\Windows\\BHVEvents.exe", RunEvent::TimeChange));
    ASSERT_TRUE(DaemonTimeSetting(client_).setSystemTime(
        toSystemTime(getSystemTimeAsFileTime() + 3600 * kTicksPerSecond)));
    ASSERT_TRUE(waitUntil([&] { return countOf(log(), " end") >= 2; }, 30)) << log();
    EXPECT_NE(log().find("start AppRunAfterTimeChange"), std::string::npos) << log();
    regs = service.list();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].arguments, u"a01");
    EXPECT_EQ(regs[0].handle, storedAlarm().notificationHandle);
}

// The scaled sound goes to the player from memory: no file is written, so nothing is left
// behind however the program ends, and a link planted where a copy used to go is not followed.
// A player that fails (no sound server) or none at all is told of; a reminder that cannot play
// says so in its bubble and the journal.
TEST_F(ReminderEndToEnd, SoundsPlayFromMemoryAndAReminderThatCannotPlaySaysSo) {
    const std::vector<uint8_t> wav = installSound();
    const fs::path victim = root_ / "victim.txt";
    std::ofstream(victim) << "precious";
    const fs::path planted =
        fs::temp_directory_path() / ("horavel-sound-" + std::to_string(::getpid()) + ".wav");
    fs::remove(planted);
    fs::create_symlink(victim, planted);
    const auto soundFilesIn = [](const fs::path& folder) {
        size_t n = 0;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), e; !ec && it != e; it.increment(ec))
            if (it->path().filename().string().rfind("horavel-sound", 0) == 0 &&
                !fs::is_symlink(it->symlink_status()))
                ++n;
        return n;
    };
    const size_t before = soundFilesIn(fs::temp_directory_path());

    ::setenv("HORAVEL_SOUND_PLAYERS", keepingPlayer().c_str(), 1);
    auto sound = makePlayerSound(root_);
    sound->setVolume(0x80008000);
    ASSERT_TRUE(sound->play(u"\\Windows\\Alarm1.wav")) << sound->problem();
    ASSERT_TRUE(waitUntil([&] { return fs::exists(root_ / "played.wav"); }, 15));
    EXPECT_EQ(bytesOf(root_ / "played.wav"), scaleWavVolume(wav, 0x80008000));
    EXPECT_EQ(bytesOf(victim), (std::vector<uint8_t>{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    EXPECT_EQ(soundFilesIn(fs::temp_directory_path()), before);
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
        EXPECT_EQ(soundFilesIn(runtime), 0u);
    }
    fs::remove(planted);

    ::setenv("HORAVEL_SOUND_PLAYERS", failingPlayer().c_str(), 1);
    EXPECT_FALSE(sound->play(u"\\Windows\\Alarm1.wav"));
    EXPECT_NE(sound->problem().find("failing-player failed"), std::string::npos)
        << sound->problem();
    ::setenv("HORAVEL_SOUND_PLAYERS", (root_ / "no-such-player").c_str(), 1);
    EXPECT_FALSE(sound->play(u"\\Windows\\Alarm1.wav"));
    EXPECT_NE(sound->problem().find("no sound player is installed"), std::string::npos)
        << sound->problem();

    // The reminder with a player that fails.
    ::setenv("HORAVEL_SOUND_PLAYERS", failingPlayer().c_str(), 1);
    restartDaemon();
    ::unsetenv("HORAVEL_SOUND_PLAYERS");
    install();
    armDaily(getLocalTimeAsFileTime() + 2 * kTicksPerSecond);
    setSoundIndex(1, 1);
    ASSERT_TRUE(waitUntil([&] { return log().find("no sound: ") != std::string::npos; }, 30))
        << log();
    EXPECT_EQ(countOf(log(), "no sound: "), 1u) << log();
    EXPECT_NE(faults().find("reminder a01 rang without its sound \\Windows\\Alarm1.wav: no "
                            "sound player could play it"),
              std::string::npos)
        << faults();
    press(200);
    ASSERT_TRUE(ended(1)) << log();
}

// Two alarms due at the same minute: each bubble has a place of its own, wholly visible.
TEST_F(ReminderEndToEnd, BubblesOfRemindersAtOnceDoNotCoverEachOther) {
    install();
    const FileTime due = getLocalTimeAsFileTime() + 2 * kTicksPerSecond;
    armDaily(due);
    DaemonNotifications service(client_);
    std::fstream f(data() / "alarms.dat", std::ios::binary | std::ios::in | std::ios::out);
    items::AlarmRecord second{};
    f.seekg(sizeof second);
    f.read(reinterpret_cast<char*>(&second), sizeof second);
    second.enabled = 1;
    second.alarmTime = due;
    second.notificationHandle = service.setTimed(0, u"\\Windows\\BHVEvents.exe", u"a02",
                                                 toSystemTime(due), toSystemTime(due));
    f.seekp(sizeof second);
    f.write(reinterpret_cast<const char*>(&second), sizeof second);
    f.close();

    ASSERT_TRUE(waitUntil([&] { return countOf(log(), " at ") >= 2; }, 30)) << log();
    std::vector<std::array<int, 4>> places;
    std::istringstream in(log());
    for (std::string line; std::getline(in, line);) {
        std::array<int, 4> r{};
        int pid = 0;
        if (std::sscanf(line.c_str(), "%d at %d,%d %dx%d", &pid, &r[0], &r[1], &r[2], &r[3]) == 5)
            places.push_back(r);
    }
    ASSERT_EQ(places.size(), 2u) << log();
    const auto& a = places[0];
    const auto& b = places[1];
    EXPECT_GT(a[2], 100);
    EXPECT_GT(a[3], 80);
    const bool apart =
        a[0] + a[2] <= b[0] || b[0] + b[2] <= a[0] || a[1] + a[3] <= b[1] || b[1] + b[3] <= a[1];
    EXPECT_TRUE(apart) << log();
    for (const auto& r : places) {
        EXPECT_GE(r[0], 0);
        EXPECT_GE(r[1], 0);
    }
    press(200);
    ASSERT_TRUE(waitUntil([&] { return countOf(log(), " end") >= 1; }, 30)) << log();
    press(200);
    ASSERT_TRUE(waitUntil([&] { return countOf(log(), " end") >= 2; }, 30)) << log();
}

// Registrations a dying daemon left behind (a registration whose answer was lost, a clear that
// never arrived) would ring an alarm twice. The time-change run and the main program's start
// leave exactly one registration per armed item, the one its record keeps, and journal the repair.
TEST_F(ReminderEndToEnd, ExtraRegistrationsAreClearedAtTheTimeChangeRunAndTheMainStart) {
    install();
    fs::copy_file(root_ / "Windows" / "BHVEvents.exe", root_ / "Windows" / "Other.exe");
    DaemonNotifications service(client_);
    const FileTime due = getLocalTimeAsFileTime() + 2 * kTicksPerDay;
    armDaily(due);
    const SystemTime at = toSystemTime(due);
    auto extras = [&] {
        for (const char16_t* arg : {u"a01", u"a01", u"a05", u"e77", u"t02"})
            ASSERT_NE(service.setTimed(0, u"\\Windows\\BHVEvents.exe", arg, at, at), 0u);
        ASSERT_NE(service.setTimed(0, u"\\Windows\\Other.exe", u"a01", at, at), 0u);
    };
    extras();
    const size_t faultsBefore = readFaults(root_).count;

    const fs::path program = root_ / "Windows" / "BHVEvents.exe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(program.c_str(), program.c_str(), "AppRunAfterTimeChange",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_TRUE(waitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 30));
    // The time-change run looks after the alarms: one a01, the record's; the others untouched.
    const auto count = [&](std::u16string_view arg) {
        size_t n = 0;
        for (const auto& r : service.list())
            n += r.arguments == arg && r.application == u"\\Windows\\BHVEvents.exe";
        return n;
    };
    EXPECT_EQ(count(u"a01"), 1u);
    EXPECT_EQ(count(u"a05"), 0u);
    EXPECT_EQ(count(u"e77"), 1u);
    EXPECT_EQ(service.list().size(), 4u); // a01, e77, t02 and the other program's
    for (const auto& r : service.list()) {
        if (r.arguments == u"a01" && r.application == u"\\Windows\\BHVEvents.exe") {
            EXPECT_EQ(r.handle, storedAlarm().notificationHandle);
        }
    }
    const auto faults = readFaults(root_, 1);
    ASSERT_GT(faults.count, faultsBefore);
    EXPECT_NE(faults.last.back().find("a05"), std::string::npos) << faults.last.back();

    // The main program's start: its tables from the same files (its data folder is \data here).
    fs::create_directories(root_ / "data");
    fs::copy_file(data() / "alarms.dat", root_ / "data" / "alarms.dat");
    extras();
    items::Alarms alarms;
    items::Timers timers;
    items::Events events;
    ASSERT_TRUE(alarms.load());
    timers.load();
    events.load();
    EXPECT_EQ(items::registerMissingItems(alarms, timers, events), 0);
    const auto regs = service.list();
    ASSERT_EQ(regs.size(), 3u) << "one a01 and the other program's two";
    EXPECT_EQ(count(u"a01"), 1u);
    EXPECT_EQ(count(u"e77") + count(u"t02") + count(u"a05"), 0u);
    EXPECT_NE(readFaults(root_, 1).last.back().find("were not the ones their items keep"),
              std::string::npos);
}

// A named pipe in place of a data file holds no reader: the command line and the reminder refuse
// it at once, as they refuse a damaged file.
TEST_F(ReminderEndToEnd, NamedPipesInPlaceOfDataFilesAreRefusedAtOnce) {
    install();
    for (const char* name : {"alarms.dat", "timers.dat", "events.dat", "alarmsnd0.dat"})
        ASSERT_EQ(::mkfifo((data() / name).c_str(), 0600), 0) << name;
    const auto timed = [&](const std::string& args) {
        const auto started = Steady::now();
        const int status = std::system(
            ("timeout 20 '" + std::string(HV_CLI_PATH) + "' " + args + " >/dev/null 2>&1").c_str());
        EXPECT_NE(WEXITSTATUS(status), 124) << args << " hung";
        return std::chrono::duration<double>(Steady::now() - started).count();
    };
    for (const char* args : {"items alarms", "items timers", "items events", "device status"})
        EXPECT_LT(timed(args), 10.0) << args;

    const fs::path program = root_ / "Windows" / "BHVEvents.exe";
    const auto started = Steady::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(program.c_str(), program.c_str(), "a01", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    const bool ended = waitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 20);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    EXPECT_TRUE(ended) << "the reminder hung on a named pipe";
    EXPECT_LT(std::chrono::duration<double>(Steady::now() - started).count(), 10.0);
}

} // namespace
