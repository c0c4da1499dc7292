// CLintraDoc: the opened BMP file, its path, the image-open and
// reload-pending flags, and the segment list that vectorisation fills.
// Only the Open command reads a file into it; the view loads its own
// images from the same path on its next drawing pass.
#pragma once

#include <cstdint>
#include <string>

#include "docview/user_interface.h"
#include "image/dib.h"
#include "vector/segments/segment.h"

namespace lintra {

class CLintraDoc {
public:
    explicit CLintraDoc(UserInterface& ui);
    CLintraDoc(const CLintraDoc&) = delete;
    CLintraDoc& operator=(const CLintraDoc&) = delete;

    // Open: asks for a picture file and opens it. Cancel does nothing.
    void OnFileOpen();
    // Opens path as if chosen in the Open dialog: stores it in
    // m_strFilePath, reads it into m_dib, and on success sets both flags,
    // titles the document with the path and invalidates the view. Returns
    // true when the file was read. A multi-page file's title adds the page
    // (" - 第1页，共3页"). A refused file (the reader's message has
    // been shown) or a FileError (reported to the user) returns false and
    // leaves the flags, the title and the views as they were.
    bool OpenPath(const std::string& path);

    Dib m_dib;                                      // the image as read by Open
    ReadOptions m_readOptions{.greyLevels = true};  // budget and page for Open and the view's load
    std::string m_strFilePath;                      // the full path chosen in the Open dialog
    std::int32_t m_bImageOpen = 0;                  // 1 while an image is open and may be drawn
    std::int32_t m_bReloadPending = 0;              // 1 from a successful Open until the view has loaded
    SegmentList m_segmentList;                      // the vectorisation result; owns its records

private:
    UserInterface& m_ui;
};

// The Save dialog of BMP files.
FileDialogRequest BmpFileDialog();
// The Open dialog: every format Lintra reads ("所有支持的图像"), then one
// filter per format, then the BMP filter of the Save dialog.
FileDialogRequest OpenFileDialog();

}  // namespace lintra
