// The engine's own worker: operator commands and the start-up run on it, one after
// the other in the order they were given, so that the caller (the window's thread)
// never waits on a share, a file deletion or the database.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vellora::engine {

class CommandQueue {
 public:
  CommandQueue();
  // Runs what is queued, then ends the thread.
  ~CommandQueue();
  CommandQueue(const CommandQueue&) = delete;
  CommandQueue& operator=(const CommandQueue&) = delete;

  // Queues a job; false (and the job is dropped) once the queue is closed.
  bool Post(std::function<void()> job);
  // Closes the queue: the jobs queued so far still run, then last, then the thread
  // ends. Later Posts are refused.
  void Close(std::function<void()> last);
  // Returns once every job queued so far has run.
  void WaitUntilIdle();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<std::function<void()>> jobs_;
  bool running_ = false;
  bool closed_ = false;
  std::thread thread_;
};

}  // namespace vellora::engine
