#include <gtest/gtest.h>
#include <unistd.h>

#include "appdata/ini.h"
#include "appdata/options.h"
#include "appdata_fixture.h"

namespace nuvir {
namespace {

TEST(AppFactsDefaults, TheRunningExecutableAndVersionThreeTwo) {
    char buffer[4096] = {};
    const auto n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    ASSERT_GT(n, 0);
    const std::string exe(buffer, static_cast<std::size_t>(n));
    // Every test that injects facts restores them, so these are the defaults.
    EXPECT_EQ(exe, App().path + "/" + App().exeName);
    EXPECT_EQ(App().major, 3);
    EXPECT_EQ(App().minor, 2);
}

class Services : public test::AppDataTest {};

TEST_F(Services, VersionIsMajorDotMinorTakenAsANumber) {
    EXPECT_DOUBLE_EQ(RunningVersion(), 3.2);
    SetAppFacts(AppFacts{dir.str(), "nuvir", 3, 10});
    EXPECT_DOUBLE_EQ(RunningVersion(), 3.1);
}

TEST_F(Services, TheFileNamesFollowTheProgramFolderAndName) {
    SetAppFacts(AppFacts{"/opt/risk/", "Kelvin", 3, 2});
    EXPECT_EQ(GetIniFileName(), "/opt/risk/Kelvin.ini");
    EXPECT_EQ(GetOptionsIniFileName(), "/opt/risk/KelvinOptions.ini");
    SetAppPath("/srv");
    EXPECT_EQ(GetIniFileName(), "/srv/Kelvin.ini");
}

TEST_F(Services, MainFormRegistrationAndTheStartUpFlag) {
    EXPECT_EQ(MainWindowHost(), nullptr);
    test::FakeMainForm form;
    SetMainWindowHost(&form);
    EXPECT_EQ(MainWindowHost()->BackColor(), form.backColor);
    SetMainWindowHost(nullptr);
    EXPECT_EQ(MainWindowHost(), nullptr);
    EXPECT_TRUE(FirstActivation());
    SetFirstActivation(false);
    EXPECT_FALSE(FirstActivation());
}

}  // namespace
}  // namespace nuvir
