// The processing commands: one table of operations with their fixed
// arguments, run by the common handler pattern, and the two restores.
#include <algorithm>
#include <iterator>

#include "docview/commands.h"
#include "docview/view.h"
#include "raster/binarise.h"
#include "raster/cleanup.h"
#include "raster/contour.h"
#include "raster/edge.h"
#include "raster/thin.h"

namespace lintra {
namespace {

using Operation = void (*)(CLintraView& view, ImageView current, MessageSink& sink);

struct Processing {
    int id;
    Operation run;
};

constexpr Processing kProcessing[] = {
    {cmd::kEdgeSobel, [](CLintraView&, ImageView image, MessageSink&) { EdgeSobel(image); }},
    {cmd::kEdgeRoberts, [](CLintraView&, ImageView image, MessageSink&) { EdgeRoberts(image); }},
    {cmd::kEdgePrewitt, [](CLintraView&, ImageView image, MessageSink&) { EdgePrewitt(image); }},
    {cmd::kEdgeKirsch, [](CLintraView&, ImageView image, MessageSink&) { EdgeKirsch(image); }},
    {cmd::kEdgeGaussLaplace, [](CLintraView&, ImageView image, MessageSink&) { EdgeGaussLaplace(image); }},
    {cmd::kEdgeGradient, [](CLintraView&, ImageView image, MessageSink&) { EdgeGradient(image); }},
    {cmd::kBinariseGradient,
     [](CLintraView&, ImageView image, MessageSink&) { BinariseGradient(image, param::kMenuThreshold); }},
    {cmd::kBinariseThreshold,
     [](CLintraView&, ImageView image, MessageSink&) { BinariseThreshold(image, param::kMenuThreshold); }},
    {cmd::kBinariseIterative,
     [](CLintraView&, ImageView image, MessageSink&) {
         Histogram histogram{};
         ComputeHistogram(image, histogram);
         BinariseIterative(image, histogram);
     }},
    {cmd::kInvert, [](CLintraView&, ImageView image, MessageSink&) { InvertBlackWhite(image); }},
    {cmd::kRemoveBlackWhitePoints,
     [](CLintraView&, ImageView image, MessageSink&) { RemoveBlackWhitePoints(image); }},
    {cmd::kThin,
     [](CLintraView&, ImageView image, MessageSink&) {
         ThinImage(image);
         MakeBorderWhite(image);
     }},
    {cmd::kContour1, [](CLintraView&, ImageView image, MessageSink&) { ExtractContour1(image); }},
    {cmd::kContour2,
     [](CLintraView&, ImageView image, MessageSink&) {
         ExtractContour2(image);
         MakeBorderWhite(image);
     }},
    {cmd::kOutermostContour,
     [](CLintraView& view, ImageView image, MessageSink& sink) {
         TraceOuterContour(image, view.m_baseImage.View(), sink);
     }},
    {cmd::kRemoveShortBranches,
     [](CLintraView&, ImageView image, MessageSink&) {
         RemoveShortBranches(image, param::kMenuShortBranchPasses);
     }},
    {cmd::kRemoveSmallBlobs,
     [](CLintraView& view, ImageView image, MessageSink&) {
         RemoveSmallBlackBlobs(view.m_blobState, image, param::kMenuBlobArea);
     }},
    {cmd::kRemoveIsolatedPoints,
     [](CLintraView&, ImageView image, MessageSink&) {
         RemoveIsolatedPoints(image, param::kMenuIsolatedNeighbours);
     }},
    {cmd::kWhiteBorder, [](CLintraView&, ImageView image, MessageSink&) { MakeBorderWhite(image); }},
};

}  // namespace

bool CLintraView::OnProcess(int id) {
    auto it = std::find_if(std::begin(kProcessing), std::end(kProcessing),
                           [id](const Processing& p) { return p.id == id; });
    if (it == std::end(kProcessing)) return false;
    if (!HasImage()) return true;
    Dib::CopyPixels(m_previousImage, m_currentImage);
    it->run(*this, m_currentImage.View(), m_platform);
    m_pDisplayImage = &m_currentImage;
    Redraw();
    return true;
}

void CLintraView::OnRestoreOriginal() {
    if (!HasImage()) return;
    Dib::CopyPixels(m_currentImage, m_originalImage);
    m_pDisplayImage = &m_currentImage;
    Redraw();
}

void CLintraView::OnRestorePrevious() {
    if (!HasImage()) return;
    Dib::CopyPixels(m_currentImage, m_previousImage);
    Redraw();
}

}  // namespace lintra
