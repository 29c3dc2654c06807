// The task queue and the idle handler that drives it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/idle_handler.h"
#include "app/status_model.h"
#include "app/tasks.h"

namespace orv {
namespace {

std::vector<int> Pending(const TTasks& t) {
  std::vector<int> v;
  for (char c : t.Pending()) v.push_back(static_cast<uint8_t>(c));
  return v;
}

TEST(TTasks, NewQueueHasEveryFieldZero) {
  TTasks t;
  EXPECT_TRUE(t.Pending().empty());
  EXPECT_FALSE(t.Ready());
  EXPECT_FALSE(t.Empty());
  EXPECT_FALSE(t.NeedPushIdle());
  EXPECT_EQ(t.CurTask(), 0);
}

TEST(TTasks, TaskZeroIsRefusedAndTheQueueStaysAsItWas) {
  TTasks t;
  t.AddToTail(5);
  t.NextTask();  // not ready, empty, needs a push
  for (auto add : {&TTasks::AddTask, &TTasks::AddToTail}) {
    try {
      (t.*add)(0);
      FAIL() << "0 was queued";
    } catch (const TaskError& e) {
      EXPECT_STREQ(e.what(), "Invalid Task");
    }
  }
  EXPECT_TRUE(t.Pending().empty());
  EXPECT_FALSE(t.Ready());
  EXPECT_TRUE(t.Empty());
}

TEST(TTasks, ANumberIsNeverQueuedTwiceAndKeepsItsPlace) {
  TTasks t;
  t.AddToTail(1);
  t.AddToTail(3);
  t.AddToTail(3);
  EXPECT_EQ(Pending(t), (std::vector<int>{1, 3}));
  t.AddTask(3);  // does not move to the head
  EXPECT_EQ(Pending(t), (std::vector<int>{1, 3}));
  t.AddTask(9);
  t.AddToTail(255);
  EXPECT_EQ(Pending(t), (std::vector<int>{9, 1, 3, 255}));
  EXPECT_TRUE(t.Exist(3));
  EXPECT_FALSE(t.Exist(2));
  EXPECT_FALSE(t.Exist(0));
}

TEST(TTasks, NextTaskTakesTheHeadAndClearsReady) {
  TTasks t;
  t.AddToTail(2);
  t.AddToTail(1);
  EXPECT_TRUE(t.Ready()) << "adding to an empty queue makes it ready";
  EXPECT_EQ(t.NextTask(), 2);
  EXPECT_EQ(t.CurTask(), 2);
  EXPECT_FALSE(t.Ready());
  EXPECT_FALSE(t.Empty());
  EXPECT_FALSE(t.NeedPushIdle());
  t.Next();
  EXPECT_TRUE(t.Ready());
  EXPECT_EQ(t.NextTask(), 1);
  EXPECT_TRUE(t.Empty());
  EXPECT_TRUE(t.NeedPushIdle());
}

TEST(TTasks, NextTaskOnAnEmptyQueueReturnsZeroAndChangesNothing) {
  TTasks t;
  t.AddToTail(4);
  t.NextTask();
  t.Next();
  const uint8_t cur = t.CurTask();
  EXPECT_EQ(t.NextTask(), 0);
  EXPECT_EQ(t.CurTask(), cur);
  EXPECT_TRUE(t.Ready());
  EXPECT_TRUE(t.Empty());
}

TEST(TTasks, AfterTheQueueRanEmptyTheNextAdditionRunsIdleAtOnce) {
  int pushes = 0;
  TTasks t([&] { ++pushes; });
  t.AddToTail(7);
  t.AddToTail(8);
  EXPECT_EQ(pushes, 0) << "the queue has never run empty";
  t.DeleteTask(7);
  EXPECT_FALSE(t.Empty());
  t.DeleteTask(8);
  EXPECT_TRUE(t.Empty());
  EXPECT_TRUE(t.NeedPushIdle());
  t.AddToTail(3);
  EXPECT_EQ(pushes, 1);
  EXPECT_TRUE(t.Ready());
  EXPECT_FALSE(t.Empty());
}

TEST(TTasks, DeleteTaskRemovesEveryOccurrence) {
  TTasks t;
  t.AddToTail(1);
  t.AddToTail(2);
  t.AddToTail(3);
  t.DeleteTask(2);
  t.DeleteTask(42);  // not queued: nothing happens
  EXPECT_EQ(Pending(t), (std::vector<int>{1, 3}));
  EXPECT_FALSE(t.Empty());
}

// --- idle handler ------------------------------------------------------------

struct Post {
  PlugReceiver to;
  PlugMsg msg;
  bool operator==(const Post&) const = default;
};

struct IdleFixture {
  IdleFixture() : tasks([this] { idle.Idle(); }), idle(tasks, table, status, [this](PlugReceiver to, PlugMsg msg) {
                    if (failPosts > 0) {
                      --failPosts;
                      return false;
                    }
                    posts.push_back({to, msg});
                    return true;
                  }) {
    status.SetTasks(&tasks);
  }
  // A task that records its run and releases the queue.
  void Add(uint8_t n, bool releases = true) {
    table.Set(n, {"", "", [this, n, releases] {
                    ran.push_back(n);
                    if (releases) tasks.Next();
                  }});
  }
  StatusModel status;
  TaskTable table;
  TTasks tasks;
  IdleHandler idle;
  std::vector<Post> posts;
  std::vector<int> ran;
  int failPosts = 0;
};

TEST(IdleHandler, UnplugReplacesAPendingPlugAndOnlyItsMessagesAreDelivered) {
  IdleFixture f;
  f.idle.SetPlugEvent(19);
  f.idle.SetPlugEvent(44);
  EXPECT_EQ(f.idle.PlugEvent(), 44);
  EXPECT_FALSE(f.idle.Idle()) << "runs again after delivering";
  EXPECT_EQ(f.posts, (std::vector<Post>{{PlugReceiver::kConnectionsPage, PlugMsg::kUnplugged},
                                        {PlugReceiver::kRStartPage, PlugMsg::kUnplugged},
                                        {PlugReceiver::kHiddenWindow, PlugMsg::kUnplugged}}));
  EXPECT_EQ(f.idle.PlugEvent(), 0);
  EXPECT_TRUE(f.idle.Idle());
}

TEST(IdleHandler, PlugBitsAreDeliveredBeforeAnyTaskAndAFailedPostKeepsItsBit) {
  IdleFixture f;
  f.Add(1);
  f.tasks.AddToTail(1);
  f.idle.SetPlugEvent(0x13);
  f.failPosts = 1;  // the connections page's post fails once
  EXPECT_FALSE(f.idle.Idle());
  EXPECT_EQ(f.idle.PlugEvent(), 0x01);
  EXPECT_TRUE(f.ran.empty());
  EXPECT_FALSE(f.idle.Idle());
  EXPECT_EQ(f.idle.PlugEvent(), 0);
  EXPECT_EQ(f.posts.back(), (Post{PlugReceiver::kConnectionsPage, PlugMsg::kPlugged}));
  EXPECT_TRUE(f.ran.empty());
  EXPECT_TRUE(f.idle.Idle()) << "Done = Empty after the last task";
  EXPECT_EQ(f.ran, (std::vector<int>{1}));
}

TEST(IdleHandler, RunsTasksInOrderOnlyWhenReady) {
  IdleFixture f;
  f.Add(2);
  f.Add(1);
  f.Add(5, /*releases=*/false);
  f.tasks.AddToTail(2);
  f.tasks.AddToTail(5);
  f.tasks.AddToTail(1);
  EXPECT_FALSE(f.idle.Idle());
  EXPECT_FALSE(f.idle.Idle());  // 5 does not release the queue
  EXPECT_TRUE(f.idle.Idle()) << "paused: nothing to do";
  EXPECT_EQ(f.ran, (std::vector<int>{2, 5}));
  f.tasks.Next();
  f.idle.Idle();
  EXPECT_EQ(f.ran, (std::vector<int>{2, 5, 1}));
}

TEST(IdleHandler, AnUnknownTaskDoesNothingAndLeavesTheQueuePaused) {
  IdleFixture f;
  f.Add(1);
  f.tasks.AddToTail(77);
  f.tasks.AddToTail(1);
  EXPECT_FALSE(f.idle.Idle());
  EXPECT_FALSE(f.tasks.Ready());
  EXPECT_TRUE(f.idle.Idle());
  EXPECT_TRUE(f.ran.empty());
  EXPECT_TRUE(f.tasks.Exist(1));
}

TEST(IdleHandler, ATaskAddedWhileAnotherRunsStartsAfterItReturned) {
  IdleFixture f;
  f.Add(3);
  f.table.Set(9, {"", "", [&] {
                    f.ran.push_back(9);
                    f.tasks.AddToTail(3);  // the queue had run empty: this pushes the idle handler
                    EXPECT_EQ(f.ran, (std::vector<int>{9})) << "3 started inside 9";
                    f.tasks.Next();
                  }});
  f.tasks.AddToTail(9);
  EXPECT_FALSE(f.idle.Idle());
  EXPECT_EQ(f.ran, (std::vector<int>{9}));
  EXPECT_TRUE(f.idle.Idle());
  EXPECT_EQ(f.ran, (std::vector<int>{9, 3}));
}

TEST(IdleHandler, ATaskThatThrowsIsReportedAndReleasesTheQueue) {
  IdleFixture f;
  std::string error;
  f.idle.SetOnTaskError([&](const std::string& e) { error = e; });
  f.Add(2);
  f.table.Set(1, {"", "", [] { throw std::runtime_error("Ошибка записи данных"); }});
  f.tasks.AddToTail(1);
  f.tasks.AddToTail(2);
  f.idle.Idle();
  EXPECT_EQ(error, "Ошибка записи данных");
  f.idle.Idle();
  EXPECT_EQ(f.ran, (std::vector<int>{2}));
}

TEST(IdleHandler, ANeverFilledReadyQueueDoesNotAskToRunForEver) {
  IdleFixture f;
  f.tasks.SetReady(true);  // Empty is still false on a new queue
  EXPECT_TRUE(f.idle.Idle());
}

}  // namespace
}  // namespace orv
