// Compares a row kernel with the row rule it stands for: on every row width
// from 1 to kMaxRowWidth and rows of several kinds, the kernel for the bulk
// of a row and the rule for the rest must leave exactly what the rule leaves
// alone, and the kernel must have done all but the last few pixels.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "support/padded_image.h"

namespace lintra::row_testing {

inline constexpr int kMaxRowWidth = 130;
// Bytes after an output row that must keep the sentinel.
inline constexpr int kSlack = 32;
// A kernel leaves the rule fewer pixels than its sixteen-pixel step plus the
// border pixels the row rule skips.
inline constexpr int kMostLeftToRule = 18;

enum class RowKind { kRandom, kBlack, kWhite, kGrey, kBlackWhite, kBlackWhiteGrey, kEachRowOneValue };
inline constexpr RowKind kRowKinds[] = {
    RowKind::kRandom,     RowKind::kBlack,          RowKind::kWhite,          RowKind::kGrey,
    RowKind::kBlackWhite, RowKind::kBlackWhiteGrey, RowKind::kEachRowOneValue};

inline int Uniform(std::mt19937& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}

// Sixteen input rows of exactly `width` bytes each, so that a sanitizer
// catches a read past a row. kBlackWhiteGrey also holds the short-branch
// mark 123; kEachRowOneValue gives each row one of 0, 255 or a grey.
struct Rows {
    Rows(RowKind kind, int width, std::mt19937& rng) {
        const int grey = Uniform(rng, 1, 254), density = Uniform(rng, 0, 100);
        const int oneValue[3] = {0, 255, grey};
        for (auto& row : bytes) {
            const int rowValue = oneValue[Uniform(rng, 0, 2)];
            row.resize(static_cast<std::size_t>(width));
            for (std::uint8_t& v : row) {
                const int r = Uniform(rng, 0, 99);
                switch (kind) {
                    case RowKind::kRandom:
                        v = static_cast<std::uint8_t>(Uniform(rng, 0, 255));
                        break;
                    case RowKind::kBlack:
                        v = 0;
                        break;
                    case RowKind::kWhite:
                        v = 255;
                        break;
                    case RowKind::kGrey:
                        v = static_cast<std::uint8_t>(grey);
                        break;
                    case RowKind::kBlackWhite:
                        v = r < density ? 0 : 255;
                        break;
                    case RowKind::kBlackWhiteGrey:
                        v = r < 5 ? (r < 2 ? 123 : grey) : r < density ? 0 : 255;
                        break;
                    case RowKind::kEachRowOneValue:
                        v = static_cast<std::uint8_t>(rowValue);
                        break;
                }
            }
        }
    }
    const std::uint8_t* operator[](int k) const { return bytes[static_cast<std::size_t>(k)].data(); }
    std::vector<std::uint8_t> bytes[16];
};

// What one way of doing a row leaves: the output bytes (with whatever they
// must not touch) and the position where the kernel stopped.
struct RowResult {
    std::vector<std::uint8_t> bytes;
    int stop = 0;
};
// Does a row of the given width from rows, through the kernel first when
// kernel is set; parameters are drawn from rng, which starts alike both ways.
using RowRun = std::function<RowResult(const Rows& rows, int width, bool kernel, std::mt19937& rng)>;

// An output row to write into: a copy of rows[1], then kSlack sentinels.
inline std::vector<std::uint8_t> OutputRow(const Rows& rows, int width) {
    std::vector<std::uint8_t> out(rows.bytes[1]);
    out.resize(static_cast<std::size_t>(width + kSlack), test_images::kSentinel);
    return out;
}

inline std::string Values(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    for (const std::uint8_t v : bytes) {
        s += ' ';
        s += std::to_string(v);
    }
    return s;
}

inline void CompareKernelWithRule(const std::string& name, unsigned seed, const RowRun& run) {
    for (int width = 1; width <= kMaxRowWidth; ++width)
        for (const RowKind kind : kRowKinds) {
            std::mt19937 rng(seed++);
            const Rows rows(kind, width, rng);
            std::mt19937 ruleRng = rng, kernelRng = rng;
            const RowResult rule = run(rows, width, false, ruleRng);
            const RowResult kernel = run(rows, width, true, kernelRng);
            if (kernel.bytes != rule.bytes || kernel.stop < rule.stop ||
                kernel.stop < width - kMostLeftToRule) {
                ADD_FAILURE() << name << ": width " << width << ", row kind " << static_cast<int>(kind)
                              << ", kernel stopped at " << kernel.stop << "\nrows:\n"
                              << Values(rows.bytes[0]) << "\n"
                              << Values(rows.bytes[1]) << "\n"
                              << Values(rows.bytes[2]) << "\nrule:  " << Values(rule.bytes)
                              << "\nkernel:" << Values(kernel.bytes);
                return;
            }
        }
}

}  // namespace lintra::row_testing
