// What several benches share: the median of their rounds, and a RIP that takes every
// file out of its folders as soon as it appears.
#pragma once

#include <dirent.h>
#include <stdio.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace vellora::bench {

// The middle of the sorted rounds (the upper one of an even count); 0 for none.
inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Moves every file (not folders, not hidden names) out of the folders into taken,
// in a loop on a thread of its own, until destroyed.
class Taker {
 public:
  Taker(std::vector<std::string> folders, std::string taken)
      : folders_(std::move(folders)), taken_(std::move(taken)), thread_([this] { Run(); }) {}
  ~Taker() {
    stop_ = true;
    thread_.join();
  }
  Taker(const Taker&) = delete;
  Taker& operator=(const Taker&) = delete;

 private:
  void Run() {
    while (!stop_) {
      for (const auto& f : folders_) {
        DIR* d = opendir(f.c_str());
        if (d == nullptr) continue;
        while (dirent* de = readdir(d)) {
          if (de->d_name[0] == '.' || de->d_type == DT_DIR) continue;
          rename((f + "/" + de->d_name).c_str(), (taken_ + "/" + de->d_name).c_str());
        }
        closedir(d);
      }
    }
  }

  std::vector<std::string> folders_;
  std::string taken_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace vellora::bench
