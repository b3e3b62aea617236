#include "tools/artwork/art_catalog.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "testing/temp_dir_test_util.h"
#include "tools/artwork/art_test_util.h"

namespace {

TEST(ArtCatalog, TableNamesFollowTheImageTable) {
    const auto& korean = ArtImageTableNames(false);
    const auto& english = ArtImageTableNames(true);
    ASSERT_EQ(korean.size(), 59u);
    ASSERT_EQ(english.size(), 59u);
    EXPECT_EQ(korean[0], "Zuno_Run_01.png");
    EXPECT_EQ(korean[8], "Zuno_Run_09.png");
    EXPECT_EQ(korean[9], "num_00.png");
    EXPECT_EQ(korean[18], "num_09.png");
    EXPECT_EQ(korean[19], "control_start_n_k.png");
    EXPECT_EQ(english[19], "control_start_n.png");
    EXPECT_EQ(korean[22], "control_stop_f_k.png");
    EXPECT_EQ(english[26], "control_log_f.png");
    EXPECT_EQ(korean[27], "zuno_i.png");
    EXPECT_EQ(korean[29], "spin_left_f.png");
    EXPECT_EQ(korean[30], "spin_right_n.png");
    EXPECT_EQ(korean[32], "category02_left_normal.png");
    EXPECT_EQ(korean[36], "category02_middle_focused.png");
    EXPECT_EQ(korean[40], "category02_right_pressed.png");
    EXPECT_EQ(korean[41], "Zuno_Run_unfocus.png");
    EXPECT_EQ(korean[44], "graph_2(15x50).png");
    EXPECT_EQ(korean[46], "inputbox_01_left_dim.png");
    EXPECT_EQ(korean[49], "inputbox_01_right.png");
    EXPECT_EQ(korean[50], "Inputbox_02_dim.png");
    EXPECT_EQ(korean[53], "Inputbox_03_normal.png");
    EXPECT_EQ(korean[54], "popup01_tit.PNG");
    EXPECT_EQ(korean[58], "popup_button_02_Press.PNG");
    // Only the control buttons (cells 19-26) differ between the halves.
    for (size_t i = 0; i < korean.size(); ++i) {
        const bool control = i >= 19 && i <= 26;
        EXPECT_EQ(korean[i] != english[i], control) << i;
        if (control) {
            EXPECT_EQ(korean[i], english[i].substr(0, english[i].size() - 4) + "_k.png");
        }
    }
}

TEST(ArtCatalog, EveryTableNameHasOneDrawing) {
    const std::vector<ArtImageEntry> entries = ArtImageFiles();
    EXPECT_EQ(entries.size(), 67u);
    std::set<std::string> names;
    for (const ArtImageEntry& entry : entries) {
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
        EXPECT_TRUE(entry.draw) << entry.name;
        EXPECT_GT(entry.width, 0) << entry.name;
        EXPECT_GT(entry.height, 0) << entry.name;
    }
    for (bool english : {false, true}) {
        for (const std::string& name : ArtImageTableNames(english)) {
            EXPECT_TRUE(names.count(name)) << name;
        }
    }
    EXPECT_EQ(ArtFindImage(entries, "popup01_tit.png"), nullptr);  // the ending's case matters
}

TEST(ArtCatalog, ImageFolderIsWrittenCompletelyAndOnlyChangesWithTheArtwork) {
    const CTempDir temp("mv_artwork_test_");
    const std::string dir = temp.Path() + "/img";
    std::string error;
    ASSERT_TRUE(ArtWriteImageFiles(dir, &error)) << error;
    const std::vector<ArtImageEntry> entries = ArtImageFiles();
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 3 * entries.size());  // each at 1x, 2x, 3x; no temporaries left behind
    for (const ArtImageEntry& entry : entries) {
        for (int scale : kArtScales) {
            const std::string name = ArtScaledName(entry.name, scale);
            ArtDecoded image;
            ASSERT_TRUE(ArtDecodeFile(dir + "/" + name, &image)) << name;
            EXPECT_EQ(image.width, scale * entry.width) << name;
            EXPECT_EQ(image.height, scale * entry.height) << name;
        }
    }
    EXPECT_EQ(ArtScaledName("popup01_tit.PNG", 2), "popup01_tit@2x.PNG");

    // A second run rewrites nothing that is unchanged, and restores a damaged file.
    const std::string digit = dir + "/num_07.png";
    const std::string button = dir + "/control_log_f_k.png";
    struct stat before {};
    ASSERT_EQ(stat(digit.c_str(), &before), 0);
    std::ofstream(button, std::ios::trunc) << "broken";
    usleep(20 * 1000);  // file times must be able to differ
    ASSERT_TRUE(ArtWriteImageFiles(dir, &error)) << error;
    struct stat after {};
    ASSERT_EQ(stat(digit.c_str(), &after), 0);
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    ArtDecoded repaired;
    EXPECT_TRUE(ArtDecodeFile(button, &repaired));
}

TEST(ArtCatalog, OutputIsTheSameEveryRun) {
    for (const ArtImageEntry& entry : ArtImageFiles()) {
        std::vector<unsigned char> first;
        std::vector<unsigned char> second;
        ASSERT_TRUE(ArtRenderPng(entry, &first));
        ASSERT_TRUE(ArtRenderPng(entry, &second));
        EXPECT_EQ(first, second) << entry.name;
    }
}

TEST(ArtCatalog, UnwritableFolderIsReported) {
    const CTempDir temp("mv_artwork_test_");
    const std::string blocker = temp.Path() + "/file";
    std::ofstream(blocker) << "x";
    std::string error;
    EXPECT_FALSE(ArtWriteImageFiles(blocker + "/img", &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(ArtWriteResourceSource(blocker + "/res.cpp", &error));
    EXPECT_FALSE(error.empty());
}

// Reads the byte arrays of the generated source back: "const unsigned char NAME[N] = { ... };".
std::vector<unsigned char> ParseArray(const std::string& source, const std::string& name) {
    std::vector<unsigned char> bytes;
    const size_t start = source.find("const unsigned char " + name + "[");
    if (start == std::string::npos) return bytes;
    const size_t open = source.find('{', start);
    const size_t close = source.find('}', open);
    std::stringstream in(source.substr(open + 1, close - open - 1));
    unsigned value = 0;
    char comma = 0;
    while (in >> value) {
        bytes.push_back(static_cast<unsigned char>(value));
        in >> comma;
    }
    return bytes;
}

TEST(ArtCatalog, ResourceSourceCarriesEveryResourceByteForByte) {
    const CTempDir temp("mv_artwork_test_");
    const std::string path = temp.Path() + "/generated/resource_images.cpp";
    std::string error;
    ASSERT_TRUE(ArtWriteResourceSource(path, &error)) << error;
    std::ifstream in(path);
    const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(source.find("#include \"resources/resource_images.h\""), std::string::npos);
    EXPECT_NE(source.find("const int g_mvResIconCount = 2;"), std::string::npos);
    EXPECT_NE(source.find("const int g_mvResBitmapCount = 10;"), std::string::npos);
    const size_t icons = source.find("const MV_RES_IMAGE g_mvResIcons[] = {");
    const size_t bitmaps = source.find("const MV_RES_IMAGE g_mvResBitmaps[] = {");
    ASSERT_NE(icons, std::string::npos);
    ASSERT_NE(bitmaps, std::string::npos);
    for (const ArtResourceEntry& resource : ArtResources()) {
        const std::string name =
            std::string(resource.icon ? "kIcon" : "kBitmap") + std::to_string(resource.id);
        std::vector<unsigned char> png;
        ASSERT_TRUE(ArtRenderPng(resource.image, &png));
        EXPECT_EQ(ParseArray(source, name), png) << name;
        for (int scale : {2, 3}) {
            std::vector<unsigned char> scaled;
            ASSERT_TRUE(ArtRenderPng(resource.image, &scaled, scale));
            EXPECT_EQ(ParseArray(source, name + "_" + std::to_string(scale) + "x"), scaled) << name;
        }
        // Listed in its own table, with its id and its three drawings.
        const size_t entry =
            source.find("{" + std::to_string(resource.id) + ", " + name + ", sizeof " + name + ", " + name +
                        "_2x, sizeof " + name + "_2x, " + name + "_3x, sizeof " + name + "_3x}");
        ASSERT_NE(entry, std::string::npos) << name;
        EXPECT_EQ(entry > bitmaps, !resource.icon) << name;
    }
}

}  // namespace
