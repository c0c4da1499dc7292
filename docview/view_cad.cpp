// The CAD-ready export and the fitted drawing shown over the picture.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "docview/messages.h"
#include "docview/view.h"
#include "image/draw.h"
#include "vector/cad/cad_svg.h"
#include "vector/cad/skew.h"

namespace lintra {

namespace {

// The fitted drawing's pen over the picture: blue, apart from the segments' dark red.
constexpr PenColour kCadPen{0, 0, 255};

std::uint64_t Mix(std::uint64_t hash, std::uint64_t value) {
    return (hash ^ value) * 0x100000001b3ull;  // FNV-1a, a word at a time
}

// One decimal, with a point whatever the locale.
std::string OneDecimal(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1).ptr;
    return std::string(text, end);
}

void ShowEntitySummary(UserInterface& ui, const CadExportReport& report) {
    std::vector<std::string> counts{std::to_string(report.Entities()), std::to_string(report.lines),
                                    std::to_string(report.arcs),       std::to_string(report.circles),
                                    std::to_string(report.polylines),  OneDecimal(report.strokeWidth),
                                    OneDecimal(report.tolerance)};
    if (!report.noResolution) return ui.ShowStatus(kStatusCadEntities, counts);
    counts.push_back(std::to_string(static_cast<int>(std::lround(report.dpi))));
    ui.ShowStatus(kStatusCadEntitiesAssumedDpi, counts);
}

}  // namespace

FileDialogRequest CadFileDialog() {
    return {"dxf", "*.dxf", {{"AutoCAD图纸(*.dxf)", {"*.dxf"}}, {"SVG图形(*.svg)", {"*.svg"}}}, true};
}

bool IsSvgPath(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".svg";
}

PictureGeometry CLintraView::Geometry() const {
    PictureGeometry picture{m_currentImage.GetWidth(), m_currentImage.GetHeight(), 0, 0};
    // The resolution is the file's: the original image keeps its header.
    if (const BitmapInfo* info = m_originalImage.GetBitmapInfo()) {
        picture.xPelsPerMeter = std::max(0, static_cast<int>(info->bmiHeader.biXPelsPerMeter));
        picture.yPelsPerMeter = std::max(0, static_cast<int>(info->bmiHeader.biYPelsPerMeter));
    }
    return picture;
}

namespace {

bool HasOwnResolution(const PictureGeometry& picture) {
    return picture.xPelsPerMeter > 0 && picture.yPelsPerMeter > 0;
}

}  // namespace

void CLintraView::OnExportCad() {
    if (m_checkCadSource && m_pSegmentList->empty()) return m_ui.ShowMessage(kMsgNothingToExport, kAppTitle);
    if (m_checkCadSource && !SegmentsFromThisPicture())
        return m_ui.ShowMessage(kMsgVectorsFromOtherPicture, kAppTitle);
    const PictureGeometry picture = Geometry();
    // A picture that records its resolution starts from it each time; a dpi
    // typed over it holds for that picture only, so the next picture is
    // never scaled by the last one's resolution unseen.
    CadExportSettings chosen = m_cadSettings;
    if (HasOwnResolution(picture)) chosen.options.dpi = m_dpiTypedFor == m_pictureSerial ? m_typedDpi : 0;
    if (!m_ui.ChooseCadOptions(picture, chosen)) return;
    const double fallbackDpi = m_cadSettings.options.dpi;
    m_cadSettings = chosen;
    if (HasOwnResolution(picture)) {
        m_dpiTypedFor = chosen.options.dpi > 0 ? m_pictureSerial : 0;
        m_typedDpi = chosen.options.dpi;
        // The dpi kept for pictures without a resolution stays as it was.
        m_cadSettings.options.dpi = fallbackDpi;
    }
    std::optional<std::string> path = m_ui.ChooseSaveFile(CadFileDialog());
    if (!path) return;
    CadOptions options = chosen.options;
    options.strokeWidth = m_strokeWidth;
    cad::Drawing drawing = BuildCadDrawing(*m_pSegmentList, picture, options);
    // Measured whether or not it is turned back, so the report can say how
    // askew the page is.
    const cad::Skew skew = options.deskew ? cad::Deskew(drawing) : cad::MeasureSkew(drawing);
    try {
        if (IsSvgPath(*path))
            WriteCadSvg(*path, drawing);
        else
            WriteCadDxf(*path, drawing, chosen.version);
    } catch (const FileError& error) {
        m_ui.ReportFileError(error);
        return;
    } catch (const std::invalid_argument& error) {
        // A drawing no reader would accept is refused before the file is touched.
        m_ui.ShowMessage(FillPlaceholders(kMsgCadWriteFailed, {error.what()}), kAppTitle);
        return;
    }
    const CadScale scale = ScaleFor(options, picture);
    m_cadReport = {
        drawing.lines.size(),
        drawing.arcs.size(),
        drawing.circles.size(),
        drawing.polylines.size(),
        options.unit != cad::Unit::Pixel && (picture.xPelsPerMeter <= 0 || picture.yPelsPerMeter <= 0),
        options.unit == cad::Unit::Pixel ? 0.0 : (options.unit == cad::Unit::Inch ? 1.0 : 25.4) / scale.x,
        StrokeWidthOf(options, picture),
        ToleranceOf(options, picture),
        skew.found,
        skew.degrees,
        options.deskew && skew.found};
    ShowEntitySummary(m_ui, m_cadReport);
}

void CLintraView::OnShowCadDrawing() {
    // Another picture's drawing is not laid over this one.
    if (!m_showCadDrawing && !SegmentsFromThisPicture())
        return m_ui.ShowMessage(kMsgVectorsFromOtherPicture, kAppTitle);
    m_showCadDrawing = !m_showCadDrawing;
    Redraw();
}

const cad::Drawing& CLintraView::CadPreview() {
    std::uint64_t key = 0xcbf29ce484222325ull;
    for (const CLineSegment& s : *m_pSegmentList)
        key = Mix(Mix(key, (std::uint64_t(std::uint32_t(s.x1)) << 32) | std::uint32_t(s.y1)),
                  (std::uint64_t(std::uint32_t(s.x2)) << 32) | std::uint32_t(s.y2));
    std::uint64_t tolerance = 0;
    std::memcpy(&tolerance, &m_cadSettings.options.tolerance, sizeof tolerance);
    std::uint64_t width = 0;
    std::memcpy(&width, &m_strokeWidth, sizeof width);
    key = Mix(Mix(Mix(Mix(key, m_pSegmentList->size()), tolerance), m_cadSettings.options.fit), width);
    if (key != m_cadPreviewKey || m_cadPreview.sheetWidth != m_currentImage.GetWidth()) {
        CadOptions pixels = m_cadSettings.options;
        pixels.unit = cad::Unit::Pixel;
        pixels.strokeWidth = m_strokeWidth;
        PictureGeometry picture = Geometry();
        m_cadPreview = BuildCadDrawing(*m_pSegmentList, picture, pixels);
        m_cadPreviewKey = key;
    }
    return m_cadPreview;
}

void DrawCadPreview(Canvas& canvas, const cad::Drawing& drawing, int imageHeight) {
    canvas.SetPen(kCadPen);
    const int bottom = imageHeight + kDrawMargin - 1;
    for (const cad::Line& piece : StraightPieces(drawing, 0.25))
        canvas.DrawLine(static_cast<int>(std::lround(piece.from.x)) + kDrawMargin,
                        bottom - static_cast<int>(std::lround(piece.from.y)),
                        static_cast<int>(std::lround(piece.to.x)) + kDrawMargin,
                        bottom - static_cast<int>(std::lround(piece.to.y)));
}

}  // namespace lintra
