#include "lib/NodeWriter.h"

#include <algorithm>

namespace olvask {

NodeWriter::NodeWriter(WriteFn write) : write_(std::move(write)) {
    thread_ = std::thread([this] { Run(); });
}

NodeWriter::~NodeWriter() {
    Stop();
}

bool NodeWriter::Write(std::span<const uint8_t> report, std::chrono::milliseconds timeout) {
    auto job = std::make_shared<Job>();
    job->bytes.assign(report.begin(), report.end());
    std::unique_lock lock(mutex_);
    if (stop_)
        return false;
    queue_.push_back(job);
    queued_.notify_one();
    finished_.wait_for(lock, timeout, [&] { return job->state == State::Done || stop_; });
    if (job->state == State::Queued)
        std::erase(queue_, job); // too late now: a command sent after its caller gave up
                                 // would only confuse the next one
    return job->state == State::Done && job->written;
}

void NodeWriter::Post(std::span<const uint8_t> report) {
    if (report.empty())
        return;
    std::lock_guard lock(mutex_);
    if (stop_)
        return;
    const auto same = std::find_if(queue_.begin(), queue_.end(), [&](const auto& job) {
        return job->posted && job->bytes.front() == report.front();
    });
    if (same != queue_.end()) {
        (*same)->bytes.assign(report.begin(), report.end());
        return;
    }
    auto job = std::make_shared<Job>();
    job->bytes.assign(report.begin(), report.end());
    job->posted = true;
    queue_.push_back(std::move(job));
    queued_.notify_one();
}

void NodeWriter::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    queued_.notify_all();
    finished_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void NodeWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_)
            return;
        const std::shared_ptr<Job> job = queue_.front();
        queue_.pop_front();
        job->state = State::Writing;
        lock.unlock();
        const bool written = write_(job->bytes);
        lock.lock();
        job->written = written;
        job->state = State::Done;
        finished_.notify_all();
    }
}

} // namespace olvask
