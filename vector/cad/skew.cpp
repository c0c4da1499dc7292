#include "vector/cad/skew.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace lintra::cad {

namespace {

constexpr double kDegree = std::numbers::pi / 180;
// A piece shorter than this share of the sheet's larger side says little
// about its direction: its ends wander by a pixel or so either way.
constexpr double kLongShare = 1.0 / 50;
// The histogram of directions modulo 90 degrees, in tenths of a degree.
constexpr int kBinsPerDegree = 10;
constexpr int kBins = 90 * kBinsPerDegree;
// Each piece spreads its length over this many bins either side, so that a
// main direction split over neighbouring bins still shows as one peak.
constexpr int kSpread = 5;
// Pieces within this of the peak make the main direction.
constexpr double kNearDegrees = 0.5;
constexpr int kFewestNear = 2;
constexpr double kLeastNearShare = 0.1;

struct Piece {
    double degrees;  // modulo 90, in [-45, 45)
    double length;
};

// The angle in degrees folded into [-45, 45).
double Folded(double degrees) {
    double folded = std::fmod(degrees + 45, 90);
    if (folded < 0) folded += 90;
    return folded - 45;
}

void AddPiece(Point a, Point b, double shortest, std::vector<Piece>& pieces) {
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    // Also drops the not finite, and points, whose direction means nothing.
    if (!(length >= shortest && length > 0)) return;
    pieces.push_back({Folded(std::atan2(b.y - a.y, b.x - a.x) / kDegree), length});
}

std::vector<Piece> LongPieces(const Drawing& drawing) {
    const double shortest = kLongShare * std::max(drawing.sheetWidth, drawing.sheetHeight);
    std::vector<Piece> pieces;
    for (const Line& line : drawing.lines) AddPiece(line.from, line.to, shortest, pieces);
    for (const Polyline& polyline : drawing.polylines) {
        const std::vector<Vertex>& v = polyline.vertices;
        const std::size_t stretches = polyline.closed ? v.size() : (v.empty() ? 0 : v.size() - 1);
        for (std::size_t i = 0; i < stretches; ++i)
            if (v[i].bulge == 0) AddPiece(v[i].at, v[(i + 1) % v.size()].at, shortest, pieces);
    }
    return pieces;
}

// The centre of the histogram bin, within kLargestSkewDegrees of the axes,
// that the pieces' length, spread over neighbouring bins, gathers most on.
double PeakDegrees(const std::vector<Piece>& pieces) {
    std::array<double, kBins> histogram{};
    for (const Piece& piece : pieces) {
        const int bin = static_cast<int>(std::floor((piece.degrees + 45) * kBinsPerDegree));
        for (int d = -kSpread; d <= kSpread; ++d)
            histogram[((bin + d) % kBins + kBins) % kBins] += piece.length * (kSpread + 1 - std::abs(d));
    }
    const int first = static_cast<int>((45 - kLargestSkewDegrees) * kBinsPerDegree);
    const int last = static_cast<int>((45 + kLargestSkewDegrees) * kBinsPerDegree);
    const int peak = static_cast<int>(std::max_element(histogram.begin() + first, histogram.begin() + last) -
                                      histogram.begin());
    return (peak + 0.5) / kBinsPerDegree - 45;
}

}  // namespace

Skew MeasureSkew(const Drawing& drawing) {
    const std::vector<Piece> pieces = LongPieces(drawing);
    if (pieces.empty()) return {};
    const double peak = PeakDegrees(pieces);
    // A fitted piece's direction errs less the longer it is, so the mean near
    // the peak weighs each by its length squared.
    double total = 0, nearLength = 0, weight = 0, turn = 0;
    int near = 0;
    for (const Piece& piece : pieces) {
        total += piece.length;
        const double off = Folded(piece.degrees - peak);
        if (std::abs(off) > kNearDegrees) continue;
        ++near;
        nearLength += piece.length;
        weight += piece.length * piece.length;
        turn += piece.length * piece.length * off;
    }
    if (near < kFewestNear || nearLength < kLeastNearShare * total) return {};
    const double degrees = peak + turn / weight;
    if (std::abs(degrees) > kLargestSkewDegrees) return {};
    return {true, degrees};
}

void TurnDrawing(Drawing& drawing, double degrees, Point centre) {
    if (degrees == 0) return;
    const double c = std::cos(degrees * kDegree), s = std::sin(degrees * kDegree);
    auto turned = [&](Point p) {
        const double x = p.x - centre.x, y = p.y - centre.y;
        return Point{centre.x + c * x - s * y, centre.y + s * x + c * y};
    };
    auto turnedAngle = [&](double angle) {
        const double a = std::fmod(angle + degrees, 360.0);
        return a < 0 ? a + 360 : a;
    };
    for (Line& line : drawing.lines) line = {turned(line.from), turned(line.to)};
    for (Arc& arc : drawing.arcs) {
        arc.centre = turned(arc.centre);
        arc.startDegrees = turnedAngle(arc.startDegrees);
        arc.endDegrees = turnedAngle(arc.endDegrees);
    }
    for (Circle& circle : drawing.circles) circle.centre = turned(circle.centre);
    for (Polyline& polyline : drawing.polylines)
        for (Vertex& vertex : polyline.vertices) vertex.at = turned(vertex.at);
}

Skew Deskew(Drawing& drawing) {
    const Skew skew = MeasureSkew(drawing);
    if (skew.found) TurnDrawing(drawing, -skew.degrees, {drawing.sheetWidth / 2, drawing.sheetHeight / 2});
    return skew;
}

}  // namespace lintra::cad
