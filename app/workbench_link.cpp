#include "workbench_link.hpp"

#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/acquisition/link_arbiter.hpp"

namespace talvex::app {
namespace {

ui::WindowLink::Opened opened(const acquisition::LinkSession::Result& r) {
    return {r.ok, r.reason};
}

class ArbiterPause final : public ui::WindowLink::Pause {
  public:
    explicit ArbiterPause(acquisition::LinkHold hold) : hold_(std::move(hold)) {}

  private:
    acquisition::LinkHold hold_;
};

}  // namespace

WorkbenchLink::WorkbenchLink(acquisition::AcquisitionEngine* engine, acquisition::LinkArbiter* arbiter,
                             acquisition::BusStarter simulatedBus)
    : engine_(engine), arbiter_(arbiter), session_(arbiter, std::move(simulatedBus)) {}

ui::WindowLink::Opened WorkbenchLink::openDevice(const std::string& path, int baud) {
    return opened(session_.openDevice(path, baud));
}

ui::WindowLink::Opened WorkbenchLink::openSimulatedBus(int baud, SensorModel firstModel) {
    return opened(session_.openSimulatedBus(baud, firstModel));
}

void WorkbenchLink::close() {
    session_.close();
}

bool WorkbenchLink::isOpen() const {
    return session_.isOpen();
}

void WorkbenchLink::startPolling(PollerHooks hooks) {
    if (!engine_) return;
    engine_->log().setHook(std::move(hooks.logPending));
    engine_->notices().setHook(std::move(hooks.noticesPending));
    engine_->chartPoints().setHook(std::move(hooks.chartPointsPending));
    if (!engine_->running()) engine_->start();
}

void WorkbenchLink::stopPolling() {
    if (!engine_) return;
    // The hooks' target is going away: no call may reach it once this returns.
    engine_->log().setHook({});
    engine_->notices().setHook({});
    engine_->chartPoints().setHook({});
    engine_->stop();
}

void WorkbenchLink::setLogging(bool on) {
    if (engine_) engine_->setLogging(on);
}

std::string WorkbenchLink::takeLog() {
    return engine_ ? engine_->log().take() : std::string();
}

std::string WorkbenchLink::takeNotices() {
    return engine_ ? engine_->notices().take() : std::string();
}

std::unique_ptr<ui::WindowLink::Pause> WorkbenchLink::pause() {
    if (!arbiter_) return nullptr;
    return std::make_unique<ArbiterPause>(arbiter_->hold(acquisition::HoldKind::Pause));
}

}  // namespace talvex::app
