// Writes the benchmark pages as BMP files: 8-bit with an identity grey
// colour table, or 24-bit. Rows go to the file in the order the page holds
// them, so a program that reads the file (bottom row first) works on the very
// pixel rows the in-process benchmarks use.
#pragma once

#include <string>

#include "bench/bench_page.h"

namespace lintra::bench {

// The header records the page's resolution, dpi dots per inch. Throws
// std::runtime_error naming path when the file cannot be written.
void WriteGreyBmp(const std::string& path, const PageImage& page, int dpi = 300);
void WriteColourBmp(const std::string& path, const ColourImage& page, int dpi = 300);

}  // namespace lintra::bench
