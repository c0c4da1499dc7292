// Every SSE2 row kernel of the raster operations against its row rule, on
// every row width (see tests/row_compare.h). The operations themselves are
// compared with their plain transcriptions in the family tests.
#include "raster/row_kernels.h"

#include <gtest/gtest.h>

#include "support/row_compare.h"

#if defined(__SSE2__)

namespace lintra::raster_detail {
namespace {

using row_testing::CompareKernelWithRule;
using row_testing::OutputRow;
using row_testing::RowResult;
using row_testing::Rows;
using row_testing::Uniform;

TEST(RowKernels, PointOperations) {
    CompareKernelWithRule("ThresholdAtLeast", 1000,
                          [](const Rows& rows, int w, bool kernel, std::mt19937& rng) {
                              const auto level = static_cast<std::uint8_t>(Uniform(rng, 1, 255));
                              RowResult r{OutputRow(rows, w), 0};
                              if (kernel) r.stop = ThresholdAtLeastRowSse2(r.bytes.data(), w, level);
                              ThresholdAtLeastRow(r.bytes.data(), r.stop, w, level);
                              return r;
                          });
    CompareKernelWithRule("SwapBlackAndWhite", 2000, [](const Rows& rows, int w, bool kernel, std::mt19937&) {
        RowResult r{OutputRow(rows, w), 0};
        if (kernel) r.stop = SwapBlackAndWhiteRowSse2(r.bytes.data(), w);
        SwapBlackAndWhiteRow(r.bytes.data(), r.stop, w);
        return r;
    });
}

TEST(RowKernels, GradientThresholdMajorityAndIsolatedCandidates) {
    CompareKernelWithRule(
        "GradientThreshold", 3000, [](const Rows& rows, int w, bool kernel, std::mt19937& rng) {
            // The limits BinariseGradient uses: none, (T + 1)^2, above every sum.
            const int t = Uniform(rng, -1, 361);
            const int limit = t < 0 ? 0 : t == 361 ? 2 * 255 * 255 + 1 : (t + 1) * (t + 1);
            RowResult r{OutputRow(rows, w), 1};
            if (kernel) r.stop = GradientThresholdRowSse2(rows[1], rows[0], w, limit, r.bytes.data());
            GradientThresholdRow(rows[1], rows[0], r.stop, w, limit, r.bytes.data());
            return r;
        });
    CompareKernelWithRule("Majority", 4000, [](const Rows& rows, int w, bool kernel, std::mt19937&) {
        std::vector<std::uint8_t> columns(static_cast<std::size_t>(w));
        RowResult r{OutputRow(rows, w), 1};
        if (kernel) r.stop = MajorityRowSse2(rows[0], rows[1], rows[2], w, columns.data(), r.bytes.data());
        MajorityRow(rows[0], rows[1], rows[2], r.stop, w, r.bytes.data());
        return r;
    });
    CompareKernelWithRule(
        "IsolatedCandidates", 5000, [](const Rows& rows, int w, bool kernel, std::mt19937& rng) {
            const int k = Uniform(rng, 0, 9);
            RowResult r{OutputRow(rows, w), 1};
            if (kernel) r.stop = IsolatedCandidatesRowSse2(rows[0], rows[1], rows[2], w, k, r.bytes.data());
            IsolatedCandidatesRow(rows[0], rows[1], rows[2], r.stop, w, k, r.bytes.data());
            return r;
        });
}

TEST(RowKernels, EdgeOperations) {
    CompareKernelWithRule(
        "TemplatePairMax", 6000, [](const Rows& rows, int w, bool kernel, std::mt19937& rng) {
            const int centre = Uniform(rng, 1, 2);
            RowResult r{OutputRow(rows, w), 1};
            if (kernel) r.stop = TemplatePairMaxRowSse2(rows[0], rows[1], rows[2], w, centre, r.bytes.data());
            TemplatePairMaxRow(rows[0], rows[1], rows[2], r.stop, w, centre, r.bytes.data());
            return r;
        });
    CompareKernelWithRule("Kirsch", 7000, [](const Rows& rows, int w, bool kernel, std::mt19937&) {
        RowResult r{OutputRow(rows, w), 1};
        if (kernel) r.stop = KirschRowSse2(rows[0], rows[1], rows[2], w, r.bytes.data());
        KirschRow(rows[0], rows[1], rows[2], r.stop, w, r.bytes.data());
        return r;
    });
    CompareKernelWithRule("GaussLaplace", 8000, [](const Rows& rows, int w, bool kernel, std::mt19937&) {
        const std::uint8_t* five[5] = {rows[0], rows[1], rows[2], rows[3], rows[4]};
        std::vector<std::int16_t> columns(3 * static_cast<std::size_t>(w));
        RowResult r{OutputRow(rows, w), 2};
        if (kernel) r.stop = GaussLaplaceRowSse2(five, w, columns.data(), r.bytes.data());
        GaussLaplaceRow(five, r.stop, w, r.bytes.data());
        return r;
    });
    CompareKernelWithRule("Roberts", 9000, [](const Rows& rows, int w, bool kernel, std::mt19937&) {
        RowResult r{OutputRow(rows, w), 0};
        if (kernel) r.stop = RobertsRowSse2(rows[1], rows[2], w, r.bytes.data());
        RobertsRow(rows[1], rows[2], r.stop, w, r.bytes.data());
        return r;
    });
    CompareKernelWithRule("Gradient", 10000, [](const Rows& rows, int w, bool kernel, std::mt19937&) {
        RowResult r{OutputRow(rows, w), 1};
        if (kernel) r.stop = GradientRowSse2(rows[1], rows[0], w, r.bytes.data());
        GradientRow(rows[1], rows[0], r.stop, w, r.bytes.data());
        return r;
    });
}

TEST(RowKernels, ThinningAndShortBranches) {
    CompareKernelWithRule("MarkingFlags", 11000, [](const Rows& rows, int w, bool kernel, std::mt19937&) {
        RowResult r{OutputRow(rows, w), 1};
        if (kernel) r.stop = MarkingFlagsRowSse2(rows[2], rows[1], rows[0], w, r.bytes.data());
        MarkingFlagsRow(rows[2], rows[1], rows[0], r.stop, w, r.bytes.data());
        return r;
    });
    // The bits as bytes, 1 or 0, then whether the row was black and white
    // only; a bit set past the row spoils the slack.
    CompareKernelWithRule("PackWhite", 12000, [](const Rows& rows, int w, bool kernel, std::mt19937&) {
        std::vector<std::uint64_t> bits(static_cast<std::size_t>(w) / 64 + 2, 0);
        bool binary = true;
        RowResult r{std::vector<std::uint8_t>(static_cast<std::size_t>(w) + 2, 0), 0};
        if (kernel) r.stop = PackWhiteRowSse2(rows[1], w, bits.data(), binary);
        if (!PackWhiteRow(rows[1], r.stop, w, bits.data())) binary = false;
        for (int j = 0; j < 64 * static_cast<int>(bits.size()); ++j) {
            const bool set = bits[static_cast<std::size_t>(j) / 64] >> (j % 64) & 1;
            if (j < w) r.bytes[static_cast<std::size_t>(j)] = set;
            if (j >= w && set) r.bytes[static_cast<std::size_t>(w)] = 0xEE;
        }
        r.bytes[static_cast<std::size_t>(w) + 1] = binary;
        return r;
    });
    // Random bits into a row: set ones make their pixel white, the others
    // leave it.
    CompareKernelWithRule("Whiten", 13000, [](const Rows& rows, int w, bool kernel, std::mt19937& rng) {
        std::vector<std::uint64_t> bits(static_cast<std::size_t>(w) / 64 + 2, 0);
        for (std::uint64_t& word : bits) word = std::uniform_int_distribution<std::uint64_t>()(rng);
        RowResult r{OutputRow(rows, w), 0};
        if (kernel) r.stop = WhitenRowSse2(bits.data(), w, r.bytes.data());
        WhitenRow(bits.data(), r.stop, w, r.bytes.data());
        return r;
    });
}

}  // namespace
}  // namespace lintra::raster_detail

#endif
