// Lets pending window events run while the core waits or wants the screen brought up to date.
// The Qt front end processes its event queue; the headless one and the fakes do almost nothing.
#pragma once

namespace varnix::ports {

class EventPump {
  public:
    virtual ~EventPump() = default;

    // Processes every pending window event (timer ticks and clicks included) and returns.
    virtual void PumpEvents() = 0;
};

}  // namespace varnix::ports
