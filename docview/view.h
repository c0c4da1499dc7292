// CLintraView: the five working images, the display state, and every
// command of the view. Loading happens on the drawing pass after an Open;
// every processing command copies the current image into the previous one,
// runs its operation in place with fixed arguments, shows the current image
// and invalidates the view. Commands before an image has been loaded, or
// after a failed load, do nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "docview/doc.h"
#include "docview/platform.h"
#include "image/canvas.h"
#include "image/dib.h"
#include "raster/blobs.h"
#include "vector/segment.h"
#include "vector/vectorise1.h"

namespace lintra {

// The converter beside the running program, and how long it may run.
inline constexpr const char* kConverterName = "Palettor";
inline constexpr std::chrono::milliseconds kConverterTimeout{60000};
// The temporary file handed to the converter, in a private folder.
inline constexpr const char* kConverterTempName = "temp.bmp";

// The save dialog of DXF files.
FileDialogRequest DxfFileDialog();

// Which operation a parameter dialog re-runs (m_paramOp).
enum ParamOp : std::int32_t {
    kParamOpNone = 0,
    kParamOpBinariseGradient = 1,
    kParamOpBinariseThreshold = 2,
    kParamOpSmallBlobs = 3,
    kParamOpShortBranches = 4,
};

class CLintraView {
public:
    CLintraView(CLintraDoc& doc, Platform& platform);
    CLintraView(const CLintraView&) = delete;
    CLintraView& operator=(const CLintraView&) = delete;

    // Routes every command of the command table by identifier, the
    // document's included (57601 goes to the document). Returns false for
    // an identifier it does not handle. A FileError of a command is reported
    // through the platform and leaves the view as it was.
    bool OnCommand(int id);
    // WM_PARAMCHANGED from a parameter dialog: ReapplyWithParam(position).
    void OnParamChanged(int position);
    // Loads the document's pending image into the five images; nothing
    // happens while the document has nothing pending. Messages and file
    // errors are reported through the platform; it never throws FileError.
    void LoadPendingImage();
    // The drawing pass: loads what is pending, then paints the displayed
    // image at (5, 5) or, in vector mode, the segments in dark red.
    void OnDraw(Canvas& canvas);

    // True once an image has been loaded and the document still has it open:
    // the state in which commands act.
    bool HasImage() const;

    // The handlers.
    void OnFileSave();
    void OnRestoreOriginal();
    void OnRestorePrevious();
    void OnShowBitmap();
    void OnShowVector();
    // The common handler pattern for the processing command id; false when
    // id is not a processing command.
    bool OnProcess(int id);
    void OnParamBinarise1();
    void OnParamBinarise2();
    void OnParamBlobs();
    void OnParamBranches();
    void ReapplyWithParam(int value);
    void OnVectorise1();
    void OnPeelContour();
    void OnVectorise2();
    void OnExportDxf();

    // How long the converter may run before it is killed (tests shorten it).
    void SetConverterTimeout(std::chrono::milliseconds timeout) { m_converterTimeout = timeout; }

    Dib* m_pDisplayImage = nullptr;         // drawn in bitmap mode and written by Save
    Dib m_currentImage;                     // the working image
    Dib m_originalImage;                    // as loaded: source of restore original
    Dib m_baseImage;                        // base of re-application; outermost-contour remainder
    Dib m_workImage;                        // scratch of Vectorise 1 and command 32811
    Dib m_previousImage;                    // one level of undo
    SegmentList* m_pSegmentList = nullptr;  // the document's list, set at load
    std::int32_t m_bVectorMode = 0;         // 0 draws the bitmap, 1 the segments
    LabelGrid m_grid;                       // contour numbers of Vectorise 1, [x][y]
    std::int32_t m_contourCount = 0;        // contours numbered by the last Vectorise 1
    bool m_saveBase = false;                // the next parameter change saves the base first
    std::int32_t m_paramOp = kParamOpNone;  // the operation the newest dialog feeds
    BlobLabelState m_blobState;             // labelling state of small-blob removal
    std::string m_ncText;                   // numeric-control text of the last Vectorise 2

private:
    void Load8Bit();
    void Load24Bit();
    bool ReadViewImages(const std::string& path, const char* otherDepth);
    void FinishLoad(Dib* display);
    void FailLoad(const char* message);
    void OpenParamDialog(ParamOp op);
    Vectorise1Context Vectorise1Parts();
    void Redraw();

    CLintraDoc& m_doc;
    Platform& m_platform;
    std::chrono::milliseconds m_converterTimeout = kConverterTimeout;
};

}  // namespace lintra
