// Helpers for the Palettor tests: building BMP bytes, running the built
// program and reading what it wrote.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace lintra::palettor::test {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

struct Bgr {
    unsigned char b, g, r;
};

inline void Put16(Bytes& out, std::size_t at, std::uint32_t v) {
    out[at] = v & 0xff;
    out[at + 1] = v >> 8 & 0xff;
}
inline void Put32(Bytes& out, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out[at + k] = v >> (8 * k) & 0xff;
}
inline std::uint32_t Get16(const Bytes& in, std::size_t at) {
    return in.at(at) | in.at(at + 1) << 8;
}
inline std::uint32_t Get32(const Bytes& in, std::size_t at) {
    return in.at(at) | in.at(at + 1) << 8 | in.at(at + 2) << 16 |
           static_cast<std::uint32_t>(in.at(at + 3)) << 24;
}

// How a test source is laid out on disk.
struct SourceOptions {
    std::uint32_t infoHeaderSize = 40;  // the info header is padded with zeros beyond 40 bytes
    std::size_t gap = 0;                // bytes between the headers and the pixels (a colour table)
    bool topDown = false;
    std::uint32_t clrUsed = 0;
    unsigned char paddingByte = 0;  // value of the row padding bytes
    Bytes trailer;                  // bytes after the pixel array
};

// A 24-bit BMP file of width x height pixels given top row first, left to right.
inline Bytes Make24BitBmp(int width, int height, const std::vector<Bgr>& topFirst,
                          const SourceOptions& o = {}) {
    const std::size_t stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
    const std::size_t offset = 14 + o.infoHeaderSize + o.gap;
    Bytes file(offset + stride * height, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, static_cast<std::uint32_t>(file.size() + o.trailer.size()));
    Put32(file, 10, static_cast<std::uint32_t>(offset));
    Put32(file, 14, o.infoHeaderSize);
    Put32(file, 18, static_cast<std::uint32_t>(width));
    Put32(file, 22, static_cast<std::uint32_t>(o.topDown ? -height : height));
    Put16(file, 26, 1);
    Put16(file, 28, 24);
    Put32(file, 34, static_cast<std::uint32_t>(stride * height));
    Put32(file, 38, 2835);
    Put32(file, 42, 2835);
    Put32(file, 46, o.clrUsed);
    for (std::size_t k = 54; k < offset; ++k) file[k] = static_cast<unsigned char>(k * 7);  // not pixels
    for (int row = 0; row < height; ++row) {
        const int stored = o.topDown ? row : height - 1 - row;  // row counts from the top
        unsigned char* dst = file.data() + offset + stored * stride;
        for (int x = 0; x < width; ++x) {
            const Bgr& p = topFirst.at(static_cast<std::size_t>(row) * width + x);
            dst[3 * x] = p.b;
            dst[3 * x + 1] = p.g;
            dst[3 * x + 2] = p.r;
        }
        for (std::size_t k = 3 * width; k < stride; ++k) dst[k] = o.paddingByte;
    }
    file.insert(file.end(), o.trailer.begin(), o.trailer.end());
    return file;
}

inline Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string PalettorPath() {
    return std::string(LINTRA_BIN_DIR) + "/Palettor";
}

struct RunResult {
    int status = -1000;  // exit status 0..255, or minus the signal that ended the program
    std::string output;  // everything written to standard output
};

// Runs a shell command line and collects its standard output and status.
inline RunResult RunShell(const std::string& command) {
    RunResult result;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
    const int raw = pclose(pipe);
    if (WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) result.status = -WTERMSIG(raw);
    return result;
}

// Runs Palettor with the given arguments, each quoted.
inline RunResult RunPalettor(const std::vector<std::string>& args, const std::string& prefix = "") {
    std::string command = prefix + Quote(PalettorPath());
    for (const std::string& a : args) command += " " + Quote(a);
    return RunShell(command);
}

// The stdout of a conversion that got through reading.
inline std::string ReadMessages(const std::string& source, const std::string& last4, long extra = 0) {
    std::string text = "file " + source + " open success.\n";
    text += "last 4 byte of color Data:" + last4 + "\n";
    if (extra) text += std::to_string(extra) + " bytes not read in file.\n";
    return text + "read file over.\nfile close.\n";
}

// A fresh folder for one test, removed afterwards.
class TempDir {
public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = fs::temp_directory_path() / ("palettor_" + std::to_string(getpid()) + "_" +
                                              info->test_suite_name() + "_" + info->name());
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

}  // namespace lintra::palettor::test
