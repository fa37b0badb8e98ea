#include "talvex/diagnostics/link_monitor.hpp"

#include <chrono>

namespace talvex::diagnostics {

LinkMonitor::LinkMonitor(bool keepFrames) : keepFrames_(keepFrames) {
    attach();
}

LinkMonitor::~LinkMonitor() {
    detach();
}

void LinkMonitor::attach() {
    if (!attached_) attached_ = RTUAddFrameListener(&LinkMonitor::onFrame, this) == 1;
}

void LinkMonitor::detach() {
    if (attached_) RTURemoveFrameListener(&LinkMonitor::onFrame, this);
    attached_ = false;
    lastRequestUs_ = -1;
}

void LinkMonitor::onFrame(const RTUFrame* frame, void* user) {
    static_cast<LinkMonitor*>(user)->take(*frame);
}

void LinkMonitor::take(const RTUFrame& f) {
    FrameEvent e;
    e.timeUs = f.timeUs;
    e.direction = static_cast<FrameDirection>(f.direction);
    e.outcome = static_cast<FrameOutcome>(f.outcome);
    e.retry = f.retry != 0;
    e.bytes = f.bytes;
    e.length = f.length > 0 ? static_cast<std::size_t>(f.length) : 0;
    const std::int64_t unixMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                    .count();
    statistics_.onFrame(e, unixMs);
    if (!keepFrames_) return;
    TrafficFrame t;
    t.timeUs = e.timeUs;
    t.unixMs = unixMs;
    t.direction = e.direction;
    t.outcome = e.outcome;
    t.retry = e.retry;
    if (e.direction == FrameDirection::Request) {
        lastRequestUs_ = e.timeUs;
    } else if (lastRequestUs_ >= 0 && e.outcome != FrameOutcome::Late && e.outcome != FrameOutcome::Stream) {
        t.responseUs = e.timeUs - lastRequestUs_;
        lastRequestUs_ = -1;
    }
    t.bytes.assign(e.bytes, e.bytes + e.length);
    log_.append(std::move(t));
}

}  // namespace talvex::diagnostics
