// A page of a gigabyte moved from /dev/shm to the disk, the way a delivery across
// file systems moves it: how long the whole move takes, and how long a stop asked
// for half-way through the copy waits until the move has given up (the temporary
// removed, the source still in place).
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/files.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace vellora;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void WritePage(const std::string& path, size_t bytes) {
  std::string block(1 << 20, 'P');
  std::ofstream out(path, std::ios::binary);
  for (size_t done = 0; done < bytes; done += block.size()) out << block;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t mib = argc > 1 ? std::stoul(argv[1]) : 1024;
  char shmTempl[] = "/dev/shm/vellora-bench-XXXXXX";
  char diskTempl[] = "/tmp/vellora-bench-XXXXXX";
  std::string shm = mkdtemp(shmTempl), disk = mkdtemp(diskTempl);
  std::string src = shm + "/page.pdf", dst = disk + "/page.pdf";

  // 1. The whole move, with the copy flushed to disk.
  WritePage(src, mib << 20);
  auto t0 = Clock::now();
  bool moved = platform::MoveFileReplace(src, dst);
  auto t1 = Clock::now();
  std::printf("move of %zu MiB across file systems: %.2f s (%s)\n", mib, Seconds(t0, t1),
              moved ? "moved" : "FAILED");
  fs::remove(dst);

  // 2. A stop half-way through the copy: the time from the request to the end of
  // the move, for several attempts.
  for (int round = 0; round < 3; ++round) {
    WritePage(src, mib << 20);
    std::atomic<bool> stop{false};
    std::atomic<int> asked{0};
    platform::MoveOptions options;
    options.stop = [&] {
      ++asked;
      return stop.load();
    };
    Clock::time_point stopAt, endAt;
    std::string why;
    std::thread mover([&] {
      platform::MoveFileReplace(src, dst, options, &why);
      endAt = Clock::now();
    });
    // One question per 256 KiB: half the page copied.
    const int half = static_cast<int>((mib << 20) / (256 * 1024) / 2);
    while (asked.load() < half) std::this_thread::sleep_for(std::chrono::microseconds(200));
    stopAt = Clock::now();
    stop = true;
    mover.join();
    bool sourceKept = fs::exists(src) && fs::file_size(src) == (mib << 20);
    size_t left = 0;
    for (auto& e : fs::directory_iterator(disk)) left += e.is_regular_file();
    std::printf(
        "stop half-way: move ended %.1f ms after the request (%s), source %s, %zu "
        "files left in the destination folder\n",
        Seconds(stopAt, endAt) * 1000, why.c_str(), sourceKept ? "kept" : "LOST", left);
    fs::remove(src);
  }
  fs::remove_all(shm);
  fs::remove_all(disk);
  return 0;
}
