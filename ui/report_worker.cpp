#include "ui/report_worker.h"

#include <condition_variable>
#include <mutex>
#include <utility>

namespace veltar {

// Shared with the thread, which may outlive the worker object when a build never returns.
struct ReportWorker::State {
    MakeBuild makeBuild;
    Ready ready;
    MakeKeep makeKeep;
    std::mutex mutex;
    std::condition_variable changed;
    bool requested = false;
    bool building = false;
    bool stopping = false;
    bool ended = false;
    std::optional<Readings> report;
};

void ReportWorker::Run(const std::shared_ptr<State>& state) {
    Build build = state->makeBuild();
    const Keep keep = state->makeKeep ? state->makeKeep() : Keep{};
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->requested || state->stopping; });
        if (state->stopping) break;
        state->requested = false;
        state->building = true;
        lock.unlock();
        Readings report = build();
        lock.lock();
        state->building = false;
        if (state->stopping) break;
        std::optional<Readings> kept;
        if (keep) kept = report;
        state->report = std::move(report);
        lock.unlock();
        state->ready();
        if (kept) keep(*kept);
        lock.lock();
    }
    state->ended = true;
    state->changed.notify_all();
}

ReportWorker::ReportWorker(MakeBuild makeBuild, Ready ready, MakeKeep makeKeep) : m_state(std::make_shared<State>()) {
    m_state->makeBuild = std::move(makeBuild);
    m_state->ready = std::move(ready);
    m_state->makeKeep = std::move(makeKeep);
    m_thread = std::thread(Run, m_state);
}

ReportWorker::~ReportWorker() { Stop(std::chrono::milliseconds(0)); }

bool ReportWorker::Request() {
    {
        const std::lock_guard lock(m_state->mutex);
        if (m_state->building || m_state->requested || m_state->stopping) return false;
        m_state->requested = true;
    }
    m_state->changed.notify_all();
    return true;
}

std::optional<ReportWorker::Readings> ReportWorker::Take() {
    const std::lock_guard lock(m_state->mutex);
    return std::exchange(m_state->report, std::nullopt);
}

bool ReportWorker::Stop(std::chrono::milliseconds wait) {
    std::unique_lock lock(m_state->mutex);
    if (!m_thread.joinable()) return m_state->ended;
    m_state->stopping = true;
    m_state->changed.notify_all();
    const bool ended = m_state->changed.wait_for(lock, wait, [&] { return m_state->ended; });
    lock.unlock();
    if (ended) m_thread.join();
    else m_thread.detach();
    return ended;
}

}  // namespace veltar
