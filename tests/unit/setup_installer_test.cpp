// The device installer with the built package, in a fresh device root: placements, the hook
// calls and a clean removal.
#include "cities/citydatabase.h"
#include "device/fake.h"
#include "device/files.h"
#include "device/paths.h"
#include "device/registry.h"
#include "device/text.h"
#include "settings/settings.h"
#include "setup/installer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

using namespace hv;
namespace fs = std::filesystem;

namespace {
const fs::path kPackage = HV_PACKAGE_DIR;
constexpr char16_t kDir[] = u"\\Program Files\\Brinwick\\Horavel";
constexpr char16_t kData[] = u"\\Program Files\\Brinwick\\Horavel\\data\\";

std::vector<uint8_t> bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write(const fs::path& p, const std::vector<uint8_t>& b) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// The city of that name in a file image, or nullptr.
const CityRecord* cityIn(const std::vector<uint8_t>& file, std::u16string_view name) {
    for (size_t off = 0; off + kCityRecordSize <= file.size(); off += kCityRecordSize) {
        const auto* r = reinterpret_cast<const CityRecord*>(file.data() + off);
        if (r->nameView() == name)
            return r;
    }
    return nullptr;
}
CityRecord* cityIn(std::vector<uint8_t>& file, std::u16string_view name) {
    return const_cast<CityRecord*>(cityIn(std::as_const(file), name));
}

bool sortedByName(const std::vector<uint8_t>& file) {
    for (size_t off = kCityRecordSize; off + kCityRecordSize <= file.size(); off += kCityRecordSize)
        if (compareCityNames(*reinterpret_cast<const CityRecord*>(file.data() + off - 64),
                             *reinterpret_cast<const CityRecord*>(file.data() + off)) > 0)
            return false;
    return true;
}
} // namespace

TEST(SetupDescription, ParsesAndRejects) {
    install::SetupDescription d;
    ASSERT_TRUE(
        install::parseDescription("[Application]\nName=A\nInstallFolder=%CE1%\\X\\\nMinSystem=2.0\n"
                                  "MaxSystem=4.9\n[Files]\na.exe=system\n",
                                  d));
    EXPECT_EQ(install::expandFolder(d.installFolder), u"\\Program Files\\X");
    EXPECT_EQ(install::expandFolder("%CE11%"), u"\\Windows\\Start Menu\\Programs");
    EXPECT_TRUE(install::fitsSystem(d, 400));
    EXPECT_TRUE(install::fitsSystem(d, 409));
    EXPECT_FALSE(install::fitsSystem(d, 410));
    EXPECT_FALSE(install::fitsSystem(d, 500));
    // A file name that would leave its folder, a missing range, garbage.
    EXPECT_FALSE(install::parseDescription(
        "[Application]\nName=A\nInstallFolder=B\nMinSystem=2.0\nMaxSystem=4.9\n"
        "[Files]\n..\\a.exe=system\n",
        d));
    EXPECT_FALSE(
        install::parseDescription("[Application]\nName=A\nInstallFolder=B\n[Files]\na=data\n", d));
    EXPECT_FALSE(install::parseDescription(std::string("\0\x01[=]\n=\n", 8), d));
}

TEST(DeviceInstaller, InstallsThePackageAndRemovesItAgain) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    fake.shellImpl.majorVersion = 5;
    std::string error;
    // The variant for older systems does not fit.
    EXPECT_FALSE(install::installCabinet(kPackage / "setup_VGA.ARM.cab", &error));
    ASSERT_TRUE(install::installCabinet(kPackage / "setup_VGA.PPC2003_ARM.cab", &error)) << error;

    for (const char16_t* f :
         {u"\\Program Files\\Brinwick\\Horavel\\setup.dll", u"\\Windows\\HVTimer.exe",
          u"\\Windows\\Alarm1.wav", u"\\Windows\\Start Menu\\Programs\\Horavel.lnk",
          u"\\Program Files\\Brinwick\\Horavel\\data\\europe.cdb",
          u"\\Program Files\\Brinwick\\Horavel\\data\\samerica.cdb"})
        EXPECT_TRUE(dev::fileExists(f)) << dev::toUtf8(f);
    EXPECT_TRUE(fs::status(dev::hostPath(u"\\Windows\\HVTimer.exe")).permissions() !=
                fs::perms::none);
    EXPECT_TRUE(dev::regKeyExists(dev::RegHive::LocalMachine, u"Software\\Brinwick\\Horavel"));
    EXPECT_EQ(install::installedVersion("Horavel"), "1.22");
    // The hook wrote the install-folder value: the companions find the data at once.
    EXPECT_EQ(readInstallFolderValue(), std::u16string(kDir) + u"\\");
    EXPECT_EQ(install::installedFingerprint("Horavel"),
              install::cabinetFingerprint(kPackage / "setup_VGA.PPC2003_ARM.cab"));

    // Data the programs made, and a registration, go with the removal.
    ASSERT_TRUE(dev::saveWholeFile(std::u16string(kDir) + u"\\data\\ssaver.dat", "a\0\0", 4));
    fake.notificationsImpl.runAppAtEvent(u"\\Windows\\HVTimer.exe", dev::RunEvent::Rs232Detected);
    ASSERT_TRUE(install::uninstallApplication("Horavel", &error)) << error;
    EXPECT_TRUE(fake.notificationsImpl.listRunAtEvent().empty());
    EXPECT_FALSE(fs::exists(dev::hostPath(kDir)));
    EXPECT_FALSE(dev::fileExists(u"\\Windows\\HVTimer.exe"));
    EXPECT_FALSE(dev::fileExists(u"\\Windows\\Start Menu\\Programs\\Horavel.lnk"));
    EXPECT_FALSE(fs::exists(dev::hostPath(u"\\Windows\\Start Menu")));
    EXPECT_FALSE(dev::regKeyExists(dev::RegHive::LocalMachine, u"Software\\Brinwick\\Horavel"));
    EXPECT_EQ(readInstallFolderValue(), u"");
    EXPECT_EQ(install::installedVersion("Horavel"), "");
    EXPECT_FALSE(install::uninstallApplication("Horavel", &error));
}

TEST(DeviceInstaller, RejectsWhatIsNotACabinet) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    const fs::path bogus = fake.root() / "bogus.cab";
    ASSERT_TRUE(dev::saveWholeFile(u"\\bogus.cab", "MSCF\0\0\0\0garbage", 15));
    std::string error;
    EXPECT_FALSE(install::installCabinet(bogus, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(install::installCabinet(fake.root() / "missing.cab", &error));
}

// An update installs the package over a device in use. Every file the user's programs wrote stays
// as it is; a shipped file the user never changed follows the new version; the user's edited city
// file receives the new version's changes and new cities without losing an addition, an edit or a
// deletion of the user's.
TEST(DeviceInstaller, UpdatesKeepTheUsersFilesAndMergeNewShippedCities) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    fake.shellImpl.majorVersion = 5;
    const fs::path cab = kPackage / "setup_VGA.PPC2003_ARM.cab";
    std::string error;
    ASSERT_TRUE(install::installCabinet(cab, &error)) << error;
    const fs::path data = dev::hostPath(kData);

    // The user adds a city, edits Paris and deletes Oslo in Edit Cities.
    {
        CityDatabase db;
        ASSERT_EQ(db.loadFromFolder(kData), 6);
        CityRecord added = *db.recordAt(kEurope, 0);
        added.setName(u"Aaa Town");
        ASSERT_GE(db.addCity(kEurope, added), 0);
        for (int i = 0; i < db.count(kEurope); ++i) {
            if (db.recordAt(kEurope, i)->nameView() == u"Paris") {
                CityRecord paris = *db.recordAt(kEurope, i);
                paris.gmtOffset = 75;
                ASSERT_TRUE(db.replaceCity(kEurope, i, paris));
            }
        }
        for (int i = 0; i < db.count(kEurope); ++i)
            if (db.recordAt(kEurope, i)->nameView() == u"Oslo") {
                ASSERT_TRUE(db.deleteCity(kEurope, i));
            }
        ASSERT_EQ(db.saveToFolder(kData), 6);
    }
    // ... and the programs have written their other files.
    std::map<std::string, std::vector<uint8_t>> own;
    for (const char* name : {"settings.dat", "alarms.dat", "timers.dat", "events.dat", "n1.dat",
                             "alarmsnd0.dat", "chimesnd.dat", "ssaver.dat", "stopwatch.dat"}) {
        own[name] = std::vector<uint8_t>(40 + std::strlen(name), static_cast<uint8_t>(name[0]));
        write(data / name, own[name]);
    }
    for (const char* name : {"europe.cdb", "africa.cdb"})
        own[name] = bytesOf(data / name);

    // The same package again: nothing of the user's changes.
    ASSERT_TRUE(install::installCabinet(cab, &error)) << error;
    for (const auto& [name, bytes] : own)
        EXPECT_EQ(bytesOf(data / name), bytes) << name;

    // A new version: London moved a minute, Paris changed, Bonn is new, Africa's Cairo changed.
    const fs::path work = fake.root() / "v2";
    fs::create_directories(work);
    ASSERT_EQ(std::system(("gcab -x -C '" + work.string() + "' '" + cab.string() + "'").c_str()),
              0);
    std::vector<uint8_t> europe = bytesOf(work / "europe.cdb");
    cityIn(europe, u"London")->latMinutes = 31;
    cityIn(europe, u"Paris")->gmtOffset = 0;
    CityRecord bonn = *cityIn(europe, u"Berlin");
    bonn.setName(u"Bonn");
    bonn.id = 4085;
    europe.insert(europe.end(), reinterpret_cast<const uint8_t*>(&bonn),
                  reinterpret_cast<const uint8_t*>(&bonn) + kCityRecordSize);
    write(work / "europe.cdb", europe);
    std::vector<uint8_t> africa = bytesOf(work / "africa.cdb");
    cityIn(africa, u"Cairo")->latMinutes = 3;
    write(work / "africa.cdb", africa);
    const fs::path v2 = fake.root() / "v2.cab";
    std::string files;
    for (const auto& e : fs::directory_iterator(work))
        files += " '" + e.path().string() + "'";
    ASSERT_EQ(std::system(("gcab -c -n -z '" + v2.string() + "'" + files).c_str()), 0);

    for (int round = 0; round < 2; ++round) { // the update, then the same version once more
        ASSERT_TRUE(install::installCabinet(v2, &error)) << error;
        for (const auto& [name, bytes] : own) {
            if (!name.ends_with(".cdb")) {
                EXPECT_EQ(bytesOf(data / name), bytes) << name;
            }
        }
        EXPECT_EQ(bytesOf(data / "africa.cdb"), africa) << "never changed: replaced";
        const std::vector<uint8_t> merged = bytesOf(data / "europe.cdb");
        EXPECT_EQ(merged.size(), (85 + 1 - 1 + 1) * kCityRecordSize);
        EXPECT_TRUE(sortedByName(merged));
        ASSERT_TRUE(cityIn(merged, u"Aaa Town"));
        EXPECT_FALSE(cityIn(merged, u"Oslo"));
        ASSERT_TRUE(cityIn(merged, u"Paris"));
        EXPECT_EQ(cityIn(merged, u"Paris")->gmtOffset, 75) << "the user's edit wins";
        ASSERT_TRUE(cityIn(merged, u"London"));
        EXPECT_EQ(cityIn(merged, u"London")->latMinutes, 31);
        EXPECT_TRUE(cityIn(merged, u"Bonn"));
    }

    // The removal takes the installer's record of the shipped versions with it.
    ASSERT_TRUE(install::uninstallApplication("Horavel", &error)) << error;
    EXPECT_FALSE(fs::exists(fake.root() / ".system" / "install" / "shipped" / "Horavel"));
}
