#include <gtest/gtest.h>

#include <thread>

#include "appdata/appdata.h"
#include "platform/fakeservices.h"
#include "simulation/programhost.h"

namespace nuvir {
namespace {

class CountingYield : public YieldService {
public:
    void Yield() override { ++calls; }
    int calls = 0;
};

class ProgramHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedData_ = AppData;
        savedOptions_ = AppOptions;
        AppData = Variant::MakeArray(VarType::Generic, {{0, 79}});
        AppOptions = Variant::MakeArray(VarType::Generic, {{0, 18}});
    }
    void TearDown() override {
        AppData = savedData_;
        AppOptions = savedOptions_;
    }

private:
    Variant savedData_, savedOptions_;
};

TEST_F(ProgramHostTest, ReadsTheSettingsFromTheProgramWideArrays) {
    ProgramSimulationHost host;
    AppData(item::kRegUseConstant) = true;
    AppData(item::kNumImpactCategories) = static_cast<std::int16_t>(3);
    AppData(item::kNumCostCategories) = "4";
    AppOptions(opt::kHideCosts) = false;
    EXPECT_TRUE(host.RegUseConstant());
    EXPECT_EQ(host.NumImpactCategories(), 3);
    EXPECT_EQ(host.NumCostCategories(), 4);
    EXPECT_FALSE(host.HideManagementCosts());
    AppData(item::kRegUseConstant) = false;
    AppOptions(opt::kHideCosts) = true;
    EXPECT_FALSE(host.RegUseConstant());
    EXPECT_TRUE(host.HideManagementCosts());
}

TEST_F(ProgramHostTest, MessagesGoToTheMessageBoxWithAnOkButton) {
    FakeMessageBox box;
    ScopedServices services(ServiceSet{&box});
    ProgramSimulationHost host;
    host.ShowMessage("Disk full", "Export(s) discontinued because of an error");
    ASSERT_EQ(box.calls.size(), 1u);
    EXPECT_EQ(box.calls[0].text, "Disk full");
    EXPECT_EQ(box.calls[0].title, "Export(s) discontinued because of an error");
    EXPECT_EQ(box.calls[0].style, mb::OKOnly);
}

TEST_F(ProgramHostTest, YieldsAtMostOncePerInterval) {
    CountingYield yield;
    ServiceSet set;
    set.yield = &yield;
    ScopedServices services(set);
    ProgramSimulationHost host;
    for (int i = 0; i < 10000; ++i) host.Yield();
    EXPECT_EQ(yield.calls, 1);  // the first call lets events through at once
    std::this_thread::sleep_for(ProgramSimulationHost::kYieldInterval + std::chrono::milliseconds(5));
    host.Yield();
    EXPECT_EQ(yield.calls, 2);
}

}  // namespace
}  // namespace nuvir
