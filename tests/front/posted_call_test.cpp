// Calls posted from another thread run on the thread of the object they were posted to, in
// order, and those still waiting when it goes are dropped with it.
#include "front/posted_call.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <memory>
#include <thread>
#include <vector>

namespace ctrlprog {
namespace {

TEST(PostedCalls, RunOnTheObjectsThreadInOrder) {
  QObject owner;
  auto* calls = new PostedCalls(&owner);
  std::vector<int> ran;
  std::vector<QThread*> threads;
  QEventLoop loop;
  std::thread poster([&] {
    for (int i = 0; i < 3; ++i) {
      calls->Post([&, i] {
        ran.push_back(i);
        threads.push_back(QThread::currentThread());
        if (ran.size() == 3) loop.quit();
      });
    }
  });
  poster.join();
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);  // a bound, should the calls never come
  loop.exec();
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
  for (QThread* t : threads) EXPECT_EQ(t, QCoreApplication::instance()->thread());
}

TEST(PostedCalls, CallsStillWaitingGoWithTheirObject) {
  auto ran = std::make_shared<bool>(false);
  {
    QObject owner;
    auto* calls = new PostedCalls(&owner);
    std::thread([calls, ran] { calls->Post([ran] { *ran = true; }); }).join();
  }
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  EXPECT_FALSE(*ran);
}

}  // namespace
}  // namespace ctrlprog
