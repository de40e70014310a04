// The hand-over between the window and the thread that builds its reports:
// one build at a time, the newest report wins, and a stop that never waits
// longer than it was given, whatever the build is doing.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ui/report_worker.h"

namespace veltar {
namespace {

using namespace std::chrono_literals;

// A count that one thread raises and another takes from, waiting for it
// (std::counting_semaphore never wakes in MinGW-w64's x64 runtime).
class Signals {
public:
    void release() {
        {
            const std::lock_guard lock(m_mutex);
            ++m_count;
        }
        m_changed.notify_all();
    }
    bool try_acquire_for(std::chrono::milliseconds wait) {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, wait, [&] { return m_count > 0; })) return false;
        --m_count;
        return true;
    }
    void acquire() { ASSERT_TRUE(try_acquire_for(std::chrono::seconds(30))); }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
};

// A build that says when it starts and waits to be let through; the reports count up.
struct Builds {
    Signals started;
    Signals release;
    Signals ready;
    int count = 0;
};

std::unique_ptr<ReportWorker> WorkerOver(const std::shared_ptr<Builds>& builds) {
    return std::make_unique<ReportWorker>(
        [builds]() -> ReportWorker::Build {
            return [builds] {
                builds->started.release();
                builds->release.acquire();
                return ReportWorker::Readings{
                    {SensorKind::Processor, static_cast<std::uint32_t>(++builds->count), 40, {}}};
            };
        },
        [builds] { builds->ready.release(); });
}

TEST(ReportWorker, BuildsOneReportAtATimeAndHandsOverTheNewest) {
    const auto builds = std::make_shared<Builds>();
    const auto worker = WorkerOver(builds);
    EXPECT_EQ(worker->Take(), std::nullopt);

    ASSERT_TRUE(worker->Request());
    builds->started.acquire();
    EXPECT_FALSE(worker->Request());  // a tick while it builds starts nothing
    builds->release.release();
    builds->ready.acquire();

    ASSERT_TRUE(worker->Request());  // a second report, while the first is still not taken
    builds->release.release();
    builds->ready.acquire();
    const auto taken = worker->Take();
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->front().number, 2u);
    EXPECT_EQ(worker->Take(), std::nullopt);
    EXPECT_EQ(builds->count, 2);
    EXPECT_TRUE(worker->Stop(5s));
}

TEST(ReportWorker, StopsPromptlyWhileABuildIsStuckAndReportsNothingAfterwards) {
    const auto builds = std::make_shared<Builds>();
    auto worker = WorkerOver(builds);
    ASSERT_TRUE(worker->Request());
    builds->started.acquire();

    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(worker->Stop(50ms));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
    EXPECT_FALSE(worker->Request());
    worker.reset();  // the object goes; the stuck thread keeps what it shares

    builds->release.release();  // the build comes back late: nothing is handed over
    EXPECT_FALSE(builds->ready.try_acquire_for(200ms));
}

TEST(ReportWorker, KeepsEachReportAfterHandingItOverSoASlowKeepDelaysNoReport) {
    const auto builds = std::make_shared<Builds>();
    Signals kept;
    Signals keepMayEnd;
    std::thread::id keptOn;
    ReportWorker worker(
        [builds]() -> ReportWorker::Build {
            return [builds] { return ReportWorker::Readings{{SensorKind::Gpu, 1, 50.0 + ++builds->count, {}}}; };
        },
        [builds] { builds->ready.release(); },
        [&]() -> ReportWorker::Keep {
            return [&](const ReportWorker::Readings& readings) {
                keptOn = std::this_thread::get_id();
                EXPECT_EQ(readings.front().celsius, 51);
                kept.release();
                keepMayEnd.acquire();  // a disk that takes its time
            };
        });
    ASSERT_TRUE(worker.Request());
    // The window is told, and takes the report, while the keep has not ended.
    const bool handedOver = builds->ready.try_acquire_for(5s);
    const auto taken = worker.Take();
    keepMayEnd.release();
    EXPECT_TRUE(handedOver);
    EXPECT_TRUE(taken);
    kept.acquire();
    EXPECT_NE(keptOn, std::this_thread::get_id());
    EXPECT_TRUE(worker.Stop(5s));
}

TEST(ReportWorker, StopsAtOnceWhenIdle) {
    const auto builds = std::make_shared<Builds>();
    const auto worker = WorkerOver(builds);
    EXPECT_TRUE(worker->Stop(5s));
    EXPECT_TRUE(worker->Stop(0ms));
    EXPECT_EQ(builds->count, 0);
}

}  // namespace
}  // namespace veltar
