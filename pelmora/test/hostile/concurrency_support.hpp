// Starting several threads at the same moment, so that they race for real,
// and collecting what each of them found wrong.
#ifndef PELMORA_TESTS__CONCURRENCY_SUPPORT_HPP_
#define PELMORA_TESTS__CONCURRENCY_SUPPORT_HPP_

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace pelmora_hostile
{

constexpr int kThreadCount = 4;

/// Runs body(thread index) on kThreadCount threads that all wait at one gate
/// until every one of them has started. Returns each thread's complaints.
inline std::vector<std::string> race(const std::function<std::string(int)> & body)
{
  std::atomic<int> waiting{kThreadCount};
  std::vector<std::string> complaints(kThreadCount);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreadCount; ++t) {
    threads.emplace_back([&, t] {
        waiting.fetch_sub(1);
        while (waiting.load() > 0) {
          std::this_thread::yield();
        }
        complaints[t] = body(t);
      });
  }
  for (auto & thread : threads) {
    thread.join();
  }
  return complaints;
}

/// The complaints joined, "" when there are none.
inline std::string joined(const std::vector<std::string> & complaints)
{
  std::string all;
  for (size_t t = 0; t < complaints.size(); ++t) {
    if (!complaints[t].empty()) {
      all += "thread " + std::to_string(t) + ": " + complaints[t] + "\n";
    }
  }
  return all;
}

}  // namespace pelmora_hostile

#endif  // PELMORA_TESTS__CONCURRENCY_SUPPORT_HPP_
