#pragma once
// The risk chain on the "Ps and Qs" page: the chain diagram and model as the window's
// ChainPort.
#include "chain/chain.h"
#include "mainwindow/mainports.h"

namespace nuvir {

class WindowChain : public ChainPort {
public:
    CChain& Chain() { return chain_; }

    void SetHost(QtPictureBox* picture) override;
    void SetEditBox(TextBox* box) override { chain_.SetEditBox(box); }
    std::array<double, 4> Measure() override;
    double DrawingDepth() const override { return chain_.DrawingDepth(); }
    double ScaleFactor() const override { return chain_.ScaleFactor(); }
    void SetScaleFactor(double factor) override { chain_.SetScaleFactor(factor); }
    void Render() override { chain_.Render(); }
    void SetData(const Variant& appData) override { chain_.SetData(appData); }
    Variant GetData() override { return chain_.GetData(); }
    Variant PointValues() override;
    void CommitEdit(const std::string& stageKey) override;
    void CheckCategoryData() override;
    void SetCategoryDataRestrictive() override;

private:
    CChain chain_;
};

}  // namespace nuvir
