// The engine's command worker.
#include "engine/command_queue.h"

namespace vellora::engine {

CommandQueue::CommandQueue() {
  thread_ = std::thread([this] { Run(); });
}

CommandQueue::~CommandQueue() {
  Close(nullptr);
  thread_.join();
}

bool CommandQueue::Post(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
  return true;
}

void CommandQueue::Close(std::function<void()> last) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    if (last) jobs_.push_back(std::move(last));
    closed_ = true;
  }
  wake_.notify_one();
}

void CommandQueue::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return jobs_.empty() && !running_; });
}

void CommandQueue::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return closed_ || !jobs_.empty(); });
    if (jobs_.empty()) break;  // closed, and every job has run
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    running_ = true;
    lock.unlock();
    job();
    lock.lock();
    running_ = false;
    if (jobs_.empty()) idle_.notify_all();
  }
  idle_.notify_all();
}

}  // namespace vellora::engine
