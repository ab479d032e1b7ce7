// The runtime's last resorts, which no window test reaches: exceptions that are not errors, and a
// reporter that fails itself.

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

#include "runtime/program.h"

namespace kestrune::runtime {
namespace {

TEST(Dispatch, ReportsAnythingThrownAndSurvivesAFailingReporter) {
    std::vector<std::string> reports;
    ErrorReporter previous = setErrorReporter([&](const std::string& m) { reports.push_back(m); });
    dispatchCommand([] { throw 42; });
    setErrorReporter([](const std::string&) { throw std::logic_error("no display"); });
    EXPECT_NO_THROW(dispatchCommand([] { throw std::runtime_error("x"); }));
    setErrorReporter(previous);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("unexpected error"), std::string::npos);
}

} // namespace
} // namespace kestrune::runtime
