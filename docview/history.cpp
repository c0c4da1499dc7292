#include "docview/history.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "docview/commands.h"

namespace lintra {
namespace {

// zlib's own unit of work: the output is taken in pieces of this size, so no
// whole-image bound is ever allocated beside the delta.
constexpr std::size_t kChunk = std::size_t{1} << 16;

std::size_t PixelCount(ImageView image) {
    return image.empty() ? 0 : static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
}

}  // namespace

std::vector<std::uint8_t> CopyPixels(ImageView image) {
    std::vector<std::uint8_t> pixels(PixelCount(image));
    for (int y = 0; y < image.height && !pixels.empty(); ++y)
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * image.width, image.row(y), image.width);
    return pixels;
}

std::uint64_t PixelHash(ImageView image) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(image.width) << 32 ^
                         static_cast<std::uint32_t>(image.height);
    for (int y = 0; y < image.height && !image.empty(); ++y) {
        const std::uint8_t* row = image.row(y);
        int x = 0;
        for (; x + 8 <= image.width; x += 8) {
            std::uint64_t word;
            std::memcpy(&word, row + x, 8);
            hash = (hash ^ word) * 0x100000001B3ull;
            hash ^= hash >> 29;
        }
        for (; x < image.width; ++x) hash = (hash ^ row[x]) * 0x100000001B3ull;
    }
    return hash;
}

PixelDelta PixelDelta::Between(std::vector<std::uint8_t>&& before, ImageView after) {
    if (before.size() != PixelCount(after)) throw std::invalid_argument("pixel delta of two sizes");
    PixelDelta delta;
    delta.m_size = before.size();
    delta.m_width = after.width;
    delta.m_height = after.height;
    bool changed = false;
    for (int y = 0; y < after.height && delta.m_size != 0; ++y) {
        std::uint8_t* out = before.data() + static_cast<std::size_t>(y) * after.width;
        const std::uint8_t* in = after.row(y);
        std::uint8_t any = 0;
        for (int x = 0; x < after.width; ++x) {
            out[x] ^= in[x];
            any |= out[x];
        }
        changed = changed || any != 0;
    }
    delta.m_unchanged = !changed;
    if (!changed) return delta;

    z_stream stream{};
    // Level 1: a step's XOR is mostly runs of zeros, which the fastest level
    // already packs tightly; higher levels cost time on every command.
    if (deflateInit(&stream, Z_BEST_SPEED) != Z_OK) throw std::bad_alloc();
    stream.next_in = before.data();
    std::size_t left = before.size();
    int result = Z_OK;
    do {
        // avail_in is 32 bits: a page larger than 4 GB goes in pieces.
        const std::size_t piece = std::min<std::size_t>(left, 1u << 30);
        stream.avail_in = static_cast<uInt>(piece);
        left -= piece;
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            const std::size_t used = delta.m_deflated.size();
            delta.m_deflated.resize(used + kChunk);
            stream.next_out = delta.m_deflated.data() + used;
            stream.avail_out = static_cast<uInt>(kChunk);
            result = deflate(&stream, flush);
            delta.m_deflated.resize(used + kChunk - stream.avail_out);
        } while (stream.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    } while (left != 0);
    deflateEnd(&stream);
    delta.m_deflated.shrink_to_fit();
    return delta;
}

void PixelDelta::ApplyTo(ImageView image) const {
    if (image.width != m_width || image.height != m_height)
        throw std::runtime_error("pixel delta applied to another size");
    if (m_unchanged) return;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) throw std::bad_alloc();
    stream.next_in = const_cast<std::uint8_t*>(m_deflated.data());
    stream.avail_in = static_cast<uInt>(m_deflated.size());
    std::vector<std::uint8_t> chunk(kChunk);
    std::size_t offset = 0;  // pixels XORed so far, row after row
    int result = Z_OK;
    while (result != Z_STREAM_END) {
        stream.next_out = chunk.data();
        stream.avail_out = static_cast<uInt>(chunk.size());
        result = inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END) break;
        const std::size_t got = chunk.size() - stream.avail_out;
        if (got > m_size - offset) {
            result = Z_DATA_ERROR;
            break;
        }
        for (std::size_t i = 0; i < got; ++i, ++offset)
            image.row(static_cast<int>(offset / image.width))[offset % image.width] ^= chunk[i];
        if (got == 0 && result == Z_OK && stream.avail_in == 0) {
            result = Z_DATA_ERROR;
            break;
        }
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END || offset != m_size) throw std::runtime_error("undo data damaged");
}

std::size_t HistoryEntry::Bytes() const {
    std::size_t bytes = sizeof(HistoryEntry) + pixels.Bytes() + step.values.capacity() * sizeof(int);
    for (const std::optional<SegmentList>* list : {&segmentsBefore, &segmentsAfter})
        if (*list) bytes += (*list)->capacity() * sizeof(CLineSegment);
    return bytes;
}

void UndoHistory::Clear(bool clean) {
    m_entries.clear();
    m_position = 0;
    m_bytes = 0;
    m_dropped = 0;
    m_clean = clean ? 0 : -1;
}

void UndoHistory::Push(HistoryEntry entry) {
    while (m_entries.size() > m_position) {
        m_bytes -= m_entries.back().Bytes();
        m_entries.pop_back();
    }
    // The saved state was one of the steps just dropped: nothing is clean now.
    if (m_clean > static_cast<std::ptrdiff_t>(m_position)) m_clean = -1;
    m_bytes += entry.Bytes();
    m_entries.push_back(std::move(entry));
    ++m_position;
    while (m_entries.size() > kMaxSteps || (m_bytes > m_budget && m_entries.size() > kMinSteps)) {
        m_bytes -= m_entries.front().Bytes();
        m_entries.pop_front();
        --m_position;
        ++m_dropped;
        m_clean = m_clean > 0 ? m_clean - 1 : -1;
    }
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string BatchCommandLine(const UndoHistory& history, const std::string& picturePath) {
    if (history.Dropped() != 0) return {};
    std::vector<std::string> words;
    std::uint64_t lastDialog = 0;
    for (std::size_t i = 0; i < history.Position(); ++i) {
        const HistoryStep& step = history.At(i).step;
        const Command* command = FindCommand(step.id);
        if (command == nullptr || command->name.empty()) continue;
        std::string word(command->name);
        for (std::size_t v = 0; v < step.values.size(); ++v)
            word += (v == 0 ? "=" : ",") + std::to_string(step.values[v]);
        // Every position of one dialog re-applies to the same base: the last
        // one stands for them all.
        if (step.dialog != 0 && step.dialog == lastDialog && !words.empty())
            words.back() = word;
        else
            words.push_back(word);
        lastDialog = step.dialog;
    }
    std::string line = "lintra-batch " + ShellQuote(picturePath);
    for (const std::string& word : words) line += " " + word;
    return line;
}

}  // namespace lintra
