#include "docview/doc.h"

#include <fstream>

#include "image/decode.h"
#include "image/image_format.h"

namespace lintra {

FileDialogRequest BmpFileDialog() {
    return {"BMP", "*.BMP", {{"位图文件(*.BMP)", {"*.BMP"}}}, true};
}

FileDialogRequest OpenFileDialog() {
    FileDialogRequest request = BmpFileDialog();
    FileFilter all{"所有支持的图像", {}};
    std::vector<FileFilter> each;
    for (const FormatInfo& format : SupportedFormats()) {
        FileFilter one{std::string(format.name) + "图像(", {}};
        for (const std::string& suffix : format.suffixes) {
            one.description += (one.patterns.empty() ? "*." : " *.") + suffix;
            one.patterns.push_back("*." + suffix);
            all.patterns.push_back("*." + suffix);
        }
        one.description += ")";
        if (format.format != ImageFormat::Bmp) each.push_back(one);
    }
    std::vector<FileFilter> filters{all};
    filters.insert(filters.end(), each.begin(), each.end());
    filters.push_back(request.filters.front());
    request.filters = filters;
    return request;
}

namespace {

// " - 第1页，共3页" after the path of a multi-page file, nothing otherwise.
std::string PageTitle(const std::string& path, int page) {
    std::ifstream in(path, std::ios::binary);
    char head[kSignatureBytes] = {};
    in.read(head, sizeof head);
    auto bytes =
        std::span(reinterpret_cast<const std::uint8_t*>(head), static_cast<std::size_t>(in.gcount()));
    if (DetectFormat(bytes) != ImageFormat::Tiff) return {};
    int pages = TiffPageCount(path);
    if (pages < 2) return {};
    return " - 第" + std::to_string(page) + "页，共" + std::to_string(pages) + "页";
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
        m_dib.Read(m_strFilePath, m_ui, m_readOptions);
    } catch (const FileError& error) {
        m_ui.ReportFileError(error);
        return false;
    }
    if (m_dib.m_bValid != 1) return false;
    m_bImageOpen = 1;
    m_bReloadPending = 1;
    m_ui.SetDocumentTitle(m_strFilePath + PageTitle(m_strFilePath, m_readOptions.page));
    m_ui.InvalidateView();
    return true;
}

}  // namespace lintra
