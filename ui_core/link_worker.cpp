#include "talvex/ui/core/link_worker.hpp"

#include <QMetaObject>

namespace talvex::ui {

LinkWorker::~LinkWorker() {
    wait();
}

bool LinkWorker::run(std::function<void()> job, std::function<void()> done) {
    if (busy_.exchange(true)) return false;
    if (thread_.joinable()) thread_.join();  // the previous job has returned already
    thread_ = std::thread([this, job = std::move(job), done = std::move(done)]() mutable {
        job();
        post([this, done = std::move(done)] {
            busy_ = false;
            if (done) done();
            emit finished();
        });
    });
    return true;
}

void LinkWorker::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

void LinkWorker::wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace talvex::ui
