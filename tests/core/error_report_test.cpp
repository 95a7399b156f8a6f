#include "core/error_report.h"

#include <gtest/gtest.h>

namespace zelmora {
namespace {

TEST(ErrorReport, AddsAFullStopOnlyAfterBytesThatSortAfterIt) {
  EXPECT_EQ(ErrorReportText("Connection refused"), "Connection refused.");
  EXPECT_EQ(ErrorReportText("Error 5"), "Error 5.");
  EXPECT_EQ(ErrorReportText("Invalid data type for 'interval'"), "Invalid data type for 'interval'");
  EXPECT_EQ(ErrorReportText("done."), "done.");
  EXPECT_EQ(ErrorReportText("(x)"), "(x)");
  EXPECT_EQ(ErrorReportText("a-"), "a-");
  EXPECT_EQ(ErrorReportText(""), "");
  EXPECT_EQ(ErrorReportText("失败"), "失败.");
}

}  // namespace
}  // namespace zelmora
