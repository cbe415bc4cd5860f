// The real sound service against a temporary device root: a sound path that names a folder, is
// empty, or names nothing plays the default sound or nothing, and never throws.
#include "device/paths.h"
#include "device/real.h"
#include "device/text.h"

#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hv::dev;
namespace fs = std::filesystem;

namespace {
struct TempRoot {
    fs::path dir = fs::temp_directory_path() / ("hv-sound-" + std::to_string(::getpid()));
    TempRoot() {
        fs::remove_all(dir);
        fs::create_directories(dir / "Windows" / "Folder.wav");
    }
    ~TempRoot() { fs::remove_all(dir); }
    void write(const fs::path& rel, const std::string& bytes) const {
        std::ofstream(dir / rel, std::ios::binary) << bytes;
    }
};
} // namespace

TEST(RealSound, UnreadableSoundsFallBackToTheDefaultOrNothing) {
    TempRoot root;
    // Without the default sound nothing is chosen for a folder, an empty path or a missing file.
    EXPECT_EQ(soundFileToPlay(root.dir, u"\\Windows"), fs::path());
    EXPECT_EQ(soundFileToPlay(root.dir, u""), fs::path());
    EXPECT_EQ(soundFileToPlay(root.dir, u"\\Windows\\Folder.wav"), fs::path());
    root.write("Windows/Alarm1.wav", "RIFF....WAVE");
    root.write("Windows/Empty.wav", "");
    root.write("Windows/Mine.wav", "RIFF....WAVE");
    const fs::path def = root.dir / "Windows" / "Alarm1.wav";
    EXPECT_EQ(soundFileToPlay(root.dir, u"\\Windows"), def);
    EXPECT_EQ(soundFileToPlay(root.dir, u""), def);
    EXPECT_EQ(soundFileToPlay(root.dir, u"\\Windows\\Empty.wav"), def);
    EXPECT_EQ(soundFileToPlay(root.dir, u"\\Windows\\Missing.wav"), def);
    EXPECT_EQ(soundFileToPlay(root.dir, u"\\Windows\\Mine.wav"), root.dir / "Windows" / "Mine.wav");
}

TEST(RealSound, PlayingAFolderOrNothingNeverThrows) {
    TempRoot root;
    auto sound = makePlayerSound(root.dir);
    for (const std::u16string path : {u"\\Windows", u"", u"\\", u"\\Windows\\Folder.wav"}) {
        EXPECT_NO_THROW(sound->play(path)) << toUtf8(path);
        EXPECT_NO_THROW(sound->stop());
    }
}
