// The worker a searcher hands its tree building to: jobs run in the order posted, Wait returns
// only after the last one ended, and a job's exception reaches Wait without stopping the rest.
#include "engine/core/util/SerialWorker.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

TEST(SerialWorkerTest, RunsJobsInOrderAndWaitsForTheLastAndPassesAnExceptionOn) {
    engine::SerialWorker worker;
    std::vector<int> ran;  // only the worker's thread touches it until Wait
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 1000; ++i) {
            worker.Post([&ran, i] { ran.push_back(i); });
            if (round == 1 && i == 500) worker.Post([] { throw std::runtime_error("job failed"); });
        }
        if (round == 0) {
            worker.Wait();
        } else {
            EXPECT_THROW(worker.Wait(), std::runtime_error);
        }
        ASSERT_EQ(ran.size(), 1000u) << "round " << round;
        for (int i = 0; i < 1000; ++i) ASSERT_EQ(ran[static_cast<std::size_t>(i)], i);
        ran.clear();
    }
    worker.Wait();  // the exception was handed over once
}
