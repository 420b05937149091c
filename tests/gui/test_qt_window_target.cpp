// Worker threads meet the GUI thread through CQtWindowTarget.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <future>
#include <vector>

#include "common/message_ids.h"
#include "gui/qt_window_target.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

TEST(QtWindowTarget, SendWaitsForTheGuiThreadAndCloseReleasesIt) {
    std::vector<uint32_t> handled;
    bool onGuiThread = true;
    CWindowMessageRouter router([&](Message& m) {
        onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
        handled.push_back(m.id);
        m.wParam = 42;  // the sender sees what the handler did
    });
    CQtWindowTarget target(router);

    // A send from a worker returns once the GUI thread has handled it, after
    // what was posted before it.
    Message sent(WM_DECODER_SPECTRUM, 0, 0);
    auto worker = std::async(std::launch::async, [&] {
        target.Post(Message(WM_DECODER_CPULOAD, 1, 0));
        return target.Send(sent);
    });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        5000));
    EXPECT_TRUE(worker.get());
    EXPECT_EQ(sent.wParam, 42);
    EXPECT_EQ(handled, (std::vector<uint32_t>{WM_DECODER_CPULOAD, WM_DECODER_SPECTRUM}));
    EXPECT_TRUE(onGuiThread);

    // From the GUI thread itself: a direct call.
    Message direct(WM_SET_FREQUENCY, 0, 0);
    EXPECT_TRUE(target.Send(direct));
    EXPECT_EQ(handled.size(), 3u);

    // The GUI thread is busy closing and handles nothing: Close releases
    // the waiting sender, and its message is never handled afterwards.
    handled.clear();
    Message blocked(WM_DECODER_SPECTRUM, 0, 0);
    auto stuck = std::async(std::launch::async, [&] {
        target.Post(Message(WM_DECODER_TEXT, 0, 0));
        return target.Send(blocked);
    });
    // Closed only once the sender really waits.
    EXPECT_TRUE(test::Eventually([&] { return target.WaitingSenders() == 1; }));
    target.Close();
    EXPECT_FALSE(stuck.get());
    EXPECT_FALSE(target.Post(Message(WM_DECODER_CPULOAD, 0, 0)));
    Message late(WM_DECODER_SPECTRUM, 0, 0);
    EXPECT_FALSE(target.Send(late));
    QCoreApplication::processEvents();
    // What was posted before the close still arrives.
    EXPECT_EQ(handled, std::vector<uint32_t>{WM_DECODER_TEXT});
}

}  // namespace
}  // namespace wavelore
