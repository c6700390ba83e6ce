#include "app/SkinBroadcast.h"

namespace app {

SkinBroadcaster& SkinBroadcaster::Process() {
    static SkinBroadcaster broadcaster;
    return broadcaster;
}

void SkinBroadcaster::Add(SkinReceiver* receiver) {
    for (const auto& entry : receivers_)
        if (entry.second == receiver) return;
    receivers_.emplace(nextKey_++, receiver);
}

void SkinBroadcaster::Remove(SkinReceiver* receiver) {
    for (auto it = receivers_.begin(); it != receivers_.end();) {
        if (it->second == receiver) it = receivers_.erase(it);
        else ++it;
    }
}

void SkinBroadcaster::Broadcast(const SkinChangedParam& param) {
    // A copy, so a receiver that unregisters while receiving is safe.
    const auto receivers = receivers_;
    for (const auto& entry : receivers) entry.second->Receive(param);
}

}  // namespace app
