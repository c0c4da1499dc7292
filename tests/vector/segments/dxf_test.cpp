// The DXF text and file: the fixed layout byte for byte, and the entities
// read back by a separate small reader.
#include "vector/segments/dxf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "base/file_error.h"

namespace lintra {
namespace {

std::string Lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        if (!text.empty()) text += "\r\n";
        text += line;
    }
    return text;
}

TEST(DxfTextTest, WorkedExampleByteForByte) {
    SegmentList segments;
    AppendSegment(segments, {3, 4}, {5, 4});
    std::string expected =
        Lines({"0",  "SECTION",  "2",  "HEADER", "9",  "$LIMMIN", "10", "0",      "20", "0",
               "9",  "$LIMMAX",  "10", "10",     "20", "10",      "0",  "ENDSEC", "0",  "SECTION",
               "2",  "ENTITIES", "0",  "LINE",   "8",  "Vorlak",  "10", "3",      "20", "4",
               "11", "5",        "21", "4",      "0",  "ENDSEC",  "0",  "EOF"});
    std::string text = DxfText(segments, 10, 10);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 37);
    EXPECT_EQ(text.substr(text.size() - 5), "\r\nEOF");
}

TEST(DxfTextTest, EmptyListGivesAnEmptyEntitiesSection) {
    std::string text = DxfText({}, 640, 480);
    EXPECT_EQ(text, Lines({"0", "SECTION", "2",       "HEADER",   "9",   "$LIMMIN", "10",  "0",  "20",
                           "0", "9",       "$LIMMAX", "10",       "640", "20",      "480", "0",  "ENDSEC",
                           "0", "SECTION", "2",       "ENTITIES", "0",   "ENDSEC",  "0",   "EOF"}));
}

// An independent reader: group-code/value pairs, CR LF between lines.
struct Entity {
    std::string layer;
    long x1, y1, x2, y2;
};

std::vector<Entity> ReadLines(const std::string& text, long& limX, long& limY) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    std::vector<Entity> entities;
    EXPECT_EQ(lines.size() % 2, 0u);
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        EXPECT_EQ(lines[i].find('\n'), std::string::npos);
        const std::string& code = lines[i];
        const std::string& value = lines[i + 1];
        if (code == "9" && value == "$LIMMAX") {
            limX = std::stol(lines[i + 3]);
            limY = std::stol(lines[i + 5]);
        }
        if (code == "0" && value == "LINE") entities.push_back({});
        if (entities.empty() || code == "0") continue;
        Entity& e = entities.back();
        if (code == "8") e.layer = value;
        if (code == "10") e.x1 = std::stol(value);
        if (code == "20") e.y1 = std::stol(value);
        if (code == "11") e.x2 = std::stol(value);
        if (code == "21") e.y2 = std::stol(value);
    }
    return entities;
}

TEST(DxfTextTest, EveryRecordReadsBackInOrder) {
    std::mt19937 random(7);
    SegmentList segments;
    AppendSegment(segments, {0, 0}, {0, 0});  // zero length
    AppendSegment(segments, {-12, 3}, {2147483647, -2147483647 - 1});
    AppendSegment(segments, {-12, 3}, {2147483647, -2147483647 - 1});  // duplicate
    for (int i = 0; i < 500; ++i) {
        auto coordinate = [&] { return static_cast<int>(random() % 20001) - 10000; };
        AppendSegment(segments, {coordinate(), coordinate()}, {coordinate(), coordinate()});
    }
    long limX = 0, limY = 0;
    std::vector<Entity> entities = ReadLines(DxfText(segments, 2480, 3508), limX, limY);
    EXPECT_EQ(limX, 2480);
    EXPECT_EQ(limY, 3508);
    ASSERT_EQ(entities.size(), segments.size());
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const Entity& e = entities[i];
        const CLineSegment& s = segments[i];
        ASSERT_TRUE(e.layer == "Vorlak" && e.x1 == s.x1 && e.y1 == s.y1 && e.x2 == s.x2 && e.y2 == s.y2)
            << "segment " << i;
    }
}

class DxfFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "lintra-dxf-XXXXXX").string();
        dir = mkdtemp(pattern.data());
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    static std::string Contents(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::path dir;
};

TEST_F(DxfFileTest, WritesTheTextReplacingAnyEarlierFile) {
    SegmentList segments;
    AppendSegment(segments, {3, 4}, {5, 4});
    std::filesystem::path path = dir / "out.dxf";
    std::ofstream(path) << std::string(10000, 'x');
    WriteDxf(path.string(), segments, 10, 10);
    EXPECT_EQ(Contents(path), DxfText(segments, 10, 10));
}

TEST_F(DxfFileTest, FailedExportLeavesTheEarlierFile) {
    std::filesystem::path path = dir / "old.dxf";
    std::ofstream(path) << "old drawing";
    // The destination is a folder: the rename over it fails after writing.
    std::filesystem::create_directory(dir / "folder.dxf");
    std::ofstream(dir / "folder.dxf" / "inside") << "x";
    EXPECT_THROW(WriteDxf((dir / "folder.dxf").string(), {}, 1, 1), FileError);
    EXPECT_THROW(WriteDxf((dir / "missing" / "x.dxf").string(), {}, 1, 1), FileError);
    EXPECT_EQ(Contents(path), "old drawing");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()),
              2);
}

}  // namespace
}  // namespace lintra
