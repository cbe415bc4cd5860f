// The device installer with the built package, in a fresh device root: placements, the hook
// calls and a clean removal.
#include "device/fake.h"
#include "device/files.h"
#include "device/paths.h"
#include "device/registry.h"
#include "device/text.h"
#include "settings/settings.h"
#include "setup/installer.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace hv;
namespace fs = std::filesystem;

namespace {
const fs::path kPackage = HV_PACKAGE_DIR;
constexpr char16_t kDir[] = u"\\Program Files\\Brinwick\\Horavel";
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
