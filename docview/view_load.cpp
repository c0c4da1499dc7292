// Loading the document's pending image into the view's five images: 8-bit
// files as they are, 24-bit files through the converter and grey levels.
#include <fstream>
#include <new>

#include "docview/messages.h"
#include "docview/view.h"
#include "formats/read_picture.h"
#include "image/bmp_messages.h"
#include "platform/directories.h"

namespace lintra {

void CLintraView::LoadPendingImage() {
    if (m_doc.m_bReloadPending == 0) return;
    try {
        switch (m_doc.m_dib.GetBitCount()) {
            case 8:
                Load8Bit();
                break;
            case 24:
                Load24Bit();
                break;
            default:
                FailLoad(kMsgUnsupportedDepth);
                break;
        }
    } catch (const FileError& error) {
        // The next drawing pass repeats the whole load.
        m_ui.ReportFileError(error);
    } catch (const std::bad_alloc&) {
        FailLoad(kMsgNoMemory);
    }
}

void CLintraView::FailLoad(const char* message) {
    if (message != nullptr) m_ui.ShowMessage(message, kAppTitle);
    m_doc.m_bReloadPending = 0;
    m_doc.m_bImageOpen = 0;
}

namespace {

// The bit count in the header of the BMP file at path; 0 when the file
// cannot be read that far or is no BMP file (the full read reports that).
int PeekBitCount(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[30];
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return 0;
    if (header[0] != 'B' || header[1] != 'M') return 0;
    return header[28] | header[29] << 8;
}

}  // namespace

// Reads path with options into the current image, applies convert to it
// when given, and copies it into the original, work and previous images
// (the base is copied from the original when first needed). A file the
// reader now refuses (changed on disk since the Open) ends the load like a
// bad depth, with the reader's own message; a file that is no longer 8-bit
// ends it with otherDepth before any image is touched, so the five keep what
// they held.
bool CLintraView::ReadViewImages(const std::string& path, const char* otherDepth, const ReadOptions& options,
                                 void (*convert)(Dib&)) {
    int bits = PeekBitCount(path);
    if (bits != 0 && bits != 8) {
        FailLoad(otherDepth);
        return false;
    }
    // One read (a decode, for the formats beside BMP), then copies: all five
    // hold the same picture.
    ReadPicture(m_currentImage, path, m_ui, options);
    if (m_currentImage.m_bValid != 1) {
        FailLoad(nullptr);
        return false;
    }
    if (m_currentImage.GetBitCount() != 8) {
        FailLoad(otherDepth);
        return false;
    }
    // Converted once: the copies then hold the converted pixels and table.
    if (convert != nullptr) convert(m_currentImage);
    for (Dib* dib : {&m_originalImage, &m_workImage, &m_previousImage})
        if (!dib->CopyImage(m_currentImage)) throw std::bad_alloc();
    // The base follows from the original when first needed; the last
    // picture's goes now.
    Dib none;
    m_baseImage.TakeImage(none);
    m_basePending = true;
    return true;
}

void CLintraView::FinishLoad(Dib* display) {
    m_pDisplayImage = display;
    m_doc.m_bReloadPending = 0;
    m_pSegmentList = &m_doc.m_segmentList;
    m_grid.Reset(m_currentImage.GetWidth(), m_currentImage.GetHeight());
    m_strokeWidth = 0;
    // A preview of the trace belongs to the picture it was worked out on.
    m_tracePreview.reset();
    ++m_pictureSerial;
    // Steps of another picture cannot be undone on this one.
    m_history.Clear();
    m_storedCurrent.reset();
    m_storedSegments.reset();
    HistoryChanged();
}

void CLintraView::Load8Bit() {
    m_grid = LabelGrid();
    m_pDisplayImage = &m_doc.m_dib;
    if (!ReadViewImages(m_doc.m_strFilePath, kMsgUnsupportedDepth, m_doc.m_readOptions)) return;
    FinishLoad(&m_doc.m_dib);
}

void CLintraView::Load24Bit() {
    m_grid = LabelGrid();
    // A folder of our own for the converter's file: nobody else can
    // pre-create or swap "temp.bmp", and it goes with everything in it
    // however the load ends.
    PrivateTempFolder folder(m_converter.TempDirectory());
    std::string temp = folder.path() + "/" + kConverterTempName;
    // Only the converter reads this file, at once, and it goes with the folder.
    m_doc.m_dib.Write(temp, Flush::No);
    std::string converter = m_converter.ProgramDirectory() + "/" + kConverterName;
    if (m_converter.Run(converter, {temp, temp}, m_converterTimeout) != ProcessOutcome::Succeeded) {
        FailLoad(kMsgPalettorFailed);
        return;
    }
    // The converter's table is turned into grey levels below, as always.
    ReadOptions converted = m_doc.m_readOptions;
    converted.greyLevels = false;
    converted.page = 1;
    if (!ReadViewImages(temp, kMsgPalettorFailed, converted, Dib::ConvertToGrey)) return;
    FinishLoad(&m_currentImage);
}

}  // namespace lintra
