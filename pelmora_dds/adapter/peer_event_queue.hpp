// Peer events handed from a middleware's listener threads to the thread
// that drives the endpoint; every backend's listener is one of these.
#ifndef PELMORA_DDS__PEER_EVENT_QUEUE_HPP_
#define PELMORA_DDS__PEER_EVENT_QUEUE_HPP_

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "pelmora_dds/endpoint.hpp"

namespace pelmora_dds
{

class PeerEventQueue
{
public:
  void push(PeerEvent event)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(event));
  }

  /// A change of the matched count: positive when `peer` matched, negative
  /// when it went away, zero when nothing happened.
  void push_match(int32_t change, std::string peer)
  {
    if (change != 0) {
      push({change > 0 ? PeerEvent::Kind::matched : PeerEvent::Kind::lost, std::move(peer)});
    }
  }

  /// Every event queued so far, oldest first.
  std::vector<PeerEvent> take()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<PeerEvent> out(events_.begin(), events_.end());
    events_.clear();
    return out;
  }

private:
  std::mutex mutex_;
  std::deque<PeerEvent> events_;
};

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__PEER_EVENT_QUEUE_HPP_
