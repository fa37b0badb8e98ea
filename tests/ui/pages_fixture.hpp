// A simulated bus on a pseudo-terminal, the RTU link opened on it, and the acquisition core the
// pages drive: the set-up the pages' widget tests share.
#pragma once

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>

#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/acquisition/record_store.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/prompter.hpp"

namespace talvex::ui::testing {

// Answers questions from a script (OK when the script is empty) and keeps what was shown.
class ScriptedPrompter : public Prompter {
  public:
    void message(QWidget*, const QString& text, const QString& caption, Icon) override {
        messages << text;
        captions << caption;
    }
    bool question(QWidget*, const QString& text, const QString&) override {
        questions << text;
        if (answers.empty()) return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    // Retry/Cancel boxes, kept apart from the OK/Cancel questions; answered from the same script.
    bool retry(QWidget*, const QString& text, const QString&) override {
        retries << text;
        if (answers.empty()) return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    QString saveFileName(QWidget*, const QString& suggested, const QString& filter) override {
        suggestedNames << suggested;
        filters << filter;
        return fileToChoose;
    }
    bool openFile(const QString& path) override {
        opened << path;
        return true;
    }
    bool canOpenFiles() const override { return launcher; }
    QStringList messages, captions, questions, retries, suggestedNames, filters, opened;
    bool launcher = true;  // a program that opens files is installed
    std::deque<bool> answers;
    QString fileToChoose;
};

inline QString text(const char* key) {
    return QString::fromStdString(GetText(key));
}

// Sensors 1..sensorCount of the given model on the bus; channels 1..sensorCount enabled at rate 0.
class SimulatedLink {
  public:
    // adjust may change the bus options before the bus starts (pacing, a sensor's history, ...).
    explicit SimulatedLink(int sensorCount = 3, SensorModel model = SensorModel::KA,
                           const std::function<void(sim::BusOptions&)>& adjust = {}) {
        sim::BusOptions o;
        o.sensors.clear();
        for (int id = 1; id <= sensorCount; ++id)
            o.sensors.push_back(sim::defaultSensorConfig(static_cast<std::uint8_t>(id), model));
        o.flowmeter = false;
        o.pace = false;
        if (adjust) adjust(o);
        bus = std::make_unique<sim::SimBus>(o);
        std::string error;
        started = bus->start(&error);
        EXPECT_TRUE(started) << error;
        opened = started && RTUOpenDevice(bus->slavePath().c_str(), 19200, 8, 0, 0) == 1;
        EXPECT_TRUE(opened);
        for (int ch = 1; ch <= kChannelCount; ++ch)
            sessionState.enumUintEN.set(
                ch, {static_cast<std::uint8_t>(ch), 0, static_cast<std::uint8_t>(ch <= sensorCount ? 1 : 0)});
        sessionState.selectedSensorId = 1;

        acquisition::EngineOptions eo;
        eo.databasePath = dir.filePath("SensorDB.db").toStdString();
        eo.model = model;
        eo.text = [](std::string_view k) { return GetText(k); };
        eo.read = acquisition::rtuRegisterReader();
        engine = std::make_unique<acquisition::AcquisitionEngine>(arbiter, store, sessionState, eo);

        ctx.engine = engine.get();
        ctx.store = &store;
        ctx.arbiter = &arbiter;
        ctx.session = &sessionState;
        ctx.databasePath = eo.databasePath;
        ctx.model = model;
        ctx.prompter = &prompter;
        ctx.progress = [this](int p) { progress << p; };
    }
    ~SimulatedLink() {
        engine->stop();
        arbiter.disconnecting();
        RTUCloseCom();
        bus->stop();
    }
    // Port open and poller running, as after the window's connect.
    void connect() {
        arbiter.connected();
        engine->start();
    }

    QTemporaryDir dir;
    std::unique_ptr<sim::SimBus> bus;
    bool started = false, opened = false;
    acquisition::LinkArbiter arbiter;
    acquisition::RecordStore store;
    Session sessionState;
    std::unique_ptr<acquisition::AcquisitionEngine> engine;
    ScriptedPrompter prompter;
    QList<int> progress;
    PageContext ctx;
};

}  // namespace talvex::ui::testing
