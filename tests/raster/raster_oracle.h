// Plain transcriptions of the raster operations, step by step as they are
// defined, with whole-image copies and no shortcuts. The library's faster
// versions must give the same bytes; the tests compare the two.
#pragma once

#include <array>
#include <cstdint>

#include "image/image_view.h"

namespace lintra::oracle {

void ApplyTemplate(std::uint8_t* pixels, int width, int height, int stride, int H, int W, int MX, int MY,
                   const float* coefficients, float scale);
void EdgeSobel(ImageView image);
void EdgePrewitt(ImageView image);
void EdgeKirsch(ImageView image);
void EdgeGaussLaplace(ImageView image);
void EdgeRoberts(ImageView image);
void EdgeGradient(ImageView image);

void BinariseGradient(ImageView image, int threshold);
void BinariseThreshold(ImageView image, int threshold);
void BinariseIterative(ImageView image, const std::array<std::int32_t, 256>& histogram);

void RemoveBlackWhitePoints(ImageView image);
void RemoveIsolatedPoints(ImageView image, int k);

void ThinImage(ImageView image, const std::array<std::uint8_t, 256>& table);
void RemoveShortBranches(ImageView image, int passes);

}  // namespace lintra::oracle
