// Runs a page's sensor operation off the window's thread, one at a time: the window keeps
// painting while the operation waits on the link and the sensor. Results and progress come back
// as calls on the window's thread (posted to this object, so none arrive after it is gone).
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

namespace talvex::ui {

class LinkWorker : public QObject {
    Q_OBJECT
  public:
    explicit LinkWorker(QObject* parent = nullptr) : QObject(parent) {}
    ~LinkWorker() override;

    // Starts job on the worker thread unless one runs (false). done runs on this object's thread
    // after the job has returned.
    bool run(std::function<void()> job, std::function<void()> done = {});
    bool busy() const { return busy_.load(); }
    // Calls fn on this object's thread (from the job, for progress).
    void post(std::function<void()> fn);
    // Blocks until the running job, if any, has returned (shutdown).
    void wait();

  signals:
    void finished();

  private:
    std::atomic<bool> busy_{false};
    std::thread thread_;  // touched only on the owner's thread
};

}  // namespace talvex::ui
