// A document and its view over a fake platform, with a temporary folder of
// their own: the common ground of the view tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/view.h"
#include "support/fake_platform.h"
#include "support/test_files.h"

namespace lintra::test {

template <class PlatformType = FakePlatform>
class ViewTest : public ::testing::Test {
protected:
    ViewTest() { platform.tempDirectory = temp.path(); }
    // Open through the command with path chosen, then the drawing pass that
    // loads what was opened.
    void Open(const std::string& path) {
        platform.answers.push_back(path);
        EXPECT_TRUE(view.OnCommand(cmd::kFileOpen));
        Draw();
    }
    RecordingCanvas Draw() {
        RecordingCanvas canvas;
        view.OnDraw(canvas);
        return canvas;
    }

    TempDir temp;
    PlatformType platform;
    CLintraDoc doc{platform};
    CLintraView view{doc, platform, platform};
};

}  // namespace lintra::test
