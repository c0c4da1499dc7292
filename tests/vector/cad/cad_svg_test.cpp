// The CAD SVG file: sheet size in the unit, the y-up drawing turned upright,
// and every bulge and arc drawn as an SVG arc that passes where the drawing
// says (checked by SVG's own endpoint-to-centre conversion).
#include "vector/cad/cad_svg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "tests/vector/cad/cad_test_drawings.h"
#include "vector/cad/cad_geometry.h"

namespace lintra {
namespace {

// The d attributes of the paths, in file order.
std::vector<std::string> PathData(const std::string& svg) {
    std::vector<std::string> paths;
    std::regex d("<path d=\"([^\"]*)\"/>");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), d); it != std::sregex_iterator(); ++it)
        paths.push_back((*it)[1]);
    return paths;
}

TEST(CadSvgTest, SheetInTheUnitAndStrokedNotFilled) {
    for (auto [unit, width, height] : {std::tuple{cad::Unit::Millimetre, "50mm", "40mm"},
                                       {cad::Unit::Inch, "50in", "40in"},
                                       {cad::Unit::Pixel, "50", "40"}}) {
        cad::Drawing d = test::PartsCadDrawing();
        d.unit = unit;
        std::string svg = CadSvgText(d);
        EXPECT_NE(
            svg.find(std::string("width=\"") + width + "\" height=\"" + height + "\" viewBox=\"0 0 50 40\""),
            std::string::npos)
            << svg.substr(0, 300);
        EXPECT_NE(svg.find("<g fill=\"none\" stroke=\"black\""), std::string::npos);
    }
    std::string empty = CadSvgText(test::EmptyCadDrawing());
    EXPECT_TRUE(PathData(empty).empty());
    EXPECT_EQ(empty.find("<circle"), std::string::npos);
    EXPECT_NE(empty.find("</svg>"), std::string::npos);
}

TEST(CadSvgTest, YIsTurnedOverSoTheDrawingStandsUpright) {
    std::string svg = CadSvgText(test::PartsCadDrawing());
    std::vector<std::string> paths = PathData(svg);
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths[0], "M 1 39 L 11.5 39");
    // Counter-clockwise from 300 to 60 degrees round (30, 30): on the page
    // from below right of the centre (30, 10) up past its right side.
    EXPECT_EQ(paths[1], "M 32.5 14.330127 A 5 5 0 0 0 32.5 5.669873");
    EXPECT_NE(svg.find("<circle cx=\"40\" cy=\"30\" r=\"2.25\"/>"), std::string::npos);
    // The square's closing stretch is a clockwise half circle.
    EXPECT_EQ(paths[3], "M 10 15 L 10 5 L 20 5 L 20 15 A 5 5 0 0 1 10 15 Z");
}

struct SvgArc {
    double x1, y1, r;
    int large, sweep;
    double x2, y2;
};

// The point halfway along an SVG arc, by the endpoint-to-centre conversion
// of W3C SVG 1.1's implementation notes (F.6.5), rotation 0.
std::pair<double, double> Halfway(const SvgArc& a) {
    double xp = (a.x1 - a.x2) / 2, yp = (a.y1 - a.y2) / 2;
    double r = std::max(a.r, std::hypot(xp, yp));
    double radicand =
        std::max(0.0, (r * r * r * r - r * r * yp * yp - r * r * xp * xp) / (r * r * (yp * yp + xp * xp)));
    double coef = (a.large != a.sweep ? 1 : -1) * std::sqrt(radicand);
    double cxp = coef * yp, cyp = -coef * xp;
    double cx = cxp + (a.x1 + a.x2) / 2, cy = cyp + (a.y1 + a.y2) / 2;
    double theta1 = std::atan2((yp - cyp) / r, (xp - cxp) / r);
    double theta2 = std::atan2((-yp - cyp) / r, (-xp - cxp) / r);
    double delta = std::fmod(theta2 - theta1, 2 * std::numbers::pi);
    if (a.sweep == 0 && delta > 0) delta -= 2 * std::numbers::pi;
    if (a.sweep == 1 && delta < 0) delta += 2 * std::numbers::pi;
    return {cx + r * std::cos(theta1 + delta / 2), cy + r * std::sin(theta1 + delta / 2)};
}

TEST(CadSvgTest, BulgedStretchesPassThroughTheirBulgePoint) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> at(5, 95), bulge(-3, 3);
    for (int i = 0; i < 200; ++i) {
        cad::Drawing d;
        d.sheetWidth = d.sheetHeight = 100;
        cad::Point from{at(random), at(random)}, to{at(random), at(random)};
        double b = bulge(random);
        if (std::abs(b) < 0.01) continue;
        d.polylines.push_back({{{from, b}, {to, 0}}, false});
        std::istringstream path(PathData(CadSvgText(d)).at(0));
        SvgArc a;
        char m, letter;
        int rotation;
        path >> m >> a.x1 >> a.y1 >> letter >> a.r >> a.r >> rotation >> a.large >> a.sweep >> a.x2 >> a.y2;
        ASSERT_EQ(letter, 'A') << path.str();
        // The bulge point lies the sagitta b * chord / 2 to the right of
        // the chord's middle (left for a negative bulge).
        cad::Point apex{(from.x + to.x) / 2 + b / 2 * (to.y - from.y),
                        (from.y + to.y) / 2 - b / 2 * (to.x - from.x)};
        auto [hx, hy] = Halfway(a);
        EXPECT_NEAR(hx, apex.x, 1e-4) << "case " << i << " bulge " << b << ": " << path.str();
        EXPECT_NEAR(hy, 100 - apex.y, 1e-4) << "case " << i << " bulge " << b << ": " << path.str();
    }
}

TEST(CadSvgTest, WholeCircleArcIsDrawnInTwoHalves) {
    cad::Drawing d = test::EmptyCadDrawing();
    d.arcs.push_back({{50, 40}, 10, 90, 90});
    EXPECT_EQ(PathData(CadSvgText(d)).at(0), "M 50 30 A 10 10 0 0 0 50 50 A 10 10 0 0 0 50 30");
}

TEST(CadSvgTest, DrawingsThatCannotBeWrittenAreRefused) {
    cad::Drawing d = test::PartsCadDrawing();
    d.circles[0].centre.y = std::nan("");
    EXPECT_THROW(CadSvgText(d), std::invalid_argument);
}

}  // namespace
}  // namespace lintra
