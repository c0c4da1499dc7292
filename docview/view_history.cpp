// The undo history of the view: recording each step that changes the
// picture or the segments, undoing and redoing them, and the status note
// that says what a step did.
#include <algorithm>
#include <new>

#include "docview/messages.h"
#include "docview/view.h"

namespace lintra {
namespace {

// The commands whose work is taking black pieces away: their note counts
// the pieces that went.
bool RemovesPieces(int id) {
    using namespace cmd;
    return id == kRemoveSmallBlobs || id == kParamSmallBlobs || id == kRemoveShortBranches ||
           id == kParamShortBranches || id == kRemoveIsolatedPoints;
}

struct Removed {
    std::size_t pieces = 0;
    std::size_t pixels = 0;
};

// The black pixels of before that are no longer black in now, and the
// 8-connected pieces they form: a removed blob is one piece, a pruned
// branch one chain.
Removed CountRemoved(const std::vector<std::uint8_t>& before, ImageView now) {
    Removed removed;
    const int width = now.width;
    auto gone = [&](int x, int y) {
        return before[static_cast<std::size_t>(y) * width + x] == 0 && now.row(y)[x] != 0;
    };
    std::vector<bool> seen(before.size());
    std::vector<std::size_t> stack;
    for (int y = 0; y < now.height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t start = static_cast<std::size_t>(y) * width + x;
            if (seen[start] || !gone(x, y)) continue;
            ++removed.pieces;
            seen[start] = true;
            stack.push_back(start);
            while (!stack.empty()) {
                const std::size_t at = stack.back();
                stack.pop_back();
                ++removed.pixels;
                const int px = static_cast<int>(at % width), py = static_cast<int>(at / width);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = px + dx, ny = py + dy;
                        if (!now.contains(nx, ny)) continue;
                        const std::size_t next = static_cast<std::size_t>(ny) * width + nx;
                        if (seen[next] || !gone(nx, ny)) continue;
                        seen[next] = true;
                        stack.push_back(next);
                    }
            }
        }
    return removed;
}

std::size_t CountChanged(const std::vector<std::uint8_t>& before, ImageView now) {
    std::size_t changed = 0;
    for (int y = 0; y < now.height; ++y) {
        const std::uint8_t* was = before.data() + static_cast<std::size_t>(y) * now.width;
        const std::uint8_t* is = now.row(y);
        for (int x = 0; x < now.width; ++x) changed += was[x] != is[x];
    }
    return changed;
}

}  // namespace

ViewState CLintraView::CaptureState() const {
    return {m_bVectorMode, m_pDisplayImage, m_segmentsPicture, m_strokeWidth};
}

void CLintraView::RestoreState(const ViewState& state) {
    m_bVectorMode = state.vectorMode;
    m_pDisplayImage = state.display;
    m_segmentsPicture = state.segmentsPicture;
    m_strokeWidth = state.strokeWidth;
}

void CLintraView::HistoryChanged() {
    if (onHistoryChanged) onHistoryChanged();
}

std::shared_ptr<const StoredPicture> CLintraView::StoreCurrent() {
    // The picture after the last step is the one before this step, unless
    // something the history did not see changed it since.
    if (m_storedCurrent && m_storedCurrent->Hash() == PixelHash(m_currentImage.View()))
        return m_storedCurrent;
    m_storedCurrent = StoredPicture::Store(m_currentImage.View(), m_originalImage.View());
    return m_storedCurrent;
}

void CLintraView::Recorded(const Command& command, HistoryStep step, const std::function<void()>& run) {
    if (!m_recordHistory || m_recording > 0) {
        run();
        return;
    }
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
    } depth(m_recording);

    const bool vectorisation = command.kind == CommandKind::Vectorisation;
    HistoryEntry entry;
    std::vector<std::uint8_t> before;  // for the status note of a raster step
    try {
        entry.pictureBefore = StoreCurrent();
        entry.before = CaptureState();
        if (!vectorisation) before = CopyPixels(m_currentImage.View());
    } catch (const std::bad_alloc&) {
        // No room to keep the step: the command still runs, and the history
        // before it can no longer be reached.
        m_history.Clear(false);
        m_storedCurrent.reset();
        HistoryChanged();
        run();
        return;
    }
    // Only the vectorisations touch the segments.
    std::shared_ptr<const SegmentList> segmentsBefore;
    if (vectorisation)
        segmentsBefore = m_storedSegments && *m_storedSegments == *m_pSegmentList
                             ? m_storedSegments
                             : std::make_shared<const SegmentList>(*m_pSegmentList);
    run();
    try {
        entry.step = std::move(step);
        entry.after = CaptureState();
        if (segmentsBefore && *segmentsBefore != *m_pSegmentList) {
            entry.segmentsBefore = std::move(segmentsBefore);
            entry.segmentsAfter = m_storedSegments = std::make_shared<const SegmentList>(*m_pSegmentList);
        }
        ReportStep(command, before);
        // A step that left the picture as it was shares its stored form.
        if (PixelHash(m_currentImage.View()) != entry.pictureBefore->Hash())
            m_storedCurrent = StoredPicture::Store(m_currentImage.View(), m_originalImage.View());
        entry.pictureAfter = m_storedCurrent;
        m_history.Push(std::move(entry));
    } catch (const std::bad_alloc&) {
        m_history.Clear(false);
        m_storedCurrent.reset();
    }
    HistoryChanged();
}

void CLintraView::ReportStep(const Command& command, const std::vector<std::uint8_t>& before) {
    if (command.kind == CommandKind::Vectorisation) {
        m_ui.ShowStatus(kStatusSegments, {std::to_string(m_pSegmentList->size())});
        return;
    }
    const ImageView now = m_currentImage.View();
    const bool vectorShown = m_bVectorMode == 1;
    auto show = [&](const StatusNote& note, const std::vector<std::string>& args) {
        m_ui.ShowStatus(vectorShown ? note.vectorShown : note.plain, args);
    };
    if (command.id == cmd::kBinariseIterative && m_iterativeThreshold >= 0) {
        show(kStatusThreshold, {std::to_string(m_iterativeThreshold)});
    } else if (RemovesPieces(command.id)) {
        const Removed removed = CountRemoved(before, now);
        show(kStatusRemoved, {std::to_string(removed.pieces), std::to_string(removed.pixels)});
    } else {
        show(kStatusChanged, {std::to_string(CountChanged(before, now))});
    }
}

void CLintraView::OnEditUndo() {
    if (m_history.CanUndo()) GoToStep(m_history.Position() - 1);
}

void CLintraView::OnEditRedo() {
    if (m_history.CanRedo()) GoToStep(m_history.Position() + 1);
}

void CLintraView::GoToStep(std::size_t position) {
    if (!HasImage() || position > m_history.Size() || position == m_history.Position()) return;
    // Back to a step: the picture that the step after it started from;
    // forward: the picture the step itself left. The two differ only when
    // something the history did not see changed the picture between them.
    const std::shared_ptr<const StoredPicture> picture = position < m_history.Position()
                                                             ? m_history.At(position).pictureBefore
                                                             : m_history.At(position - 1).pictureAfter;
    // The segments and the display state step by step; the picture, stored
    // whole, straight from the step reached.
    while (m_history.Position() > position) {
        const HistoryEntry& entry = m_history.At(m_history.Position() - 1);
        if (entry.segmentsBefore) *m_pSegmentList = *(m_storedSegments = entry.segmentsBefore);
        RestoreState(entry.before);
        m_history.SetPosition(m_history.Position() - 1);
    }
    while (m_history.Position() < position) {
        const HistoryEntry& entry = m_history.At(m_history.Position());
        if (entry.segmentsAfter) *m_pSegmentList = *(m_storedSegments = entry.segmentsAfter);
        RestoreState(entry.after);
        m_history.SetPosition(m_history.Position() + 1);
    }
    picture->RestoreInto(m_currentImage.View(), m_originalImage.View());
    m_storedCurrent = picture;
    m_ui.ShowStatus(kStatusHistoryAt, {std::to_string(m_history.Position() + m_history.Dropped()),
                                       std::to_string(m_history.Size() + m_history.Dropped())});
    HistoryChanged();
    Redraw();
}

}  // namespace lintra
