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

TEST(FirmwareSearch, PlacesInOrder) {
    const std::string own = "/opt/kt/KT4421SPI.hex";
    struct Case {
        const char* name;
        const char *dataHome, *home, *dataDirs, *override;
        std::vector<std::string> candidates;
    } cases[] = {
        // clang-format off
        {"defaults", nullptr, "/home/u", nullptr, "",
         {own, "/home/u/.local/share/kteval/KT4421SPI.hex", "/usr/local/share/kteval/KT4421SPI.hex",
          "/usr/share/kteval/KT4421SPI.hex"}},
        {"set", "/d/", "/home/u", "/a:relative::/b//", "",
         {own, "/d/kteval/KT4421SPI.hex", "/a/kteval/KT4421SPI.hex", "/b/kteval/KT4421SPI.hex"}},
        {"empty, no home", "", nullptr, "", "",
         {own, "/usr/local/share/kteval/KT4421SPI.hex", "/usr/share/kteval/KT4421SPI.hex"}},
        {"relative home, repeats", "data", "/h", "/usr/share:/h/.local/share:/usr/share", "",
         {own, "/h/.local/share/kteval/KT4421SPI.hex", "/usr/share/kteval/KT4421SPI.hex"}},
        {"root", nullptr, nullptr, "/", "", {own, "/kteval/KT4421SPI.hex"}},
        {"home is the root", nullptr, "//", "/usr/share", "",
         {own, "/.local/share/kteval/KT4421SPI.hex", "/usr/share/kteval/KT4421SPI.hex"}},
        {"--firmware", "/d", "/h", "/a", "/tmp/my.hex", {"/tmp/my.hex"}},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(firmwareCandidates(
                      firmwarePlaces("/opt/kt", c.override, c.dataHome, c.home, c.dataDirs)),
                  c.candidates);
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

// The search forms the path before the load, whatever board is behind the link.
TEST_F(FirmwareChoiceTest, TheLoadUsesTheChosenFile) {
    const std::string chosen = file("a/kteval");
    RecordingUsb usb;
    BoardLink link(usb);
    EXPECT_EQ(link.loadFirmware(places), 0);
    EXPECT_EQ(usb.loads, std::vector<std::string>{chosen});
    EXPECT_TRUE(link.firmwareChoice.found);
}

}  // namespace
}  // namespace kteval
