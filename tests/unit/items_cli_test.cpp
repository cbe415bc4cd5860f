#include "cli/commands.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/stopwatch.h"
#include "items/timers.h"
#include "items_testing.h"

#include <sstream>

namespace hv::items {
namespace {

using testing::at;

class ItemsCliTest : public testing::ItemsTest {
protected:
    std::pair<int, std::string> run(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        const int status = cli::runCli(args, out, err);
        return {status, out.str() + err.str()};
    }
};

TEST_F(ItemsCliTest, PrintsEveryStoredItem) {
    Alarms a;
    a.records[6].alarmTime = testing::ft(2026, 1, 1, 7, 0);
    a.records[6].daysMask = 0x7F;
    setText(a.records[6].note, u"Wake \"up\"");
    a.checkSet(6);
    Timers t;
    ASSERT_TRUE(t.load());
    Events e;
    EventDraft d = e.newEvent();
    d.date = at(2026, 12, 24, 18, 0);
    d.hour = 18;
    ASSERT_TRUE(e.registerEvent(d));
    Stopwatch sw;
    sw.startStopResume();
    ASSERT_TRUE(sw.split());
    ASSERT_TRUE(saveSettings());

    auto [status, text] = run({"items", "alarms", "--data-folder", "\\data\\"});
    EXPECT_EQ(status, 0);
    EXPECT_NE(text.find("alarm 07 notificationHandle=1 note=\"Wake \\\"up\\\"\""),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("daysMask=0x7f alarmTime=\"2026-12-10 07:00:00\" enabled=1"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("alarm 20 "), std::string::npos);

    std::tie(status, text) = run({"items", "timers", "--data-folder", "\\data"});
    EXPECT_EQ(status, 0);
    EXPECT_NE(
        text.find("timer 3 notificationHandle=0 note=\"\" countdownTime=\"2026-12-09 00:00:00\""),
        std::string::npos)
        << text;

    std::tie(status, text) = run({"items", "events", "--data-folder", "\\data\\"});
    EXPECT_NE(text.find("count=1 noteCounter=0"), std::string::npos) << text;
    EXPECT_NE(text.find("event 1 notificationHandle=2 name=\"\" eventTime=\"2026-12-24 18:00:00\""),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("argument=e2"), std::string::npos);

    std::tie(status, text) = run({"items", "stopwatch", "--data-folder", "\\data\\"});
    EXPECT_NE(text.find("stopwatchRunning=1"), std::string::npos) << text;
    EXPECT_NE(text.find("split label=\"Split 01\""), std::string::npos) << text;

    std::tie(status, text) = run({"items", "alarms", "--data-folder", "\\nowhere\\"});
    EXPECT_EQ(status, 1);
    // The stopwatch without a settings file, or with a damaged one, is a failure, not silence.
    EXPECT_EQ(run({"items", "stopwatch", "--data-folder", "\\nowhere\\"}).first, 1);
    ASSERT_TRUE(dev::saveWholeFile(u"\\data\\settings.dat", std::vector<uint8_t>(10, 0)));
    EXPECT_EQ(run({"items", "stopwatch", "--data-folder", "\\data\\"}).first, 1);
    EXPECT_EQ(run({"items", "alarms", "extra"}).first, 2);
}

} // namespace
} // namespace hv::items
