#include "firmware_search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "board_link.h"
#include "recording_usb.h"
#include "temp_dir.h"

namespace kteval {
namespace {

namespace fs = std::filesystem;

// The program's folder, then $XDG_DATA_HOME (or ~/.local/share), then
// $XDG_DATA_DIRS (or /usr/local/share:/usr/share), absolute and once each.
TEST(FirmwareSearch, PlacesInOrder) {
    // clang-format off
    const auto in = [](std::string dir) { return dir + "/kteval/KT4421SPI.hex"; };
    const std::string own = "/opt/kt/KT4421SPI.hex";
    struct Case {
        const char *dataHome, *home, *dataDirs, *override;
        std::vector<std::string> candidates;
    } cases[] = {
        {nullptr, "/home/u", nullptr, "", {own, in("/home/u/.local/share"), in("/usr/local/share"), in("/usr/share")}},
        {"/d/", "/home/u", "/a:relative::/b//", "", {own, in("/d"), in("/a"), in("/b")}},
        {"", nullptr, "", "", {own, in("/usr/local/share"), in("/usr/share")}},
        {"data", "/h", "/usr/share:/h/.local/share:/usr/share", "", {own, in("/h/.local/share"), in("/usr/share")}},
        {nullptr, nullptr, "/", "", {own, in("")}},
        {nullptr, "//", "/usr/share", "", {own, in("/.local/share"), in("/usr/share")}},
        {"/d", "/h", "/a", "/tmp/my.hex", {"/tmp/my.hex"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(firmwareCandidates(
                      firmwarePlaces("/opt/kt", c.override, c.dataHome, c.home, c.dataDirs)),
                  c.candidates)
            << c.candidates.back();
    }
}

class FirmwareChoiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* dir : {"bin", "home/kteval", "a/kteval", "b/kteval"}) {
            fs::create_directories(root / dir);
        }
        places = {{},
                  (root / "bin").string(),
                  {(root / "home").string(), (root / "a").string(), (root / "b").string()}};
    }
    std::string file(const char* dir) {
        const fs::path path = root / dir / BoardLink::kFirmwareFileName;
        std::ofstream(path) << ":00000001FF\n";
        return path.string();
    }

    testing_support::TempDir temp;
    const fs::path root = temp.path();
    FirmwarePlaces places;
};

TEST_F(FirmwareChoiceTest, FirstExistingFileWins) {
    const std::string own = (root / "bin" / BoardLink::kFirmwareFileName).string();
    FirmwareChoice choice = chooseFirmware(places);
    EXPECT_FALSE(choice.found);
    EXPECT_EQ(choice.path, own);  // loading it reports the specified place
    EXPECT_EQ(choice.searched.size(), 4u);

    const std::string b = file("b/kteval");
    EXPECT_EQ(chooseFirmware(places).path, b);
    RecordingUsb usb;  // the load takes the chosen file, whatever board is behind the link
    BoardLink link(usb);
    EXPECT_EQ(link.loadFirmware(places), 0);
    EXPECT_EQ(usb.loads, std::vector<std::string>{b});
    EXPECT_TRUE(link.firmwareChoice.found);
    fs::create_directory(own);  // a folder of that name is not the image
    const std::string home = file("home/kteval");
    EXPECT_EQ(chooseFirmware(places).path, home);
    fs::remove(own);
    file("bin");
    choice = chooseFirmware(places);
    EXPECT_TRUE(choice.found);
    EXPECT_EQ(choice.path, own);

    places.overrideFile = (root / "missing.hex").string();
    choice = chooseFirmware(places);
    EXPECT_FALSE(choice.found);
    EXPECT_EQ(choice.path, places.overrideFile);
    EXPECT_EQ(choice.searched, std::vector<std::string>{places.overrideFile});
}

}  // namespace
}  // namespace kteval
