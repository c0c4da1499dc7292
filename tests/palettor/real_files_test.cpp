// Runs Palettor on the sample files and the BMP suite: every 24-bit
// file a reader should open converts, and no file makes it crash.
#include <gtest/gtest.h>

#include <map>

#include "support/test_data.h"
#include "tests/palettor/palettor_test_support.h"

namespace lintra::palettor::test {
namespace {

// Rows of a CSV file as column name -> value; quoted fields may hold commas
// and doubled quotes.
std::vector<std::map<std::string, std::string>> ReadCsv(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (std::size_t k = 0; k < line.size(); ++k) {
            const char c = line[k];
            if (quoted && c == '"' && k + 1 < line.size() && line[k + 1] == '"') {
                fields.back() += '"';
                ++k;
            } else if (c == '"') {
                quoted = !quoted;
            } else if (c == ',' && !quoted) {
                fields.emplace_back();
            } else if (c != '\r') {
                fields.back() += c;
            }
        }
        rows.push_back(fields);
    }
    std::vector<std::map<std::string, std::string>> table;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        std::map<std::string, std::string> row;
        for (std::size_t c = 0; c < rows[0].size() && c < rows[r].size(); ++c) row[rows[0][c]] = rows[r][c];
        table.push_back(row);
    }
    return table;
}

struct IndexedFile {
    fs::path path;
    int bitCount;          // from the table
    std::uint32_t biSize;  // from the table
    bool expectedOpen;
};

// Every file of the samples' and the suite's indexes; a missing index or
// file ends the test.
std::vector<IndexedFile> IndexedFiles() {
    using lintra::test::kSamplesDir, lintra::test::kSuiteDir, lintra::test::RequireFixture;
    std::vector<IndexedFile> files;
    for (auto& row : ReadCsv(RequireFixture(kSamplesDir + "files.csv"))) {
        files.push_back({RequireFixture(kSamplesDir + row["file"]), std::stoi(row["biBitCount"]),
                         static_cast<std::uint32_t>(std::stoul(row["biSize"])), row["expected"] == "open"});
    }
    for (auto& row : ReadCsv(RequireFixture(kSuiteDir + "index.csv"))) {
        if (row["included"] != "yes") continue;
        files.push_back({RequireFixture(kSuiteDir + row["folder"] + "/" + row["name"]),
                         std::stoi(row["biBitCount"]), static_cast<std::uint32_t>(std::stoul(row["biSize"])),
                         row["expected"] == "open"});
    }
    return files;
}

int SquaredDistance(const Bgr& a, const Bgr& b) {
    const int db = a.b / 16 - b.b / 16, dg = a.g / 16 - b.g / 16, dr = a.r / 16 - b.r / 16;
    return db * db + dg * dg + dr * dr;
}

// Checks the 8-bit result against the source, decoded here on its own:
// the plain 1078-byte layout, and every pixel showing its own reduced
// colour when the palette has it, else a palette colour no farther away
// than any other.
void ExpectFaithfulConversion(const Bytes& source, const Bytes& result, const std::string& label) {
    const std::uint32_t offset = Get32(source, 10);
    const int width = static_cast<int>(Get32(source, 18));
    const int signedHeight = static_cast<int>(Get32(source, 22));
    const int height = signedHeight < 0 ? -signedHeight : signedHeight;
    const std::size_t stride24 = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
    const std::size_t stride8 = (static_cast<std::size_t>(width) + 3) / 4 * 4;

    ASSERT_EQ(result.size(), 1078 + stride8 * height) << label;
    EXPECT_EQ(result[0], 'B') << label;
    EXPECT_EQ(result[1], 'M') << label;
    EXPECT_EQ(Get32(result, 2), result.size()) << label;
    EXPECT_EQ(Get32(result, 10), 1078u) << label;
    EXPECT_EQ(Get32(result, 14), 40u) << label;
    EXPECT_EQ(static_cast<int>(Get32(result, 18)), width) << label;
    EXPECT_EQ(static_cast<int>(Get32(result, 22)), height) << label;
    EXPECT_EQ(Get16(result, 28), 8u) << label;
    EXPECT_EQ(Get32(result, 30), 0u) << label;
    EXPECT_EQ(Get32(result, 34), stride8 * height) << label;
    const std::uint32_t clrUsed = Get32(result, 46);
    EXPECT_TRUE(clrUsed == 0 || clrUsed == 256) << label << " biClrUsed " << clrUsed;

    std::vector<Bgr> palette;
    std::map<int, int> entryOfColour;
    for (int i = 0; i < 256; ++i) {
        const Bgr e{result[54 + 4 * i], result[55 + 4 * i], result[56 + 4 * i]};
        ASSERT_EQ(result[57 + 4 * i], 0) << label;
        ASSERT_TRUE(e.b % 16 == 0 && e.g % 16 == 0 && e.r % 16 == 0) << label << " entry " << i;
        ASSERT_TRUE(entryOfColour.emplace(e.b << 16 | e.g << 8 | e.r, i).second) << label << " entry " << i;
        palette.push_back(e);
    }
    for (int y = 0; y < height; ++y) {  // y = 0 is the bottom row
        const std::size_t stored = signedHeight < 0 ? height - 1 - y : y;
        for (int x = 0; x < width; ++x) {
            const std::size_t at = offset + stored * stride24 + 3 * x;
            const Bgr reduced{static_cast<unsigned char>(source.at(at) & 0xf0),
                              static_cast<unsigned char>(source.at(at + 1) & 0xf0),
                              static_cast<unsigned char>(source.at(at + 2) & 0xf0)};
            const int index = result[1078 + y * stride8 + x];
            const auto own = entryOfColour.find(reduced.b << 16 | reduced.g << 8 | reduced.r);
            if (own != entryOfColour.end()) {
                ASSERT_EQ(index, own->second) << label << " pixel " << x << "," << y;
            } else {
                int nearest = 1 << 30;
                for (const Bgr& e : palette) nearest = std::min(nearest, SquaredDistance(e, reduced));
                ASSERT_EQ(SquaredDistance(palette[index], reduced), nearest)
                    << label << " pixel " << x << "," << y;
            }
        }
    }
}

class PalettorRealFiles : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(PalettorRealFiles, EveryTwentyFourBitFileThatShouldOpenConverts) {
    int converted = 0;
    for (const IndexedFile& f : IndexedFiles()) {
        if (f.bitCount != 24 || !f.expectedOpen) continue;
        const std::string label = f.path.filename().string();
        const Bytes source = ReadFile(f.path);
        ASSERT_GE(source.size(), 54u) << label;
        const std::string out = dir / (label + ".8bit.bmp");
        const RunResult run = RunPalettor({f.path.string(), out});
        ASSERT_EQ(run.status, 0) << label << "\n" << run.output;

        const int width = static_cast<int>(Get32(source, 18));
        const int height = std::abs(static_cast<int>(Get32(source, 22)));
        const std::size_t end =
            Get32(source, 10) + (3 * static_cast<std::size_t>(width) + 3) / 4 * 4 * height;
        char last4[64];
        std::snprintf(last4, sizeof last4, "%x %x %x %x", source.at(end - 4), source.at(end - 3),
                      source.at(end - 2), source.at(end - 1));
        EXPECT_EQ(run.output, ReadMessages(f.path.string(), last4, static_cast<long>(source.size() - end)))
            << label;
        ExpectFaithfulConversion(source, ReadFile(out), label);
        ++converted;
    }
    EXPECT_GE(converted, 9);  // 5 samples, 4 suite files
}

TEST_F(PalettorRealFiles, NoFileMakesItCrash) {
    const std::string out = dir / "out.bmp";
    for (const IndexedFile& f : IndexedFiles()) {
        const std::string label = f.path.filename().string();
        const RunResult run = RunPalettor({f.path.string(), out});
        ASSERT_TRUE(run.status == 0 || run.status == 255) << label << " status " << run.status;
        EXPECT_EQ(run.output.rfind("file " + f.path.string() + " open success.\n", 0), 0u) << label;
        if (f.biSize >= 40 && f.bitCount != 24) {
            EXPECT_EQ(run.status, 255) << label;
            EXPECT_EQ(run.output,
                      "file " + f.path.string() + " open success.\nThis is not a 24bit BMP file.\n")
                << label;
        }
        if (f.bitCount == 24) {
            EXPECT_EQ(run.status, f.expectedOpen ? 0 : 255) << label << "\n" << run.output;
        }
    }
}

}  // namespace
}  // namespace lintra::palettor::test
