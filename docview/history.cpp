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

namespace {

// Deflates the width pixels of each row of picture, XORed with the same
// pixels of original when it is given.
std::vector<std::uint8_t> Deflate(ImageView picture, const ImageView* original) {
    std::vector<std::uint8_t> out;
    z_stream stream{};
    // Level 1: black-and-white pages and near-zero XORs pack tightly at the
    // fastest level; higher levels cost time on every command.
    if (deflateInit(&stream, Z_BEST_SPEED) != Z_OK) throw std::bad_alloc();
    std::vector<std::uint8_t> row(static_cast<std::size_t>(picture.width));
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(row.data(), picture.row(y), row.size());
        if (original != nullptr) {
            const std::uint8_t* with = original->row(y);
            for (std::size_t x = 0; x < row.size(); ++x) row[x] ^= with[x];
        }
        stream.next_in = row.data();
        stream.avail_in = static_cast<uInt>(row.size());
        const int flush = y + 1 == picture.height ? Z_FINISH : Z_NO_FLUSH;
        int result = Z_OK;
        do {
            const std::size_t used = out.size();
            out.resize(used + kChunk);
            stream.next_out = out.data() + used;
            stream.avail_out = static_cast<uInt>(kChunk);
            result = deflate(&stream, flush);
            out.resize(used + kChunk - stream.avail_out);
        } while (stream.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    }
    deflateEnd(&stream);
    out.shrink_to_fit();
    return out;
}

}  // namespace

std::shared_ptr<const StoredPicture> StoredPicture::Store(ImageView picture, ImageView original) {
    auto stored = std::make_shared<StoredPicture>();
    stored->m_width = picture.width;
    stored->m_height = picture.height;
    stored->m_hash = PixelHash(picture);
    if (picture.empty()) return stored;
    const bool comparable = original.width == picture.width && original.height == picture.height;
    // The picture as opened, or one of its restores: XORed it is all zeros.
    if (comparable && stored->m_hash == PixelHash(original)) {
        stored->m_deflated = Deflate(picture, &original);
        stored->m_againstOriginal = true;
        return stored;
    }
    stored->m_deflated = Deflate(picture, nullptr);
    // A grey picture deflates poorly as it is; one still close to the
    // picture as opened does better XORed with it. Black-and-white pages
    // (the usual case) never pay for the second try.
    const std::size_t pixels = static_cast<std::size_t>(picture.width) * picture.height;
    if (comparable && stored->m_deflated.size() > pixels / 8) {
        std::vector<std::uint8_t> xored = Deflate(picture, &original);
        if (xored.size() < stored->m_deflated.size()) {
            stored->m_deflated = std::move(xored);
            stored->m_againstOriginal = true;
        }
    }
    return stored;
}

void StoredPicture::RestoreInto(ImageView image, ImageView original) const {
    if (image.width != m_width || image.height != m_height)
        throw std::runtime_error("picture of another size");
    if (image.empty()) return;
    if (m_againstOriginal && (original.width != m_width || original.height != m_height))
        throw std::runtime_error("picture as opened of another size");
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) throw std::bad_alloc();
    stream.next_in = const_cast<std::uint8_t*>(m_deflated.data());
    stream.avail_in = static_cast<uInt>(m_deflated.size());
    int result = Z_OK;
    int y = 0;
    // Row by row straight into the image: no whole-picture buffer.
    for (; y < m_height; ++y) {
        std::uint8_t* row = image.row(y);
        stream.next_out = row;
        stream.avail_out = static_cast<uInt>(m_width);
        while (stream.avail_out != 0 && result == Z_OK) result = inflate(&stream, Z_NO_FLUSH);
        if (stream.avail_out != 0) break;
        if (m_againstOriginal) {
            const std::uint8_t* with = original.row(y);
            for (int x = 0; x < m_width; ++x) row[x] ^= with[x];
        }
    }
    inflateEnd(&stream);
    if (y != m_height || result != Z_STREAM_END) throw std::runtime_error("undo data damaged");
}

std::size_t UndoHistory::Bytes() const {
    std::vector<const void*> counted;
    std::size_t bytes = 0;
    auto count = [&](const void* shared, std::size_t size) {
        if (std::find(counted.begin(), counted.end(), shared) != counted.end()) return;
        counted.push_back(shared);
        bytes += size;
    };
    for (const HistoryEntry& entry : m_entries) {
        bytes += sizeof(HistoryEntry) + entry.step.values.capacity() * sizeof(int);
        for (const auto* picture : {entry.pictureBefore.get(), entry.pictureAfter.get()})
            if (picture != nullptr) count(picture, picture->Bytes());
        for (const auto* list : {entry.segmentsBefore.get(), entry.segmentsAfter.get()})
            if (list != nullptr) count(list, list->capacity() * sizeof(CLineSegment) + sizeof(SegmentList));
    }
    return bytes;
}

void UndoHistory::Clear(bool clean) {
    m_entries.clear();
    m_position = 0;
    m_dropped = 0;
    m_clean = clean ? 0 : -1;
}

void UndoHistory::Push(HistoryEntry entry) {
    while (m_entries.size() > m_position) m_entries.pop_back();
    // The saved state was one of the steps just dropped: nothing is clean now.
    if (m_clean > static_cast<std::ptrdiff_t>(m_position)) m_clean = -1;
    m_entries.push_back(std::move(entry));
    ++m_position;
    while (m_entries.size() > kMaxSteps || (m_entries.size() > kMinSteps && Bytes() > m_budget)) {
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
