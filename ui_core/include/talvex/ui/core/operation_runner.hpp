// Runs a page's sensor operation (core code taking the register I/O, a pacer and a prompter) on a
// worker thread under an operation hold of the link arbiter: one operation at a time on the link,
// whichever page or runner starts it. A second one is refused with "another operation is running:
// <name>" (or, with waitIfBusy, waits until the first ends; Stop ends the wait). Under a standard or
// long hold a closed link, seen inside the hold, shows "IDD_Message_ConnectPort" and sends nothing (an
// operation started with startOnLink is told instead, for its own message). The
// operation's questions and messages are shown on the window's thread while the worker waits for the answer;
// its progress goes to the main window's bar. cancel() (Stop, disconnect, another sensor selected) ends the
// operation at its next pause.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/pacer.hpp"
#include "talvex/prompter.hpp"
#include "talvex/register_io.hpp"

namespace talvex::ui {

class CMorvaneDlg;
class LinkWorker;
class Prompter;
class QtPrompter;

using SensorOperation = std::function<void(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter)>;
// An operation that has its own answer to a closed link (a message of its own, or a procedure that
// ends on it): linkOpen says what the hold found.
using LinkOperation =
    std::function<void(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, bool linkOpen)>;

struct RunOptions {
    acquisition::HoldKind hold = acquisition::HoldKind::Standard;
    bool endOnSensorChange = false;  // selecting another sensor cancels it (attachToWindow)
    // Shown instead of sending when the hold finds the link closed.
    const char* closedLinkKey = "IDD_Message_ConnectPort";
    bool closedLinkWarning = false;  // with the warning caption
    // What a second operation is told runs (empty: the title of the tab the owner sits on).
    std::string name;
    bool waitIfBusy = false;     // wait for another operation to end instead of refusing
    bool quietWhenBusy = false;  // periodic exchanges: skip (ran false) without a word
};

// What a second operation is told runs when owner's operation holds the link: the title of the tab
// owner sits on ("Records", "Calibration"), else its window title.
std::string operationNameOf(const QWidget* owner);
// The refusal of an operation while running (a name from operationNameOf) holds the link.
std::string operationBusyText(const std::string& running);

class OperationRunner : public QObject {
    Q_OBJECT
  public:
    using Options = RunOptions;

    // owner: parent of the message boxes; uiPrompter: the page's Qt prompter (null: dialogs).
    OperationRunner(acquisition::LinkArbiter* arbiter, QWidget* owner, Prompter* uiPrompter = nullptr);
    ~OperationRunner() override;  // cancels, answers pending questions with Cancel, waits

    // Starts op on the worker unless one runs (false, nothing started). done runs on the window's
    // thread afterwards; ran is false when op was never called (the link was closed, another
    // operation held it, or Stop came while waiting for it).
    bool start(SensorOperation op, std::function<void(bool ran)> done = {}, Options options = {});
    // The same, with op called whether or not the link is open (ran is false only when another
    // operation held the link or Stop came while waiting for it).
    bool startOnLink(LinkOperation op, std::function<void(bool ran)> done = {}, Options options = {});
    void cancel();
    bool busy() const;
    // Blocks until the running operation has returned (shutdown, tests).
    void wait();

    // Connect/disconnect ends the operation; selecting another sensor ends those started with
    // endOnSensorChange.
    void attachToWindow(CMorvaneDlg* window);
    void sensorChanged();

    // Replaceable parts. Defaults: the RTU link, real time, dialogs.
    void setRegisterIo(RegisterIo* io) { io_ = io; }
    // A pacer the operation's pauses go through (a fake clock drives them in tests); cancel() still
    // ends it.
    void setPacer(Pacer* pacer) { pacer_ = pacer; }
    // A core prompter used instead of the dialog bridge (tests: scripted answers).
    void setPrompter(talvex::Prompter* prompter) { prompter_ = prompter; }
    // The main window's progress bar (0..100; -1 hides it) and log box.
    void setProgress(std::function<void(int)> progress);
    void setLog(std::function<void(const QString&)> log);

  signals:
    void started();
    void finished();

  private:
    class RunPacer;
    // op returns whether it ran (false: the closed link stopped it).
    using HeldOperation = std::function<bool(RegisterIo&, Pacer&, talvex::Prompter&, bool linkOpen)>;
    bool run(HeldOperation op, std::function<void(bool ran)> done, const Options& options);
    acquisition::LinkArbiter* arbiter_;
    QPointer<QWidget> owner_;
    RegisterIo* io_ = nullptr;
    Pacer* pacer_ = nullptr;
    talvex::Prompter* prompter_ = nullptr;
    std::unique_ptr<QtPrompter> bridge_;
    LinkWorker* worker_ = nullptr;
    std::shared_ptr<RunPacer> running_;
    bool endOnSensorChange_ = false;
};

}  // namespace talvex::ui
