// The dialog's start state in both layouts and what the operator's settings controls do.
#include <QCheckBox>
#include <QComboBox>
#include <QTest>

#include "DialogFixture.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "ui/PlotwellApp.h"

TEST_F(DialogTest, StartStateInBothLayouts)
{
    struct Case {
        DialogLanguage language;
        const char* caption;
        bool chineseOnlyControls;
    };
    for (const Case& c : {Case{DialogLanguage::English, "Plotwell_FOR VORANEX", false},
                          Case{DialogLanguage::Chinese, "Tavix LiDAR V2.0", true}}) {
        SCOPED_TRACE(c.caption);
        ResetSharedState();
        MakeDialog(c.language);
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(c.caption));
        for (int index = 0; index < 9; ++index)
            EXPECT_EQ(Button(RANGE_BUTTONS[index])->isChecked(), index == 2) << index;
        EXPECT_FALSE(Button(ControlId::COMP_NONE)->isChecked());
        EXPECT_TRUE(Button(ControlId::COMP_FORMULA)->isChecked());
        EXPECT_FALSE(Button(ControlId::COMP_BINS)->isChecked());
        EXPECT_TRUE(Button(ControlId::FILTER)->isChecked());

        auto* models = qobject_cast<QComboBox*>(dialog->Control(ControlId::MODEL));
        QStringList names;
        for (int i = 0; i < models->count(); ++i)
            names << models->itemText(i);
        // The separator (an empty entry) sets the other protocols' models apart.
        EXPECT_EQ(names, QStringList({"TR20", "TR20_A", "TR30_A", "TR30_E", "", "TR20_B", "TR20_C", "TR20_D", "TR10"}));
        EXPECT_EQ(models->currentIndex(), 1);

        EXPECT_EQ(Text(ControlId::OPEN_CLOSE), "OPEN");
        EXPECT_EQ(Text(ControlId::POINT_NUM), "30");
        EXPECT_EQ(Text(ControlId::POINT_NUM_SHOW), "30");
        EXPECT_EQ(Text(ControlId::FILTER_FACTOR), "2.500");
        EXPECT_EQ(Text(ControlId::FACTOR_SHOW), "2.500");
        EXPECT_TRUE(dialog->Control(ControlId::START_STOP)->isHidden());
        EXPECT_TRUE(dialog->Control(ControlId::RECEIVE)->isHidden());

        EXPECT_EQ(dialog->Control(ControlId::FLOAT_FORMAT) != nullptr, c.chineseOnlyControls);
        EXPECT_EQ(dialog->Control(ControlId::STAT_POINTS_LABEL) != nullptr, c.chineseOnlyControls);
        ASSERT_EQ(dialog->Control(ControlId::STAT_POINTS) != nullptr, c.chineseOnlyControls);
        if (c.chineseOnlyControls) {
            EXPECT_EQ(Text(ControlId::STAT_POINTS), "20");
        }
    }
}

TEST_F(DialogTest, EditsTakeOnlyValuesInRangeAndShowTheSettingAgain)
{
    MakeDialog(DialogLanguage::Chinese);
    struct Case {
        int id;
        const char* typed;
        const char* shown;
    };
    // In order: each row starts from the setting the rows above left.
    const Case cases[] = {
        {ControlId::POINT_NUM, "19", "30"},       {ControlId::POINT_NUM, "201", "30"},
        {ControlId::POINT_NUM, "20", "20"},       {ControlId::POINT_NUM, "200", "200"},
        {ControlId::POINT_NUM, "abc", "200"},     {ControlId::POINT_NUM, " 45xyz", "45"},
        {ControlId::POINT_NUM, "99999999999", "45"},
        {ControlId::STAT_POINTS, "0", "20"},      {ControlId::STAT_POINTS, "501", "20"},
        {ControlId::STAT_POINTS, "1", "1"},       {ControlId::STAT_POINTS, "500", "500"},
        {ControlId::FILTER_FACTOR, "0", "2.500"}, {ControlId::FILTER_FACTOR, "-1", "2.500"},
        {ControlId::FILTER_FACTOR, "abc", "2.500"}, {ControlId::FILTER_FACTOR, "0.001", "0.001"},
        {ControlId::FILTER_FACTOR, "2", "2.000"}, {ControlId::FILTER_FACTOR, "inf", "2.000"},
        {ControlId::FILTER_FACTOR, "1e39", "2.000"}, {ControlId::FILTER_FACTOR, "nan", "2.000"},
        {ControlId::FILTER_FACTOR, "0x10", "2.000"}, {ControlId::FILTER_FACTOR, "auto", "2.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " in " + std::to_string(c.id));
        Enter(c.id, QString::fromLatin1(c.typed));
        EXPECT_EQ(Text(c.id), c.shown);
    }
    EXPECT_EQ(Load(g_nPointNum), 45);
    EXPECT_EQ(Text(ControlId::POINT_NUM_SHOW), "45");
    EXPECT_EQ(Load(g_nStatPoints), 500);
    EXPECT_EQ(Load(g_fFilterFactor), 2.0f);
    EXPECT_EQ(Text(ControlId::FACTOR_SHOW), "2.000");
    // Outside playback "auto" only restores the factor's text.
    EXPECT_EQ(Load(g_bHoldFrame), 1);
}

TEST_F(DialogTest, ReturnAndEscapeNeverClose)
{
    MakeDialog(DialogLanguage::English);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    for (int id : {ControlId::POINT_NUM, ControlId::FILTER_FACTOR}) {
        Edit(id)->setFocus();
        QTest::keyClick(Edit(id), Qt::Key_Return);
        QTest::keyClick(Edit(id), Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(Edit(id), Qt::Key_Escape);
    }
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    Settle(50);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(messages.isEmpty()) << "Return must not have pressed OPEN";
}

TEST_F(DialogTest, FilterBoxTakesTheFactorOnlyWhenChecked)
{
    MakeDialog(DialogLanguage::English);
    QAbstractButton* filter = Button(ControlId::FILTER);

    Edit(ControlId::FILTER_FACTOR)->setText("no digits");
    filter->click();
    EXPECT_EQ(Load(g_bFilter), 0);
    EXPECT_EQ(Text(ControlId::FILTER_FACTOR), "no digits");  // unchecking leaves the edit alone

    filter->click();
    EXPECT_EQ(Load(g_bFilter), 1);
    EXPECT_EQ(Load(g_fFilterFactor), 2.5f);
    EXPECT_EQ(Text(ControlId::FILTER_FACTOR), "2.500");

    filter->click();
    Edit(ControlId::FILTER_FACTOR)->setText("3");
    filter->click();
    EXPECT_EQ(Load(g_fFilterFactor), 3.0f);
    EXPECT_EQ(Text(ControlId::FILTER_FACTOR), "3.000");
    EXPECT_EQ(Text(ControlId::FACTOR_SHOW), "3.000");
}

TEST_F(DialogTest, CompensationAndFloatFormatButtons)
{
    MakeDialog(DialogLanguage::Chinese);
    const std::pair<int, int> compensation[] = {
        {ControlId::COMP_NONE, 0}, {ControlId::COMP_BINS, 2}, {ControlId::COMP_FORMULA, 1}};
    for (const auto& [id, mode] : compensation) {
        Button(id)->click();
        EXPECT_EQ(Load(g_nCompensation), mode);
        EXPECT_TRUE(Button(ControlId::RANGE_1M)->isChecked()) << "the two groups are separate";
    }
    Button(ControlId::FLOAT_FORMAT)->click();
    EXPECT_EQ(Load(g_bFloatFormat), 1);
    Button(ControlId::FLOAT_FORMAT)->click();
    EXPECT_EQ(Load(g_bFloatFormat), 0);
}

TEST_F(DialogTest, RangeButtonsDriveTheViewAndRecentre)
{
    MakeDialog(DialogLanguage::English);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    CImageCoord& view = dialog->View();
    const QPoint centre = view.Origin();
    view.OnRButtonDown(QPoint(10, 10));
    view.OnMouseMove(QPoint(60, 40));
    view.OnRButtonUp();
    ASSERT_NE(view.Origin(), centre);
    for (int index : {8, 0, 2}) {
        Button(RANGE_BUTTONS[index])->click();
        EXPECT_EQ(view.Range(), index);
        EXPECT_EQ(view.Origin(), centre);
    }
}

TEST(AppOptions, LanguageFollowsTheLocaleUnlessOverridden)
{
    const std::pair<const char*, DialogLanguage> locales[] = {
        {"zh_CN", DialogLanguage::Chinese}, {"zh_TW", DialogLanguage::English},
        {"zh_HK", DialogLanguage::English}, {"en_US", DialogLanguage::English},
        {"de_DE", DialogLanguage::English}, {"C", DialogLanguage::English}};
    for (const auto& [name, language] : locales)
        EXPECT_EQ(LanguageFor(QLocale(QString::fromLatin1(name))), language) << name;

    EXPECT_EQ(ParseArguments({"--lang", "zh"}).language, DialogLanguage::Chinese);
    EXPECT_EQ(ParseArguments({"--lang", "en"}).language, DialogLanguage::English);
    EXPECT_FALSE(ParseArguments({}).language.has_value());
    const AppOptions demo = ParseArguments({"--demo", "--port", "/dev/ttyACM0", "--model", "TR10"});
    EXPECT_TRUE(demo.demo);
    EXPECT_EQ(demo.port, "/dev/ttyACM0");
    EXPECT_EQ(demo.model, &g_ModelTR10);
    EXPECT_TRUE(demo.error.isEmpty());
    EXPECT_EQ(ParseArguments({}).model, nullptr);
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--lang", "fr"}, {"--port"},
                                                {"--port", "/dev/null"}, {"-x"}, {"--model"}, {"--model", "tr10"}})
        EXPECT_FALSE(ParseArguments(bad).error.isEmpty()) << bad.front();
    EXPECT_TRUE(ParseArguments({"--model", "TR99"}).error.contains("TR20_D, TR10"));
}

TEST(AppOptions, RosTopicsAndDomainAreCheckedBeforeTheWindowOpens)
{
    const struct {
        std::vector<std::string> arguments;
        const char* rosDomainId;  // the environment's ROS_DOMAIN_ID; null: unset
        bool accepted;
        uint32_t domain;
    } cases[] = {
        {{"--publish", "/scan"}, nullptr, true, 0},
        {{"--publish", "scan"}, "7", true, 7},
        {{"--subscribe", "/front/scan", "--domain", "3"}, "7", true, 3},
        {{"--demo"}, "not a number", true, 0},            // no DDS, so the variable does not matter
        {{"--publish", "/scan"}, "not a number", false, 0},
        {{"--publish", "/scan", "--domain", "233"}, nullptr, false, 0},
        {{"--publish", "/scan here"}, nullptr, false, 0},
        {{"--subscribe", "~/scan"}, nullptr, false, 0},
        {{"--subscribe", "/" + std::string(300, 'a')}, nullptr, false, 0},  // longer than ROS 2 allows
        {{"--publish", "/" + std::string(300, 'a')}, nullptr, false, 0},
        {{"--publish", "/scan", "--node-name", "lidar_front"}, nullptr, true, 0},
        {{"--subscribe", "/scan", "--node-name", "lidar-front"}, nullptr, false, 0},
        {{"--subscribe", "/scan", "--publish", "/out"}, nullptr, false, 0},
        {{"--subscribe", "/scan", "--demo"}, nullptr, false, 0},
        {{"--subscribe", "/scan", "--play", "x.txt"}, nullptr, false, 0},
        {{"--serve", "0.0.0.0:8765"}, "not a number", true, 0},  // no DDS either
        {{"--serve", "robot:8765"}, nullptr, false, 0},          // a host name, not an address
        {{"--subscribe", "/scan", "--serve", "8765"}, nullptr, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
        if (c.rosDomainId != nullptr)
            setenv("ROS_DOMAIN_ID", c.rosDomainId, 1);
        else
            unsetenv("ROS_DOMAIN_ID");
        const AppOptions options = ParseArguments(c.arguments);
        EXPECT_EQ(options.error.isEmpty(), c.accepted) << options.error.toStdString();
        if (c.accepted) {
            EXPECT_EQ(options.ros2.domain, c.domain);
        }
    }
    unsetenv("ROS_DOMAIN_ID");
}
