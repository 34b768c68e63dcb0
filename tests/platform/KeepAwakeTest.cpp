#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/KeepAwake.h"

namespace {

std::vector<std::string> g_lines;
void Record(std::string const& line) { g_lines.push_back(line); }

// With neither bus reachable the program runs on without an inhibitor and says so once.
TEST(KeepAwake, NoBusReachableRunsWithoutInhibitorAndLogsOnce) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/quorin-system-bus", 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorin-session-bus", 1);
    g_lines.clear();
    {
        platform::KeepAwake awake("test", &Record);
        EXPECT_EQ(awake.Route(), platform::KeepAwakeRoute::None);
        ASSERT_EQ(g_lines.size(), 1u);
        EXPECT_EQ(g_lines[0], awake.Summary());
        EXPECT_NE(g_lines[0].find("none"), std::string::npos) << g_lines[0];
        EXPECT_NE(g_lines[0].find("system bus"), std::string::npos) << g_lines[0];
        EXPECT_NE(g_lines[0].find("session bus"), std::string::npos) << g_lines[0];
    }
    EXPECT_EQ(g_lines.size(), 1u);  // letting go logs nothing more
}

}  // namespace
