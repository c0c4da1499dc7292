// CLintraView: the five working images, the display state, and every
// command of the view. Loading happens on the drawing pass after an Open;
// every processing command copies the current image into the previous one,
// runs its operation in place with fixed arguments, shows the current image
// and invalidates the view. OnCommand runs a command by its row of the
// command table; a command that needs an image does nothing before an image
// has been loaded, or after a failed load.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "docview/commands.h"
#include "docview/converter.h"
#include "docview/doc.h"
#include "docview/history.h"
#include "docview/user_interface.h"
#include "image/canvas.h"
#include "image/dib.h"
#include "raster/blobs.h"
#include "vector/segments/segment.h"
#include "vector/vectorise/vectorise1.h"

namespace lintra {

// The save dialog of DXF files.
FileDialogRequest DxfFileDialog();
// The save dialog of the CAD-ready export: DXF or SVG.
FileDialogRequest CadFileDialog();
// Draws a drawing in pixels in blue over the picture, as DrawSegments places
// the segments.
void DrawCadPreview(Canvas& canvas, const cad::Drawing& drawing, int imageHeight);

class CLintraView : public OperationContext {
public:
    CLintraView(CLintraDoc& doc, UserInterface& ui, ConverterRunner& converter);
    CLintraView(const CLintraView&) = delete;
    CLintraView& operator=(const CLintraView&) = delete;

    // Runs command id by its row of the command table, the document's Open
    // included. Returns false for an identifier with no row or one the front
    // end runs itself. A command that needs an image does nothing (and
    // returns true) while there is none.
    bool OnCommand(int id);
    // Runs processing command id with values in place of its fixed
    // argument, as a step "NAME=V1,V2" gives them. False, with nothing
    // done, for any other command or values ValuesFit refuses.
    bool OnCommand(int id, std::span<const int> values);
    // A position from a parameter dialog: ReapplyWithParam(position).
    void OnParamChanged(int position);
    // Loads the document's pending image into the five images; nothing
    // happens while the document has nothing pending. Messages and file
    // errors are reported to the user; it never throws FileError.
    void LoadPendingImage();
    // The drawing pass: loads what is pending, then paints the displayed
    // image at (5, 5) or, in vector mode, the segments in dark red.
    void OnDraw(Canvas& canvas);

    // True once an image has been loaded and the document still has it open:
    // the state in which commands act.
    bool HasImage() const;

    // Restores the base image (saving it first on the first change after a
    // dialog opened) and runs m_paramOp on it with value.
    void ReapplyWithParam(int value);

    // The base of re-application and the outermost contour's remainder. It
    // starts as a copy of the image as loaded, made when first asked for:
    // many sessions never need it, and on a large scan a copy is tens of
    // megabytes. Throws std::bad_alloc when that copy cannot be had.
    Dib& BaseImage();

    // What the table's operations reach on the real pictures.
    MessageSink& Messages() override { return m_ui; }
    ImageView BaseView() override { return BaseImage().View(); }
    BlobLabelState& Blobs() override { return m_blobState; }
    void NoteStrokeWidth(double width) override { m_strokeWidth = width; }
    void NoteThreshold(int threshold) override { m_iterativeThreshold = threshold; }

    // The handlers of the command table's rows; OnCommand runs them once it
    // has checked for an image.
    void OnFileOpen();
    void OnFileSave();
    void OnRestoreOriginal();
    void OnRestorePrevious();
    void OnShowBitmap();
    void OnShowVector();
    void OnVectorise1();
    void OnPeelContour();
    void OnVectorise2();
    void OnExportDxf();
    void OnExportCad();
    void OnShowCadDrawing();
    void OnTrace();
    // One step back or forward in the undo history; the desktop program
    // runs them for its Undo and Redo items and keys.
    void OnEditUndo();
    void OnEditRedo();

    // Undoes or redoes steps until position steps of the history are
    // applied (0: the picture as opened, or as old as the history reaches).
    void GoToStep(std::size_t position);
    // The undo history; the desktop program lists it.
    const UndoHistory& History() const { return m_history; }
    UndoHistory& History() { return m_history; }
    // True when the picture has been processed since it was opened or last
    // saved.
    bool IsModified() const { return HasImage() && !m_history.IsClean(); }
    // Called with every change of the history (a step added, undone, redone
    // or dropped, the history cleared, the picture saved).
    std::function<void()> onHistoryChanged;

    // The picture's size and resolution, as the CAD export scales by them.
    PictureGeometry Geometry() const;
    // The fitted drawing in pixels, with the last export's choices, as the
    // view shows it over the picture; rebuilt when the segments change. Never
    // turned back by the skew, so that it lies on the strokes it was fitted to.
    const cad::Drawing& CadPreview();

    // What the front ends and the tests read of the view's state.
    const Dib& CurrentImage() const { return m_currentImage; }
    const Dib& OriginalImage() const { return m_originalImage; }
    const Dib& PreviousImage() const { return m_previousImage; }
    const Dib& WorkImage() const { return m_workImage; }
    // The image drawn in bitmap mode and written by Save; null before a load.
    const Dib* DisplayedImage() const { return m_pDisplayImage; }
    // The document's segment list, null before the first load.
    const SegmentList* Segments() const { return m_pSegmentList; }
    // True when the segments are drawn in place of the bitmap.
    bool VectorMode() const { return m_bVectorMode == 1; }
    const LabelGrid& ContourGrid() const { return m_grid; }
    std::int32_t ContourCount() const { return m_contourCount; }
    // The operation the newest parameter dialog re-applies, and whether its
    // next position saves the base image first.
    ImageOperation ParamOperation() const { return m_paramOp; }
    bool SavesBaseOnNextChange() const { return m_saveBase; }
    const std::string& NcText() const { return m_ncText; }
    const CadExportSettings& CadSettings() const { return m_cadSettings; }
    const CadExportReport& CadReport() const { return m_cadReport; }
    double StrokeWidth() const { return m_strokeWidth; }
    bool ShowsCadDrawing() const { return m_showCadDrawing; }
    const std::optional<cad::Drawing>& TracePreview() const { return m_tracePreview; }
    int IterativeThreshold() const { return m_iterativeThreshold; }

    // What the front ends configure.
    void SetRecordHistory(bool record) { m_recordHistory = record; }
    void SetCheckCadSource(bool check) { m_checkCadSource = check; }
    void SetCadSettings(const CadExportSettings& settings) { m_cadSettings = settings; }
    void SetCadTolerance(double tolerance) { m_cadSettings.options.tolerance = tolerance; }
    void SetShowCadDrawing(bool show) { m_showCadDrawing = show; }
    // Shows drawing over the picture as loaded until ClearTracePreview.
    void SetTracePreview(cad::Drawing drawing) { m_tracePreview = std::move(drawing); }
    void ClearTracePreview() { m_tracePreview.reset(); }

    // How long the converter may run before it is killed (tests shorten it).
    void SetConverterTimeout(std::chrono::milliseconds timeout) { m_converterTimeout = timeout; }

    // True when the segment list was traced from the picture open now (an
    // empty list never traced counts as this picture's).
    bool SegmentsFromThisPicture() const;

private:
    Dib* m_pDisplayImage = nullptr;         // drawn in bitmap mode and written by Save
    Dib m_currentImage;                     // the working image
    Dib m_originalImage;                    // as loaded: source of restore original
    Dib m_workImage;                        // scratch of Vectorise 1 and of peeling one contour
    Dib m_previousImage;                    // one level of undo
    SegmentList* m_pSegmentList = nullptr;  // the document's list, set at load
    std::int32_t m_bVectorMode = 0;         // 0 draws the bitmap, 1 the segments
    LabelGrid m_grid;                       // contour numbers of Vectorise 1, at(x, y)
    std::int32_t m_contourCount = 0;        // contours numbered by the last Vectorise 1
    bool m_saveBase = false;                // the next parameter change saves the base first
    ImageOperation m_paramOp = nullptr;     // the operation the newest dialog feeds
    BlobLabelState m_blobState;             // labelling state of small-blob removal
    std::string m_ncText;                   // numeric-control text of the last Vectorise 2
    CadExportSettings m_cadSettings;        // the CAD export's choices, last used first
    CadExportReport m_cadReport;            // what the last CAD export wrote
    double m_strokeWidth = 0;               // of the strokes last thinned, in pixels; 0 unmeasured
    bool m_showCadDrawing = false;          // the fitted drawing is drawn over the view
    // While the trace dialog chooses its settings: the fitted drawing it
    // would give, in pixels. When set, the view draws the picture as loaded
    // with this drawing over it, in place of what it shows otherwise; the
    // working images are not touched.
    std::optional<cad::Drawing> m_tracePreview;
    int m_iterativeThreshold = -1;  // the threshold the last iterative binarisation chose
    // Each command that changes the picture or the segments is kept in the
    // undo history; lintra-batch, which never undoes, turns this off.
    bool m_recordHistory = true;
    // The desktop program's CAD export refuses an empty list instead of
    // writing an empty drawing, and a list traced from another picture;
    // lintra-batch leaves it false and writes whatever the list holds.
    bool m_checkCadSource = false;

    void Load8Bit();
    void Load24Bit();
    bool ReadViewImages(const std::string& path, const char* otherDepth, const ReadOptions& options,
                        void (*convert)(Dib&) = nullptr);
    void FinishLoad(Dib* display);
    void FailLoad(const char* message);
    // The common pattern of a processing command.
    void RunProcessing(const Command& command, std::span<const int> arguments);
    // A parameter command: the previous copy, a new dialog, and the
    // operation its positions re-apply.
    void OpenParamDialog(const Command& command);
    Vectorise1Context Vectorise1Parts();
    void Redraw();

    // Runs run as one step of the undo history (unless history is off or a
    // step is already being recorded, as in a trace), then says in the
    // status bar what it did.
    void Recorded(const Command& command, HistoryStep step, const std::function<void()>& run);
    ViewState CaptureState() const;
    void RestoreState(const ViewState& state);
    // The status note after command: what the step did, seen in before (the
    // pixels before it, as CopyPixels gives them) and the picture now.
    void ReportStep(const Command& command, const std::vector<std::uint8_t>& before);
    void HistoryChanged();
    // The current picture as the history keeps it, stored now unless the
    // last step's stored picture still matches it.
    std::shared_ptr<const StoredPicture> StoreCurrent();

    // Which picture the list was traced from, counted by loads; 0 before
    // any tracing. The list itself carries over an Open.
    void MarkSegmentsTraced() { m_segmentsPicture = m_pictureSerial; }

    Dib m_baseImage;
    std::uint64_t m_pictureSerial = 0;    // one more for every picture loaded
    std::uint64_t m_segmentsPicture = 0;  // the picture the segment list was traced from
    std::uint64_t m_dpiTypedFor = 0;      // the picture the CAD options' typed dpi belongs to
    double m_typedDpi = 0;                // that dpi
    bool m_basePending = false;           // m_baseImage is still to be copied from m_originalImage
    UndoHistory m_history;
    std::shared_ptr<const StoredPicture> m_storedCurrent;  // the newest picture the history stored
    std::shared_ptr<const SegmentList> m_storedSegments;   // the newest segment list it stored
    int m_recording = 0;                      // steps being recorded now: a trace's own steps are part of it
    const Command* m_paramCommand = nullptr;  // the parameter command the newest dialog belongs to
    std::uint64_t m_paramDialog = 0;          // one more for every parameter dialog opened

    CLintraDoc& m_doc;
    UserInterface& m_ui;
    ConverterRunner& m_converter;
    cad::Drawing m_cadPreview;
    std::uint64_t m_cadPreviewKey = 0;  // hash of the segments and choices it was built from
    std::chrono::milliseconds m_converterTimeout = kConverterTimeout;
};

}  // namespace lintra
