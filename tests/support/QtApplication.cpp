// One Qt application for a whole test program (offscreen platform, set by CTest), made before the
// first test and destroyed after the last one, while Qt's own globals still exist. A program
// whose tests need Qt lists this file among its sources.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "plotwell_tests";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_application.reset(); }

private:
    std::unique_ptr<QApplication> m_application;
};

[[maybe_unused]] ::testing::Environment* const QT_ENVIRONMENT =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
