// Devprobe and Deskinst against fake desktop services.
#include "desktop/desktop.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

using namespace hv::desktop;

namespace {

struct FakeDesktop : DesktopServices {
    bool rapiInit() override {
        ++inits;
        if (initResults.empty())
            return true;
        const bool r = initResults.front();
        initResults.pop_front();
        return r;
    }
    int screenWidth() override {
        if (widths.empty())
            return 480;
        const int w = widths.front();
        widths.pop_front();
        return w;
    }
    void rapiUninit() override { ++uninits; }
    bool startProgram(const std::string& name, int show) override {
        started.push_back(name);
        lastShow = show;
        return name != "Smallinst.exe" || smallPresent;
    }
    std::optional<std::string> appManagerPath() override { return manager; }
    bool createDirectory(const std::string& path, bool& exists) override {
        created.push_back(path);
        exists = dirExists;
        return dirCreatable && !dirExists;
    }
    bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) override {
        if (failWrites)
            return false;
        files[path] = bytes;
        return true;
    }
    bool winExec(const std::string& command, int show) override {
        commands.push_back(command);
        lastShow = show;
        return true;
    }
    bool messageBox(const std::string& caption, const std::string& text, bool) override {
        boxes.push_back({caption, text});
        if (answers.empty())
            return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::vector<uint8_t>> resource(int type, int id) override {
        auto it = resources.find({type, id});
        if (it == resources.end())
            return std::nullopt;
        return it->second;
    }
    void addName(int id, const std::string& n) {
        resources[{kResName, id}] = std::vector<uint8_t>(n.begin(), n.end());
        resources[{kResName, id}].push_back(0);
    }
    void standardResources() {
        const std::string ini = appManagerDescription();
        resources[{kResData, 1}] = std::vector<uint8_t>(ini.begin(), ini.end());
        resources[{kResData, 2}] = {'M', 'S', 'C', 'F', 1};
        resources[{kResData, 3}] = {'M', 'S', 'C', 'F', 2};
        addName(1, "setup_VGA.ini");
        addName(2, "setup_VGA.ARM.cab");
        addName(3, "setup_VGA.PPC2003_ARM.cab");
        resources[{kResFolder, 2}] = {'H', 'o', 'r', 'a', 'v', 'e', 'l', 0};
    }

    std::deque<bool> initResults, answers;
    std::deque<int> widths;
    int inits = 0, uninits = 0, lastShow = 0;
    bool smallPresent = false, dirExists = false, dirCreatable = true, failWrites = false;
    std::vector<std::string> started, created, commands;
    std::vector<std::pair<std::string, std::string>> boxes;
    std::optional<std::string> manager = std::string("C:\\Program Files\\ActiveSync\\CEAPPMGR.EXE");
    std::map<std::string, std::vector<uint8_t>> files;
    std::map<std::pair<int, int>, std::vector<uint8_t>> resources;
};

} // namespace

TEST(Devprobe, WidthRule) {
    EXPECT_STREQ(installerForWidth(240), "Smallinst.exe");
    EXPECT_STREQ(installerForWidth(241), "Deskinst.exe");
    EXPECT_STREQ(installerForWidth(480), "Deskinst.exe");

    FakeDesktop wide;
    wide.widths = {241};
    EXPECT_EQ(runDevprobe(wide), "Deskinst.exe");
    EXPECT_EQ(wide.lastShow, 6);
    EXPECT_TRUE(wide.boxes.empty());

    FakeDesktop small;
    small.widths = {240};
    EXPECT_EQ(runDevprobe(small), ""); // not ours: its absence is reported
    ASSERT_EQ(small.started, std::vector<std::string>{"Smallinst.exe"});
    ASSERT_EQ(small.boxes.size(), 1u);
    EXPECT_NE(small.boxes[0].second.find("Smallinst.exe"), std::string::npos);
}

TEST(Devprobe, PromptsUntilADeviceAnswersOrTheUserCancels) {
    FakeDesktop d;
    d.widths = {0, 0, 320};
    d.initResults = {true, false, true, true};
    EXPECT_EQ(runDevprobe(d), "Deskinst.exe");
    ASSERT_EQ(d.boxes.size(), 3u); // no width, failed start, no width
    EXPECT_EQ(d.boxes[0].first, "Application Installer");
    EXPECT_EQ(d.boxes[0].second, kProbePrompt);
    EXPECT_EQ(d.uninits, 3);

    FakeDesktop cancel;
    cancel.widths = {0};
    cancel.answers = {false};
    EXPECT_EQ(runDevprobe(cancel), "");
    EXPECT_TRUE(cancel.started.empty());

    FakeDesktop none;
    none.initResults = {false};
    EXPECT_EQ(runDevprobe(none), "");
    EXPECT_TRUE(none.boxes.empty());
}

TEST(Deskinst, WritesThePackageAndStartsTheManager) {
    FakeDesktop d;
    d.standardResources();
    std::string cmd;
    EXPECT_EQ(runDeskinst(d, &cmd), DeskinstResult::Started);
    EXPECT_EQ(d.created, std::vector<std::string>{"C:\\Program Files\\ActiveSync\\Horavel"});
    EXPECT_EQ(d.files.size(), 3u);
    EXPECT_TRUE(d.files.count("C:\\Program Files\\ActiveSync\\Horavel\\setup_VGA.PPC2003_ARM.cab"));
    EXPECT_EQ(cmd, "C:\\Program Files\\ActiveSync\\CEAPPMGR.EXE \"C:\\Program "
                   "Files\\ActiveSync\\Horavel\\setup_VGA.ini\"");
    EXPECT_EQ(d.lastShow, 5);
    EXPECT_TRUE(d.boxes.empty());

    FakeDesktop again; // an existing folder is accepted
    again.standardResources();
    again.dirExists = true;
    EXPECT_EQ(runDeskinst(again), DeskinstResult::Started);
}

TEST(Deskinst, FourFailureMessages) {
    FakeDesktop noManager;
    noManager.standardResources();
    noManager.manager.reset();
    EXPECT_EQ(runDeskinst(noManager), DeskinstResult::NoServices);
    ASSERT_EQ(noManager.boxes.size(), 1u);
    EXPECT_EQ(noManager.boxes[0].first, "Setup");
    EXPECT_EQ(
        noManager.boxes[0].second,
        "Windows CE Services not found on this computer. Setup cannot continue and will now exit.");

    FakeDesktop noSlash;
    noSlash.standardResources();
    noSlash.manager = "CEAPPMGR.EXE";
    EXPECT_EQ(runDeskinst(noSlash), DeskinstResult::NoServices);

    FakeDesktop noDir;
    noDir.standardResources();
    noDir.dirCreatable = false;
    EXPECT_EQ(runDeskinst(noDir), DeskinstResult::NoDirectory);
    ASSERT_EQ(noDir.boxes.size(), 1u);
    EXPECT_EQ(noDir.boxes[0].first, "C:\\Program Files\\ActiveSync\\Horavel");
    EXPECT_EQ(noDir.boxes[0].second,
              "Could not create install directory. Setup cannot continue and will exit.");

    FakeDesktop writeFails;
    writeFails.standardResources();
    writeFails.failWrites = true;
    EXPECT_EQ(runDeskinst(writeFails), DeskinstResult::WriteError);
    ASSERT_EQ(writeFails.boxes.size(), 1u);
    EXPECT_EQ(writeFails.boxes[0].first, "C:\\Program Files\\ActiveSync\\Horavel");
    EXPECT_EQ(writeFails.boxes[0].second, "An error occured writing your Windows CE application to "
                                          "disk. Setup cannot continue and will exit.");

    FakeDesktop missingName;
    missingName.standardResources();
    missingName.resources.erase({kResName, 2});
    EXPECT_EQ(runDeskinst(missingName), DeskinstResult::WriteError);

    FakeDesktop noIni; // no data at all: nothing written, then the description's name is missing
    noIni.resources[{kResFolder, 2}] = {'H', 0};
    EXPECT_EQ(runDeskinst(noIni), DeskinstResult::MissingInfo);
    ASSERT_EQ(noIni.boxes.size(), 1u);
    EXPECT_EQ(noIni.boxes[0].first, "Setup");
    EXPECT_EQ(noIni.boxes[0].second,
              "The setup files are missing information. Setup cannot continue and will exit.");
}

TEST(AppManagerIni, DescriptionParsesBack) {
    AppManagerIni ini;
    ASSERT_TRUE(parseAppManagerIni(appManagerDescription(), ini));
    EXPECT_EQ(ini.version, "1.0");
    EXPECT_EQ(ini.component, "Horavel");
    EXPECT_EQ(ini.description, "Horavel v1.22");
    EXPECT_EQ(ini.uninstall, "Horavel v1.22");
    EXPECT_EQ(ini.cabFiles,
              (std::vector<std::string>{"setup_VGA.ARM.cab", "setup_VGA.PPC2003_ARM.cab"}));
    EXPECT_FALSE(parseAppManagerIni("[CEAppManager]\nVersion=1.0\n", ini));
    EXPECT_FALSE(parseAppManagerIni(std::string("\0\xff[\n=", 5), ini));
}

// The Linux desktop registry: a folder of values below $HORAVEL_DESKTOP.
#include "desktop/host.h"
#include "device/fake.h"

TEST(HostDesktop, RegistryAndFolders) {
    hv::dev::FakeDevice fake; // a scratch folder for the desktop root
    const std::string previous =
        std::getenv("HORAVEL_DESKTOP") ? std::getenv("HORAVEL_DESKTOP") : "";
    ::setenv("HORAVEL_DESKTOP", (fake.root() / "desktop").c_str(), 1);
    EXPECT_EQ(desktopRegistryFile("Software\\..\\..\\x"),
              fake.root() / "desktop/registry/HKLM/Software/x/@default");

    HostDesktop host;
    EXPECT_FALSE(host.appManagerPath()); // nothing registered: Deskinst shows message 1
    ASSERT_TRUE(registerAppManager(fake.root() / "bin" / "CEAPPMGR.EXE"));
    EXPECT_EQ(host.appManagerPath(), (fake.root() / "bin" / "CEAPPMGR.EXE").string());

    bool exists = true;
    const std::string folder = (fake.root() / "Horavel").string();
    EXPECT_TRUE(host.createDirectory(folder, exists));
    EXPECT_FALSE(exists);
    EXPECT_FALSE(host.createDirectory(folder, exists));
    EXPECT_TRUE(exists); // Deskinst accepts it
    EXPECT_TRUE(host.writeFile(folder + "/a.cab", {1, 2, 3}));
    EXPECT_FALSE(host.writeFile(folder + "/missing/a.cab", {1}));
    EXPECT_FALSE(host.resource(100, 1)); // the resources belong to Deskinst.exe alone
    if (previous.empty())
        ::unsetenv("HORAVEL_DESKTOP");
    else
        ::setenv("HORAVEL_DESKTOP", previous.c_str(), 1);
}

// No daemon answers for the device root: the real host's probe asks the user to cradle the
// device (it ended silently before the prompt), and Cancel ends it.
TEST(HostDesktop, DevprobeWithoutADeviceAsks) {
    hv::dev::FakeDevice fake; // an empty device root: no daemon runs for it
    hv::dev::ScopedDevice use(fake);
    struct Answering : HostDesktop {
        std::vector<std::string> prompts;
        bool messageBox(const std::string& caption, const std::string& text,
                        bool okCancel) override {
            prompts.push_back(text);
            EXPECT_EQ(caption, kProbeCaption);
            EXPECT_TRUE(okCancel);
            return prompts.size() < 2; // OK once, then Cancel
        }
    } host;
    EXPECT_EQ(runDevprobe(host), "");
    EXPECT_EQ(host.prompts, (std::vector<std::string>{kProbePrompt, kProbePrompt}));
}
