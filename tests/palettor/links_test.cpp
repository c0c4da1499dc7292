// Palettor's destination through links: a link to a file that does not exist
// yet stays a link and the file it names is created; a chain of links ends
// at the file it names.
#include <gtest/gtest.h>

#include "tests/palettor/palettor_test_support.h"

namespace lintra::palettor::test {
namespace {

TEST(PalettorLinks, DanglingLinkAndChainsKeepTheirLinks) {
    TempDir dir;
    const std::string in = dir / "in.bmp";
    WriteFile(in, Make24BitBmp(4, 1, {{0, 0, 255}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}}));
    fs::create_directory(dir / "real");
    fs::create_symlink("real/new.bmp", dir / "dangling.bmp");
    WriteFile(dir / "real/old.bmp", Bytes{'o', 'l', 'd'});
    fs::create_symlink("real/old.bmp", dir / "first.bmp");
    fs::create_symlink(dir / "first.bmp", dir / "second.bmp");
    for (const std::string name : {"dangling.bmp", "second.bmp"}) {
        const RunResult run = RunPalettor({in, dir / name});
        EXPECT_EQ(run.status, 0) << name << run.output;
        EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
    }
    EXPECT_TRUE(fs::is_symlink(dir / "first.bmp"));
    EXPECT_EQ(ReadFile(dir / "real/new.bmp").size(), 1082u);
    EXPECT_EQ(ReadFile(dir / "real/old.bmp").size(), 1082u);
}

}  // namespace
}  // namespace lintra::palettor::test
