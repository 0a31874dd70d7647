#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"

namespace {

class DeviceModelTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSharedState(); }
};

TEST_F(DeviceModelTest, SelectingAModelSetsProtocolAndFormulaKind)
{
    struct Case {
        const char* name;
        int32_t index;
        int32_t protocol;
        int32_t formulaKind;
    };
    const Case cases[] = {
        {"TR20", 0, 1, 0},   {"TR20_A", 1, 1, 0}, {"TR30_A", 2, 1, 1}, {"TR30_E", 3, 1, 1},
        {"TR20_B", 4, 1, 0}, {"TR20_C", 5, 2, 0}, {"TR20_D", 6, 3, 0}, {"TR10", 7, 0, 0}};
    for (const Case& c : cases) {
        ResetSharedState();
        Store(g_nFormulaKind, 7);
        EXPECT_EQ(SelectModel(c.name), c.index) << c.name;
        EXPECT_EQ(Load(g_pModel), g_Models[c.index]) << c.name;
        EXPECT_EQ(Load(g_nProtocol), c.protocol) << c.name;
        EXPECT_EQ(Load(g_nFormulaKind), c.formulaKind) << c.name;
    }
}

TEST_F(DeviceModelTest, UnknownOrMalformedNamesChangeNothing)
{
    ASSERT_EQ(SelectModel("TR30_E"), 3);
    const std::string tooLong(32, 'A');
    for (const char* name : {"TR99", "tr20", "", "TR20_A ", tooLong.c_str()}) {
        EXPECT_EQ(SelectModel(name), -1) << '"' << name << '"';
        EXPECT_EQ(Load(g_pModel), &g_ModelTR30_E);
        EXPECT_EQ(Load(g_nProtocol), 1);
        EXPECT_EQ(Load(g_nFormulaKind), 1);
    }
}

TEST_F(DeviceModelTest, StartStateAndTableOrder)
{
    EXPECT_EQ(Load(g_pModel), &g_ModelTR20_A);
    EXPECT_EQ(Load(g_nProtocol), 0);
    // The four the list always offered keep their places; the other protocols' models follow.
    ASSERT_EQ(ModelCount(), 8);
    const char* order[] = {"TR20", "TR20_A", "TR30_A", "TR30_E", "TR20_B", "TR20_C", "TR20_D", "TR10"};
    for (int i = 0; i < 8; ++i)
        EXPECT_STREQ(g_Models[i]->szName, order[i]);
    EXPECT_EQ(g_Models[8], nullptr);
    EXPECT_EQ(g_ModelTR10.nBaudRate, 230400);
    EXPECT_EQ(g_ModelTR10.nPointNum, 60);
    EXPECT_FLOAT_EQ(g_ModelTR10.fCompBase, 170.98f);
}

TEST_F(DeviceModelTest, NameTableAndLookUpWithoutSelecting)
{
    struct Case {
        const char* name;
        int32_t protocol;
        int32_t formulaKind;
    };
    const Case cases[] = {{"TR20_B", 1, 0}, {"TR20_C", 2, 0}, {"TR20_D", 3, 0},
                          {"TR10", 0, 0},   {"TR30_A", 1, 1}, {"XYZ", 0, 0}};
    for (const Case& c : cases) {
        const ModelCodes codes = CodesForName(c.name);
        EXPECT_EQ(codes.protocol, c.protocol) << c.name;
        EXPECT_EQ(codes.formulaKind, c.formulaKind) << c.name;
    }
    EXPECT_EQ(FindAnyModel("TR20_D"), &g_ModelTR20_D);
    EXPECT_EQ(FindAnyModel("TR99"), nullptr);
    EXPECT_EQ(Load(g_pModel), &g_ModelTR20_A);
}

TEST_F(DeviceModelTest, RowNameOfThirtyTwoCharactersIsLeftEmpty)
{
    const std::string longName(32, 'X');
    const DeviceModel tooLong(longName.c_str(), 1, 2, 3, 1.f, 2.f, 3.f);
    EXPECT_STREQ(tooLong.szName, "");
    const std::string fits(31, 'Y');
    const DeviceModel ok(fits.c_str(), 1, 2, 3, 1.f, 2.f, 3.f);
    EXPECT_EQ(std::string(ok.szName), fits);
}

}  // namespace
