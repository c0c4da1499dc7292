#include "image/colour_table.h"

#include <algorithm>

#include "image/dib.h"

namespace lintra {

std::uint8_t GreyLevel(const RgbQuad& colour) {
    double level = (0.299 * colour.rgbRed + 0.114 * colour.rgbBlue) + 0.587 * colour.rgbGreen;
    return static_cast<std::uint8_t>(level);
}

bool HasIdentityGreyTable(const Dib& dib) {
    if (dib.IsEmpty() || dib.GetBitCount() != 8) return false;
    const RgbQuad* table = dib.GetColorTable();
    std::uint32_t count = table ? std::min<std::uint32_t>(dib.GetColorCount(), 256) : 0;
    for (std::uint32_t i = 0; i < count; ++i)
        if (table[i].rgbRed != i || table[i].rgbGreen != i || table[i].rgbBlue != i) return false;
    return true;
}

bool TurnTableIntoGrey(Dib& dib) {
    if (dib.IsEmpty() || dib.GetBitCount() != 8 || HasIdentityGreyTable(dib)) return true;
    std::uint8_t grey[256] = {};
    const RgbQuad* table = dib.GetColorTable();
    std::uint32_t count = table ? std::min<std::uint32_t>(dib.GetColorCount(), 256) : 0;
    for (std::uint32_t i = 0; i < count; ++i) grey[i] = GreyLevel(table[i]);

    Dib result;
    if (!result.Create(dib.GetWidth(), dib.GetHeight(), 8, 256)) return false;
    const BitmapInfoHeader& source = *dib.m_pInfoHeader;
    result.m_pInfoHeader->biXPelsPerMeter = source.biXPelsPerMeter;
    result.m_pInfoHeader->biYPelsPerMeter = source.biYPelsPerMeter;
    for (int i = 0; i < 256; ++i) {
        auto level = static_cast<std::uint8_t>(i);
        result.m_pColorTable[i] = RgbQuad{level, level, level, 0};
    }
    ImageView from = dib.View();
    ImageView to = result.View();
    for (int y = 0; y < from.height; ++y) {
        const std::uint8_t* in = from.row(y);
        std::uint8_t* out = to.row(y);
        for (int x = 0; x < from.width; ++x) out[x] = grey[in[x]];
    }
    result.m_szPath = dib.m_szPath;
    result.m_bValid = dib.m_bValid;
    dib.TakeImage(result);
    return true;
}

}  // namespace lintra
