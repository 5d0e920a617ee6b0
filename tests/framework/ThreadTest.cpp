// AfxBeginThread: the program's workers start with their parameter and priority.
#include <gtest/gtest.h>

#include <atomic>

#include "Testkit.h"
#include "framework/AfxBeginThread.h"
#include "base/Exception.h"

namespace {

struct Seen {
    std::atomic<int> priority{-100};
    std::atomic<bool> ran{false};
};

UINT RecordPriority(LPVOID param) {
    Seen* seen = static_cast<Seen*>(param);
    seen->priority = ::GetThreadPriority(::GetCurrentThread());
    seen->ran = true;
    return 0;
}

UINT ThrowAfterRecording(LPVOID param) {
    static_cast<Seen*>(param)->ran = true;
    throw new CMemoryException();
}

TEST(AfxBeginThread, RunsTheProcedureWithItsParameterAtThePriorityAsked) {
    Seen seen;
    ASSERT_TRUE(AfxBeginThread(&RecordPriority, &seen, THREAD_PRIORITY_HIGHEST, 0, 0, nullptr));
    ASSERT_TRUE(testkit::WaitUntil([&] { return seen.ran.load(); }, testkit::kDefaultWaitMs));
    EXPECT_EQ(THREAD_PRIORITY_HIGHEST, seen.priority.load());
}

TEST(AfxBeginThread, RefusesFlagsItCannotHonour) {
    Seen seen;
    EXPECT_FALSE(AfxBeginThread(&RecordPriority, &seen, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr));
    EXPECT_FALSE(AfxBeginThread(nullptr, &seen));
    testkit::PumpMessagesFor(100);
    EXPECT_FALSE(seen.ran.load());
}

TEST(AfxBeginThread, AFailureEscapingTheProcedureEndsOnlyItsThread) {
    Seen seen;
    ASSERT_TRUE(AfxBeginThread(&ThrowAfterRecording, &seen));
    ASSERT_TRUE(testkit::WaitUntil([&] { return seen.ran.load(); }, testkit::kDefaultWaitMs));
    testkit::PumpMessagesFor(100);   // the process is still here to go on
    Seen after;
    ASSERT_TRUE(AfxBeginThread(&RecordPriority, &after));
    EXPECT_TRUE(testkit::WaitUntil([&] { return after.ran.load(); }, testkit::kDefaultWaitMs));
}

}   // namespace
