// The skin chooser's broadcast: a choice of background colour or image goes
// to every registered receiver (the main window), in registration order.
#pragma once

#include "ui/Geometry.h"

#include <map>
#include <string>

namespace app {

struct SkinChangedParam {
    bool isColor = false;
    ui::Color color = 0;
    std::wstring image;
};

class SkinReceiver {
public:
    virtual ~SkinReceiver() = default;
    virtual void Receive(SkinChangedParam param) = 0;
};

class SkinBroadcaster {
public:
    static SkinBroadcaster& Process();
    void Add(SkinReceiver* receiver);
    void Remove(SkinReceiver* receiver);
    void Broadcast(const SkinChangedParam& param);

private:
    std::map<int, SkinReceiver*> receivers_;
    int nextKey_ = 0;
};

}  // namespace app
