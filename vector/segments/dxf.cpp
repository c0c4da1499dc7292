#include "vector/segments/dxf.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "base/atomic_file.h"

namespace lintra {

namespace {

// Builds the text in one block: fixed pieces copied, numbers formatted in
// place. Every line ends with CR LF, the line break of a file written in text
// mode, which CAD programs on every platform read.
class DxfWriter {
public:
    explicit DxfWriter(std::size_t capacity) { m_text.resize(capacity); }

    // piece is given with "\n" line breaks; each is written as CR LF.
    void Put(std::string_view piece) {
        Reserve(2 * piece.size());
        for (char c : piece) {
            if (c == '\n') m_text[m_used++] = '\r';
            m_text[m_used++] = c;
        }
    }
    // piece is given with its CR LF line breaks.
    void PutRaw(std::string_view piece) {
        Reserve(piece.size());
        std::memcpy(m_text.data() + m_used, piece.data(), piece.size());
        m_used += piece.size();
    }
    // The value and a line break.
    void PutNumber(int value) {
        Reserve(16);
        char* at = m_text.data() + m_used;
        at = std::to_chars(at, at + 12, value).ptr;
        *at++ = '\r';
        *at++ = '\n';
        m_used = static_cast<std::size_t>(at - m_text.data());
    }
    // The lines "<codeX>", "<x>", "<codeY>", "<y>" of one point.
    void PutPoint(std::string_view codeX, int x, std::string_view codeY, int y) {
        PutRaw(codeX);
        PutNumber(x);
        PutRaw(codeY);
        PutNumber(y);
    }
    std::string Take() {
        m_text.resize(m_used);
        return std::move(m_text);
    }

private:
    void Reserve(std::size_t more) {
        if (m_text.size() - m_used < more) m_text.resize(2 * m_text.size() + more);
    }

    std::string m_text;
    std::size_t m_used = 0;
};

}  // namespace

std::string DxfText(const SegmentList& segments, int width, int height) {
    // A LINE entity takes at most 22 fixed bytes, 8 code lines of 4 bytes
    // and four numbers of 11 characters with their line breaks: 110 bytes.
    DxfWriter out(256 + segments.size() * 110);
    out.Put("0\nSECTION\n2\nHEADER\n9\n$LIMMIN\n");
    out.PutPoint("10\r\n", 0, "20\r\n", 0);
    out.Put("9\n$LIMMAX\n");
    out.PutPoint("10\r\n", width, "20\r\n", height);
    out.Put("0\nENDSEC\n");
    out.Put("0\nSECTION\n2\nENTITIES\n");
    for (const CLineSegment& segment : segments) {
        out.PutRaw("0\r\nLINE\r\n8\r\nVorlak\r\n");
        out.PutPoint("10\r\n", segment.x1, "20\r\n", segment.y1);
        out.PutPoint("11\r\n", segment.x2, "21\r\n", segment.y2);
    }
    out.Put("0\nENDSEC\n0\nEOF");
    return out.Take();
}

void WriteDxf(const std::string& path, const SegmentList& segments, int width, int height) {
    std::string text = DxfText(segments, width, height);
    WriteFileAtomically(path, {Bytes(text.data(), text.size())});
}

}  // namespace lintra
