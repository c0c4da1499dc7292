#include "raster/cleanup.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "raster/binarise.h"
#include "raster/raster_private.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lintra {

using raster_detail::Usable;

void InvertBlackWhite(ImageView image) {
    if (!Usable(image)) return;
    raster_detail::SwapBlackAndWhite(image);
}

void MakeBorderWhite(ImageView image) {
    if (!Usable(image)) return;
    const auto w = static_cast<std::size_t>(image.width);
    std::memset(image.row(0), 255, w);
    std::memset(image.row(image.height - 1), 255, w);
    for (int y = 1; y < image.height - 1; ++y) {
        image.row(y)[0] = 255;
        image.row(y)[image.width - 1] = 255;
    }
}

void RemoveBlackWhitePoints(ImageView image) {
    if (!Usable(image)) return;
    BinariseThreshold(image, kBlackWhitePointsThreshold);
    if (image.width < 3 || image.height < 3) return;
    // After the threshold every value is 0 or 255, so with w white neighbours
    // the neighbour mean is m = floor(255 w / 8) and d = |m - p|:
    //   p = 0:   d >= 128  <=>  255 w >= 1024  <=>  w >= 5   (turns white)
    //   p = 255: d >= 128  <=>  m <= 127       <=>  w <= 4   (turns black)
    // Either way the result is 255 exactly when w >= 5, whatever p was.
    // Decisions read the thresholded image; instead of a whole copy, the
    // rows below and at the current one are kept as they were before being
    // overwritten (the row above is not yet written).
    const int w = image.width;
    std::vector<std::uint8_t> rows(2 * static_cast<std::size_t>(w));
    std::uint8_t* below = rows.data();
    std::uint8_t* here = rows.data() + w;
    std::memcpy(below, image.row(0), static_cast<std::size_t>(w));
    std::vector<std::uint8_t> column(static_cast<std::size_t>(w));  // white count of each column triple
    for (int y = 1; y < image.height - 1; ++y) {
        std::memcpy(here, image.row(y), static_cast<std::size_t>(w));
        const std::uint8_t* above = image.row(y + 1);
        int x = 0;
#if defined(__SSE2__)
        const __m128i one = _mm_set1_epi8(1), four = _mm_set1_epi8(4);
        auto bits = [&](const std::uint8_t* p) {
            return _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), one);
        };
        for (; x + 16 <= w; x += 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(column.data() + x),
                             _mm_add_epi8(_mm_add_epi8(bits(below + x), bits(here + x)), bits(above + x)));
#endif
        for (; x < w; ++x)
            column[x] = static_cast<std::uint8_t>((below[x] & 1) + (here[x] & 1) + (above[x] & 1));
        std::uint8_t* out = image.row(y);
        x = 1;
#if defined(__SSE2__)
        for (; x + 16 <= w - 1; x += 16) {
            auto triple = [&](int at) {
                return _mm_loadu_si128(reinterpret_cast<const __m128i*>(column.data() + at));
            };
            // Whites among the eight neighbours: three column triples less
            // the pixel itself; at most 8, so bytes hold it.
            const __m128i whites = _mm_sub_epi8(
                _mm_add_epi8(_mm_add_epi8(triple(x - 1), triple(x)), triple(x + 1)), bits(here + x));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_cmpgt_epi8(whites, four));
        }
#endif
        for (; x < w - 1; ++x) {
            const int whites = column[x - 1] + column[x] + column[x + 1] - (here[x] & 1);
            out[x] = whites >= 5 ? 255 : 0;
        }
        std::swap(below, here);
    }
}

void RemoveIsolatedPoints(ImageView image, int k) {
    if (!Usable(image) || image.width < 3 || image.height < 3) return;
    // Every k <= 0 flips all black and white pixels, every k >= 9 none.
    k = std::clamp(k, 0, 9);
    const int w = image.width;
    // At (x, y) the rows below are final, the row above and E are not yet
    // visited, and only W may have changed in this row. So the white count of
    // the seven other neighbours (c7) is known before the row is walked, and
    // C is c7 or c7 + 1. A pixel can change only if p = 255 and c7 <= 8 - k
    // or p = 0 and c7 + 1 >= k; the walk decides exactly at those pixels
    // alone, reading W as it is then. Any other pixel stays whatever W is.
    std::vector<std::uint8_t> candidate(static_cast<std::size_t>(w) + 8, 0);  // c7 + 1, or 0
    for (int y = 1; y < image.height - 1; ++y) {
        const std::uint8_t* b = image.row(y - 1);
        std::uint8_t* c = image.row(y);
        const std::uint8_t* a = image.row(y + 1);
        int first = 1;
#if defined(__SSE2__)
        {
            const __m128i white = _mm_set1_epi8(-1), black = _mm_setzero_si128();
            const __m128i whiteLimit = _mm_set1_epi8(static_cast<char>(9 - k));  // c7 < 9 - k
            const __m128i blackLimit = _mm_set1_epi8(static_cast<char>(k - 1));  // c7 + 1 > k - 1
            auto whiteAt = [&](const std::uint8_t* p) {
                return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), white);
            };
            for (; first + 16 <= w - 1; first += 16) {
                const int x = first;
                // Each white neighbour adds -1: the negated count.
                const __m128i minus = _mm_add_epi8(
                    _mm_add_epi8(_mm_add_epi8(whiteAt(b + x - 1), whiteAt(b + x)),
                                 _mm_add_epi8(whiteAt(b + x + 1), whiteAt(a + x - 1))),
                    _mm_add_epi8(_mm_add_epi8(whiteAt(a + x), whiteAt(a + x + 1)), whiteAt(c + x + 1)));
                const __m128i c7 = _mm_sub_epi8(black, minus);
                const __m128i c8 = _mm_add_epi8(c7, _mm_set1_epi8(1));
                const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + x));
                const __m128i may =
                    _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(p, white), _mm_cmpgt_epi8(whiteLimit, c7)),
                                 _mm_and_si128(_mm_cmpeq_epi8(p, black), _mm_cmpgt_epi8(c8, blackLimit)));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(candidate.data() + x), _mm_and_si128(may, c8));
            }
        }
#endif
        for (int x = first; x < w - 1; ++x) {
            const int c7 = (b[x - 1] == 255) + (b[x] == 255) + (b[x + 1] == 255) + (a[x - 1] == 255) +
                           (a[x] == 255) + (a[x + 1] == 255) + (c[x + 1] == 255);
            const bool may = (c[x] == 255 && c7 <= 8 - k) || (c[x] == 0 && c7 + 1 >= k);
            candidate[x] = may ? static_cast<std::uint8_t>(c7 + 1) : 0;
        }
        int x = 1;
        while (true) {
            // Jump over runs of non-candidates eight at a time.
            while (x + 8 <= w - 1) {
                std::uint64_t word;
                std::memcpy(&word, &candidate[x], 8);
                if (word != 0) break;
                x += 8;
            }
            while (x < w - 1 && candidate[x] == 0) ++x;
            if (x >= w - 1) break;
            const int count = candidate[x] - 1 + (c[x - 1] == 255);
            if (c[x] == 255 && count <= 8 - k)
                c[x] = 0;
            else if (c[x] == 0 && count >= k)
                c[x] = 255;
            ++x;
        }
    }
}

}  // namespace lintra
