#include "docview/doc.h"

#include <fstream>

#include "docview/messages.h"
#include "formats/decode.h"
#include "formats/image_format.h"
#include "formats/read_picture.h"

namespace lintra {

FileDialogRequest BmpFileDialog() {
    return {"BMP", "*.BMP", {{"位图文件(*.BMP)", {"*.BMP"}}}, true};
}

FileDialogRequest OpenFileDialog() {
    FileDialogRequest request = BmpFileDialog();
    FileFilter all{"所有支持的图像", {}};
    std::vector<FileFilter> each;
    for (const FormatInfo& format : SupportedFormats()) {
        FileFilter one{"", {}};
        std::string patterns;
        for (const std::string& suffix : format.suffixes) {
            patterns += (one.patterns.empty() ? "*." : " *.") + suffix;
            one.patterns.push_back("*." + suffix);
            all.patterns.push_back("*." + suffix);
        }
        one.description = FillPlaceholders(kFilterFormatImages, {std::string(format.name), patterns});
        if (format.format != ImageFormat::Bmp) each.push_back(one);
    }
    std::vector<FileFilter> filters{all};
    filters.insert(filters.end(), each.begin(), each.end());
    filters.push_back(request.filters.front());
    request.filters = filters;
    return request;
}

namespace {

// The title of path: the path itself, or for a multi-page file the path
// with the page ("... - 第1页，共3页").
std::string TitleOf(const std::string& path, int page) {
    std::ifstream in(path, std::ios::binary);
    char head[kSignatureBytes] = {};
    in.read(head, sizeof head);
    auto bytes =
        std::span(reinterpret_cast<const std::uint8_t*>(head), static_cast<std::size_t>(in.gcount()));
    if (DetectFormat(bytes) != ImageFormat::Tiff) return path;
    int pages = TiffPageCount(path);
    if (pages < 2) return path;
    return FillPlaceholders(kTitleWithPage, {path, std::to_string(page), std::to_string(pages)});
}

}  // namespace

CLintraDoc::CLintraDoc(UserInterface& ui) : m_ui(ui) {}

void CLintraDoc::OnFileOpen() {
    std::optional<std::string> path = m_ui.ChooseOpenFile(OpenFileDialog());
    if (path) OpenPath(*path);
}

bool CLintraDoc::OpenPath(const std::string& path) {
    m_strFilePath = path;
    try {
        ReadPicture(m_dib, m_strFilePath, m_ui, m_readOptions);
    } catch (const FileError& error) {
        m_ui.ReportFileError(error);
        return false;
    }
    if (m_dib.m_bValid != 1) return false;
    m_bImageOpen = 1;
    m_bReloadPending = 1;
    m_ui.SetDocumentTitle(TitleOf(m_strFilePath, m_readOptions.page));
    m_ui.InvalidateView();
    return true;
}

}  // namespace lintra
