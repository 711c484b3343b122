// The stage's figure as numbers: the shape template, its scaled copy, the hit boxes
// of the drawn parts and the measuring walk that lays the chain out before drawing.
#include <cmath>

#include "chain/chainelement.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"

namespace nuvir {

void CChainElement::InitShapeTemplate() {
    auto set = [this](int row, double c0, double c1) {
        template_[row][0] = static_cast<float>(c0);
        template_[row][1] = static_cast<float>(c1);
    };
    set(7, 300, 250);
    for (int row = 1; row <= 4; ++row) set(row, 200, 200);
    set(5, 400, 150);
    set(6, 400, 150);
    set(0, 200.0 / 2, 200.0 / 2);
    set(8, 0, 0.5);
    set(9, 200.0 / 3, 0.5);
    for (int row = 10; row <= 14; ++row) set(row, 100, 0.5);
    set(15, 160, 0.5);
    ApplyScale();
}

void CChainElement::ApplyScale() {
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 2; ++c)
            scaled_[r][c] = static_cast<float>(static_cast<double>(template_[r][c]) * scaleFactor_);
}

void CChainElement::SetScaleFactor(double factor) {
    scaleFactor_ = factor;
    ApplyScale();
}

int CChainElement::LineWidth(int row) const {
    // Below scale 2 the template's half-pixel widths round to 0, which no pen draws.
    return std::max(1, static_cast<int>(RoundHalfEven(scaled_[row][1])));
}

CChainElement::Box CChainElement::PartBox(int part) const {
    if (part < 0 || part >= kParts) return Box{0, 0, 0, 0};
    return partBoxes_[static_cast<std::size_t>(part)];
}

bool CChainElement::PartDrawn(int part) const {
    return part >= 0 && part < kParts && partDrawn_[static_cast<std::size_t>(part)];
}

void CChainElement::UpdatePartBox(int part, float x1, float y1, float x2, float y2) {
    Box& box = partBoxes_[static_cast<std::size_t>(part)];
    box[0] = std::min(x1, x2);
    box[2] = std::max(x1, x2);
    box[3] = std::min(y1, y2);
    box[1] = std::max(y1, y2);
    partDrawn_[static_cast<std::size_t>(part)] = true;
    if (box[0] < boundingBox_[0]) boundingBox_[0] = box[0];
    if (box[2] > boundingBox_[2]) boundingBox_[2] = box[2];
    if (box[3] < boundingBox_[1]) boundingBox_[1] = box[3];
    if (box[1] > boundingBox_[3]) boundingBox_[3] = box[1];
}

CChainElement::Box CChainElement::Measure(float x0, float y0) {
    float minX = 9e9f, minY = 9e9f, maxX = -9e9f, maxY = -9e9f;
    float x = x0, y = y0;
    auto note = [&] {
        if (x < minX) minX = x;
        if (y < minY) minY = y;
        if (x > maxX) maxX = x;
        if (y > maxY) maxY = y;
    };
    auto move = [&](float dx, float dy) {
        x += dx;
        y += dy;
        note();
    };
    auto S = [this](int r, int c) { return scaled_[r][c]; };

    // Diamond: right tip, top, left tip, bottom, right tip.
    const float hw = S(7, 0) / 2, hh = S(7, 1) / 2;
    x = x0 + S(7, 0);
    note();
    move(-hw, hh);
    move(-hw, -hh);
    move(hw, -hh);
    move(hw, hh);
    move(S(9, 0), 0);
    const float jx = x, jy = y;

    // p box, ending at the middle of its right side.
    move(0, -S(10, 0));
    move(S(1, 0) / 8, 0);
    move(-S(1, 0) / 2, 0);
    move(S(1, 0), -S(1, 1));
    move(0, S(1, 1) / 2);
    const float px = x, py = y;
    if (next_) {
        note();
        move(S(12, 0), 0);
        connectX_ = x;
        connectY_ = y;
    } else {
        x = px;
        y = py;
        note();
        move(S(13, 0), 0);
        move(0, S(3, 1) / 2);
        move(S(3, 0), -S(3, 1));
        move(0, S(3, 1) / 2);
        move(S(14, 0), 0);
        move(S(5, 0), S(5, 1));
    }

    // q branch and I box.
    x = jx;
    y = jy;
    note();
    move(0, S(11, 0));
    move(S(2, 0) / 8, 0);
    move(-S(2, 0) / 2, 0);
    move(S(2, 0), S(2, 1));
    move(0, -S(2, 1) / 2);
    move(S(13, 0), 0);
    move(0, S(4, 1) / 2);
    move(S(4, 0), -S(4, 1));
    move(0, S(4, 1) / 2);
    ovalLeft_ = x;
    move(S(14, 0), 0);
    move(S(6, 0), S(6, 1));

    // Fixed-cost circle, measured whether or not costs are shown.
    x = jx;
    y = jy;
    note();
    move(-S(15, 0), -S(15, 0));
    move(-2 * S(0, 0), -2 * S(0, 1));
    return Box{minX, maxY, maxX, minY};
}

}  // namespace nuvir
