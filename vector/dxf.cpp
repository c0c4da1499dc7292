#include "vector/dxf.h"

#include "image/atomic_file.h"

namespace lintra {

namespace {

// Appends piece with every "\n" written as CR LF, the line break of a file
// written in text mode, which CAD programs on every platform read.
void Put(std::string& text, std::string_view piece) {
    for (char c : piece) {
        if (c == '\n') text += '\r';
        text += c;
    }
}

// The pair "<code x>\n<x>\n<code y>\n<y>\n" of one point.
void PutPoint(std::string& text, const char* codeX, int x, const char* codeY, int y) {
    Put(text, std::string(codeX) + "\n" + std::to_string(x) + "\n" + codeY + "\n" + std::to_string(y) + "\n");
}

}  // namespace

std::string DxfText(const SegmentList& segments, int width, int height) {
    std::string text;
    text.reserve(128 + segments.size() * 48);
    Put(text, "0\nSECTION\n2\nHEADER\n9\n$LIMMIN\n");
    PutPoint(text, "10", 0, "20", 0);
    Put(text, "9\n$LIMMAX\n");
    PutPoint(text, "10", width, "20", height);
    Put(text, "0\nENDSEC\n");
    Put(text, "0\nSECTION\n2\nENTITIES\n");
    for (const CLineSegment& segment : segments) {
        Put(text, "0\nLINE\n8\nVorlak\n");
        PutPoint(text, "10", segment.x1, "20", segment.y1);
        PutPoint(text, "11", segment.x2, "21", segment.y2);
    }
    Put(text, "0\nENDSEC\n0\nEOF");
    return text;
}

void WriteDxf(const std::string& path, const SegmentList& segments, int width, int height) {
    std::string text = DxfText(segments, width, height);
    WriteFileAtomically(path, {Bytes(text.data(), text.size())});
}

}  // namespace lintra
