// The undo history of the view: one entry per command that changed the
// picture or the segments, each holding the picture before and after it,
// deflated, rather than whole copies. A picture is kept either as it is or
// XORed with the picture as opened, whichever deflates smaller: a black and
// white page deflates to a few per cent of its size, and a picture close to
// the one opened (a restore, the grey scan before binarisation) to almost
// nothing. The picture after one step is the one before the next, and the
// two entries share it; segment lists are shared the same way and kept only
// for the steps that changed them. Every picture is stored whole, not as a
// difference from a neighbour, so any step is reached directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "image/dib.h"
#include "image/image_view.h"
#include "vector/segments/segment.h"

namespace lintra {

// The width pixels of every row of image, bottom row first, with no padding.
std::vector<std::uint8_t> CopyPixels(ImageView image);

// A 64-bit hash of the width pixels of every row.
std::uint64_t PixelHash(ImageView image);

// One picture of the history, deflated.
class StoredPicture {
public:
    // Keeps picture, as it is or XORed with original (the picture as
    // opened, of the same size), whichever deflates smaller. Throws
    // std::bad_alloc when zlib has no memory.
    static std::shared_ptr<const StoredPicture> Store(ImageView picture, ImageView original);

    // Writes the picture into image, which must have its size; original is
    // the one it was stored against. Throws std::runtime_error when image
    // has another size or the stored data does not inflate to the picture.
    void RestoreInto(ImageView image, ImageView original) const;

    std::size_t Bytes() const { return m_deflated.capacity() + sizeof(*this); }
    std::uint64_t Hash() const { return m_hash; }
    bool AgainstOriginal() const { return m_againstOriginal; }

private:
    std::vector<std::uint8_t> m_deflated;
    int m_width = 0;
    int m_height = 0;
    bool m_againstOriginal = false;  // XORed with the picture as opened
    std::uint64_t m_hash = 0;        // PixelHash of the picture
};

// What a step changed besides the pixels.
struct ViewState {
    std::int32_t vectorMode = 0;
    Dib* display = nullptr;             // the image drawn in bitmap mode
    std::uint64_t segmentsPicture = 0;  // the picture the segments were traced from
    double strokeWidth = 0;
};

// One undoable step: the command that made it, with the values it ran with.
struct HistoryStep {
    int id = 0;                // the command's row
    std::vector<int> values;   // values given in place of the fixed argument; a trackbar position
    std::uint64_t dialog = 0;  // parameter changes: the dialog they came through; 0 otherwise
};

struct HistoryEntry {
    HistoryStep step;
    std::shared_ptr<const StoredPicture> pictureBefore;
    std::shared_ptr<const StoredPicture> pictureAfter;
    ViewState before;
    ViewState after;
    // Set only when the step changed the segments.
    std::shared_ptr<const SegmentList> segmentsBefore;
    std::shared_ptr<const SegmentList> segmentsAfter;
};

// The entries and the position in them. Position p means the first p
// entries are applied: 0 is the picture as opened, Size() the newest step.
class UndoHistory {
public:
    // At least kMinSteps steps are always kept; older ones are dropped once
    // the history holds more than kMaxSteps or more than the byte budget.
    static constexpr std::size_t kMinSteps = 20;
    static constexpr std::size_t kMaxSteps = 100;
    static constexpr std::size_t kDefaultBudget = std::size_t{256} << 20;

    // Forgets every step. The picture now counts as saved when clean is true;
    // otherwise nothing is clean until the next MarkClean.
    void Clear(bool clean = true);
    // Adds entry after the current position, dropping the steps that could
    // have been redone, then the oldest ones beyond the limits.
    void Push(HistoryEntry entry);

    std::size_t Size() const { return m_entries.size(); }
    std::size_t Position() const { return m_position; }
    const HistoryEntry& At(std::size_t index) const { return m_entries[index]; }
    HistoryEntry& At(std::size_t index) { return m_entries[index]; }
    bool CanUndo() const { return m_position > 0; }
    bool CanRedo() const { return m_position < m_entries.size(); }
    void SetPosition(std::size_t position) { m_position = position; }

    // Bytes the entries hold, each shared picture and list counted once.
    std::size_t Bytes() const;
    void SetBudget(std::size_t bytes) { m_budget = bytes; }

    // The saved (or opened) state is the current position; IsClean() says
    // whether the position is back there. Once that state has been dropped
    // from the history no position is clean until the next MarkClean.
    void MarkClean() { m_clean = static_cast<std::ptrdiff_t>(m_position); }
    bool IsClean() const { return m_clean == static_cast<std::ptrdiff_t>(m_position); }

    // Entries dropped from the front since the last Clear: position p of the
    // history is step p + Dropped() since the picture was opened.
    std::size_t Dropped() const { return m_dropped; }

private:
    std::deque<HistoryEntry> m_entries;
    std::size_t m_position = 0;
    std::size_t m_budget = kDefaultBudget;
    std::size_t m_dropped = 0;
    std::ptrdiff_t m_clean = 0;
};

// The steps from the picture as opened up to the current position as a
// lintra-batch command line: the program, the picture's path (quoted for a
// POSIX shell), then each step's name, with "=values" where it ran with
// values. A dialog's trackbar positions are one step with the last one, as
// each position is re-applied to the same base. Returns an empty string when
// steps have been dropped from the front, as the line could not repeat them.
std::string BatchCommandLine(const UndoHistory& history, const std::string& picturePath);

// Single quotes around text for a POSIX shell, a quote inside it spelt '\''.
std::string ShellQuote(const std::string& text);

}  // namespace lintra
