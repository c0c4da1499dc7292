// Runs a fast operation and its plain transcription on the same seeded random
// images and reports the first image on which they differ, with its seed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "tests/raster/raster_test_image.h"

namespace lintra::raster_testing {

using Operation = std::function<void(ImageView, std::mt19937&)>;

// For each of `count` images (seeds firstSeed, firstSeed + 1, ...), draws an
// image of a content kind taken in turn from `contents`, runs fast and slow on
// two copies (each may draw its parameters from the same generator state) and
// expects identical blocks, padding included. Stops at the first difference.
inline void CompareOnRandomImages(const std::string& name, unsigned firstSeed, int count,
                                  std::initializer_list<Content> contents, const Operation& fast,
                                  const Operation& slow) {
    const std::vector<Content> kinds(contents);
    for (int i = 0; i < count; ++i) {
        const unsigned seed = firstSeed + static_cast<unsigned>(i);
        std::mt19937 rng(seed);
        Image input = RandomImage(rng, kinds[static_cast<std::size_t>(i) % kinds.size()]);
        Image expected = input, actual = input;
        std::mt19937 slowRng = rng, fastRng = rng;
        slow(expected.view(), slowRng);
        fast(actual.view(), fastRng);
        if (!(actual == expected) || !actual.paddingIntact()) {
            ADD_FAILURE() << name << " differs from its transcription, seed " << seed << ", image "
                          << input.width() << " x " << input.height() << ", padding "
                          << (actual.paddingIntact() ? "intact" : "CHANGED") << "\ninput:\n"
                          << input.values() << "expected:\n"
                          << expected.values() << "actual:\n"
                          << actual.values();
            return;
        }
    }
}

// As CompareOnRandomImages, on images of every width from 1 to 100 (a few
// rows high, content kinds in turn): the faster operations work on runs of
// 16 or 64 pixels and finish each row one pixel at a time, so every split of
// a row between the two is met.
inline void CompareOnEveryWidth(const std::string& name, unsigned firstSeed,
                                std::initializer_list<Content> contents, const Operation& fast,
                                const Operation& slow) {
    const std::vector<Content> kinds(contents);
    for (int width = 1; width <= 100; ++width) {
        const unsigned seed = firstSeed + static_cast<unsigned>(width);
        std::mt19937 rng(seed);
        const int height = std::uniform_int_distribution<int>(1, 9)(rng);
        Image input =
            RandomImage(rng, kinds[static_cast<std::size_t>(width) % kinds.size()], width, height, 3);
        Image expected = input, actual = input;
        std::mt19937 slowRng = rng, fastRng = rng;
        slow(expected.view(), slowRng);
        fast(actual.view(), fastRng);
        if (!(actual == expected) || !actual.paddingIntact()) {
            ADD_FAILURE() << name << " differs from its transcription, seed " << seed << ", image " << width
                          << " x " << height << "\ninput:\n"
                          << input.values() << "expected:\n"
                          << expected.values() << "actual:\n"
                          << actual.values();
            return;
        }
    }
}

}  // namespace lintra::raster_testing
