// Stage one, preliminary processing: edge-strength images. Each operation
// changes the 8-bit image in place; 0 means flat, up to 255 the steepest edge.
//
// Border rule: the template operations leave the pixels their template does
// not fit over unchanged (one ring for 3x3, two for 5x5); EdgeRoberts and
// EdgeGradient set the pixels they do not compute to 255. Nothing outside
// the image is ever read.
#pragma once

#include "image/image_view.h"

namespace lintra {

// Convolves with an H x W template anchored at (MX, MY), |scale x sum|
// clamped to 255 and rounded half up; every window reads the unchanged input.
void ApplyTemplate(std::uint8_t* pixels, int width, int height, int stride, int H, int W, int MX, int MY,
                   const float* coefficients, float scale);
// Larger of the two 3x3 Sobel responses.
void EdgeSobel(ImageView image);
// Roberts cross magnitude; the last column and the top row become 255.
void EdgeRoberts(ImageView image);
// Larger of the two 3x3 Prewitt responses.
void EdgePrewitt(ImageView image);
// Largest of the eight Kirsch compass responses, scale 0.5.
void EdgeKirsch(ImageView image);
// 5x5 Gauss-Laplace template, scale 0.25.
void EdgeGaussLaplace(ImageView image);
// Magnitude of the backward differences to the left and lower neighbours,
// inside a one-pixel frame of 255.
void EdgeGradient(ImageView image);

}  // namespace lintra
