#include "device/fake.h"
#include "device/files.h"
#include "device/paths.h"
#include "device/registry.h"
#include "device/text.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hv::dev;
namespace fs = std::filesystem;

class DeviceFiles : public ::testing::Test {
protected:
    FakeDevice fake;
    ScopedDevice use{fake};
};

TEST_F(DeviceFiles, DevicePathsMapBelowTheRoot) {
    EXPECT_EQ(hostPath(fake.root(), u"\\Windows\\BHVEvents.exe"),
              fake.root() / "Windows" / "BHVEvents.exe");
    EXPECT_EQ(hostPath(fake.root(), u"\\..\\..\\etc\\passwd"), fake.root() / "etc" / "passwd");
    EXPECT_EQ(hostPath(fake.root(), u"\\Program Files\\Brinwick\\Horavel\\data\\settings.dat"),
              fake.root() / "Program Files" / "Brinwick" / "Horavel" / "data" / "settings.dat");
    EXPECT_EQ(devicePathOf(fake.root(), fake.root() / "Windows" / "HVTimer.exe"),
              u"\\Windows\\HVTimer.exe");
    EXPECT_EQ(devicePathOf(fake.root(), "/usr/bin/horavel"), u"horavel");
    EXPECT_EQ(fromUtf8(toUtf8(u"Zürich \U0001F30D")), u"Zürich \U0001F30D");
    EXPECT_EQ(fromUtf8("\xC3"), u"\uFFFD"); // a cut sequence is replaced, not read past
}

// A program's files stay inside the device root: a link that leads out of it is neither read,
// written through, nor replaced; one that stays inside is followed.
TEST_F(DeviceFiles, LinksLeavingTheRootAreNotFollowed) {
    const fs::path outside =
        fs::temp_directory_path() / ("hv-outside-" + std::to_string(::getpid()));
    std::ofstream(outside, std::ios::binary) << "secret";
    fs::create_directories(fake.host(u"\\data"));
    fs::create_symlink(outside, fake.host(u"\\data\\alarms.dat"));
    EXPECT_FALSE(saveWholeFile(u"\\data\\alarms.dat", std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(writeRecordInPlace(u"\\data\\alarms.dat", 0, "x", 1));
    EXPECT_FALSE(readWholeFile(u"\\data\\alarms.dat").has_value());
    EXPECT_FALSE(ExclusiveFile::open(u"\\data\\alarms.dat", OpenMode::ReadWriteAlways).isOpen());
    std::ifstream in(outside, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "secret");
    EXPECT_TRUE(fs::is_symlink(fake.host(u"\\data\\alarms.dat")));
    fs::remove(outside);

    ASSERT_TRUE(saveWholeFile(u"\\data\\real.dat", std::vector<uint8_t>{7}));
    fs::create_symlink(fake.host(u"\\data\\real.dat"), fake.host(u"\\data\\inner.dat"));
    EXPECT_EQ(readWholeFile(u"\\data\\inner.dat"), std::vector<uint8_t>{7});
    EXPECT_TRUE(writeRecordInPlace(u"\\data\\inner.dat", 0, "\x08", 1));
    EXPECT_EQ(readWholeFile(u"\\data\\real.dat"), std::vector<uint8_t>{8});
}

TEST_F(DeviceFiles, OpenWithoutSharingIsExclusive) {
    ASSERT_TRUE(saveWholeFile(u"\\data\\a.dat", std::vector<uint8_t>{1, 2, 3}));
    ExclusiveFile first = ExclusiveFile::open(u"\\data\\a.dat", OpenMode::ReadWriteExisting);
    ASSERT_TRUE(first.isOpen());
    ExclusiveFile second = ExclusiveFile::open(u"\\data\\a.dat", OpenMode::ReadExisting);
    EXPECT_FALSE(second.isOpen());
    EXPECT_TRUE(second.busy());
    EXPECT_FALSE(saveWholeFile(u"\\data\\a.dat", std::vector<uint8_t>{9}));
    EXPECT_FALSE(readWholeFile(u"\\data\\a.dat").has_value());
    first.close();
    EXPECT_EQ(readWholeFile(u"\\data\\a.dat").value(), (std::vector<uint8_t>{1, 2, 3}));
    ExclusiveFile missing = ExclusiveFile::open(u"\\data\\none.dat", OpenMode::ReadExisting);
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.busy());
}

TEST_F(DeviceFiles, AnotherProcessHoldingTheFileMakesOpensFailAtOnce) {
    ASSERT_TRUE(saveWholeFile(u"\\data\\b.dat", std::vector<uint8_t>{7}));
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    if (child == 0) {
        ExclusiveFile f = ExclusiveFile::open(u"\\data\\b.dat", OpenMode::ReadExisting);
        char c = f.isOpen() ? 'y' : 'n';
        [[maybe_unused]] auto w = write(ready[1], &c, 1);
        [[maybe_unused]] auto r = read(done[0], &c, 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    ExclusiveFile f = ExclusiveFile::open(u"\\data\\b.dat", OpenMode::ReadExisting);
    EXPECT_TRUE(f.busy());
    [[maybe_unused]] auto w = write(done[1], "x", 1);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(ExclusiveFile::open(u"\\data\\b.dat", OpenMode::ReadExisting).isOpen());
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        close(fd);
}

TEST_F(DeviceFiles, WholeSavesReplaceAtomicallyAndRecordsWriteInPlace) {
    std::vector<uint8_t> big(10000, 0xAB);
    ASSERT_TRUE(saveWholeFile(u"\\data\\c.dat", big));
    const auto inode = fs::status(fake.host(u"\\data\\c.dat")).type();
    (void)inode;
    ASSERT_TRUE(saveWholeFile(u"\\data\\c.dat", std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(fs::file_size(fake.host(u"\\data\\c.dat")), 6u);
    const uint8_t rec[2] = {0xEE, 0xFF};
    ASSERT_TRUE(writeRecordInPlace(u"\\data\\c.dat", 2, rec, 2));
    EXPECT_EQ(readWholeFile(u"\\data\\c.dat").value(),
              (std::vector<uint8_t>{1, 2, 0xEE, 0xFF, 5, 6}));
    EXPECT_FALSE(writeRecordInPlace(u"\\data\\missing.dat", 0, rec, 2));
    // No temporary file is left beside the data.
    int files = 0;
    for (const auto& e : fs::directory_iterator(fake.host(u"\\data")))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1);
    EXPECT_EQ(findFiles(u"\\data", u"*.DAT"), (std::vector<std::u16string>{u"c.dat"}));
    EXPECT_TRUE(deleteFile(u"\\data\\c.dat"));
    EXPECT_FALSE(fileExists(u"\\data\\c.dat"));
}

TEST_F(DeviceFiles, AWriterKilledMidSaveLeavesTheOldFileWhole) {
    ASSERT_TRUE(saveWholeFile(u"\\data\\d.dat", std::vector<uint8_t>(368, 1)));
    for (int delayUs : {0, 50, 200, 1000}) {
        const pid_t child = fork();
        if (child == 0) {
            for (;;)
                saveWholeFile(u"\\data\\d.dat",
                              std::vector<uint8_t>(368, static_cast<uint8_t>(2 + delayUs % 7)));
        }
        usleep(static_cast<useconds_t>(delayUs + 2000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        ASSERT_EQ(fs::file_size(fake.host(u"\\data\\d.dat")), 368u);
        const auto bytes = readWholeFile(u"\\data\\d.dat");
        ASSERT_TRUE(bytes.has_value());
        for (uint8_t b : *bytes)
            ASSERT_EQ(b, (*bytes)[0]); // one whole image, never a mix
    }
}

TEST_F(DeviceFiles, RetryHelperPausesOnTheDeviceClock) {
    int calls = 0;
    EXPECT_FALSE(withRetry(5, 100, [&] { return ++calls < 0; }));
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(fake.clockImpl.sleeps(), 4);
    calls = 0;
    EXPECT_TRUE(withRetry(5, 100, [&] { return ++calls == 3; }));
    EXPECT_EQ(calls, 3);
}

TEST_F(DeviceFiles, RegistryKeepsExactBytesAndTypes) {
    const std::u16string key = u"SOFTWARE\\Brinwick\\Horavel\\InstallPas";
    EXPECT_FALSE(
        regSetValue(RegHive::LocalMachine, key, u"Pass", RegType::MultiSz, "x", 1)); // no key yet
    ASSERT_TRUE(regCreateKey(RegHive::LocalMachine, key));
    std::vector<uint8_t> value(520, 0);
    value[0] = '\\';
    ASSERT_TRUE(regSetValue(RegHive::LocalMachine, key, u"Pass", RegType::MultiSz, value.data(),
                            value.size()));
    const auto back = regQueryValue(RegHive::LocalMachine, key, u"Pass");
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->type, RegType::MultiSz);
    EXPECT_EQ(back->data, value);
    const uint32_t dword = 0x12345678;
    ASSERT_TRUE(
        regSetValue(RegHive::LocalMachine, key, u"Odd/Name.\\x", RegType::Dword, &dword, 4));
    EXPECT_EQ(regQueryValue(RegHive::LocalMachine, key, u"Odd/Name.\\x")->data,
              (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
    EXPECT_FALSE(regQueryValue(RegHive::CurrentUser, key, u"Pass").has_value());
    // Names compare without case: another spelling reaches the same key and value, and a key
    // created under it joins the existing one.
    const std::u16string other = u"Software\\brinwick\\HORAVEL\\installpas";
    ASSERT_TRUE(regQueryValue(RegHive::LocalMachine, other, u"PASS").has_value());
    EXPECT_EQ(regQueryValue(RegHive::LocalMachine, other, u"PASS")->data, value);
    ASSERT_TRUE(regCreateKey(RegHive::LocalMachine, u"software\\BRINWICK\\Other"));
    EXPECT_TRUE(regKeyExists(RegHive::LocalMachine, u"SOFTWARE\\Brinwick\\other"));
    EXPECT_EQ(std::distance(fs::directory_iterator(fake.root() / ".system" / "registry" / "HKLM"),
                            fs::directory_iterator()),
              1);
    // Deleting a key with its empty parents stops at a parent that holds more.
    EXPECT_TRUE(regDeleteKey(RegHive::LocalMachine, u"SOFTWARE\\BRINWICK\\other", true));
    EXPECT_TRUE(regKeyExists(RegHive::LocalMachine, key));
    EXPECT_TRUE(regDeleteValue(RegHive::LocalMachine, key, u"Pass"));
    EXPECT_FALSE(regQueryValue(RegHive::LocalMachine, key, u"Pass").has_value());
    EXPECT_TRUE(regDeleteKey(RegHive::LocalMachine, u"SOFTWARE\\Brinwick"));
    EXPECT_FALSE(regKeyExists(RegHive::LocalMachine, key));
}

TEST_F(DeviceFiles, FakeServicesRecord) {
    auto& n = fake.notifications();
    const auto h = n.setTimed(0, u"\\Windows\\BHVEvents.exe", u"a01",
                              SystemTime{2024, 1, 1, 1, 7, 0, 0, 0}, {});
    EXPECT_NE(h, 0u);
    EXPECT_EQ(n.setTimed(h, u"\\Windows\\BHVEvents.exe", u"a01",
                         SystemTime{2024, 1, 1, 1, 8, 0, 0, 0}, {}),
              h);
    EXPECT_EQ(n.list().size(), 1u);
    EXPECT_FALSE(n.clear(0));
    EXPECT_TRUE(n.clear(h));
    bool existed = true;
    auto& ev = fake.events();
    const auto e1 = ev.create(u"HVTimers_1_Reset", false, &existed);
    EXPECT_FALSE(existed);
    const auto e2 = ev.create(u"HVTimers_1_Reset", true, &existed);
    EXPECT_TRUE(existed);
    EXPECT_FALSE(ev.isSet(e2)); // an existing event keeps its state
    EXPECT_EQ(ev.wait({e1}, 200), static_cast<int32_t>(WaitResult::Timeout));
    ev.set(e1);
    EXPECT_EQ(ev.wait({e2, e1}, 200), 0);
    ev.close(e1);
    ev.close(e2);
    EXPECT_FALSE(fake.eventsImpl.exists(u"HVTimers_1_Reset"));
}

TEST_F(DeviceFiles, AFolderListsItsFoldersAndFilesByNameWithoutHiddenEntries) {
    fs::create_directories(fake.root() / "Windows");
    for (const char* f : {"Windows/b.wav", "Windows/A.exe", "Windows/c.dat.~1234", "Windows/.x"})
        std::ofstream(fake.root() / f) << "x";
    fs::create_directories(fake.root() / "Windows" / "Sub");
    fs::create_directories(fake.root() / ".system");
    const auto windows = listFolder(u"\\Windows");
    ASSERT_TRUE(windows);
    EXPECT_EQ(*windows,
              (std::vector<FolderEntry>{{u"A.exe", false}, {u"b.wav", false}, {u"Sub", true}}));
    const auto root = listFolder(u"\\");
    ASSERT_TRUE(root);
    EXPECT_EQ(*root, (std::vector<FolderEntry>{{u"Windows", true}}));
    ASSERT_TRUE(listFolder(u"\\Windows\\Sub"));
    EXPECT_TRUE(listFolder(u"\\Windows\\Sub")->empty());
    EXPECT_FALSE(listFolder(u"\\Nowhere"));
    EXPECT_FALSE(listFolder(u"\\Windows\\b.wav")); // a file is no folder
    // A link that leads out of the root is not followed.
    fs::create_symlink("/usr", fake.root() / "Windows" / "out");
    EXPECT_FALSE(listFolder(u"\\Windows\\out"));
}
