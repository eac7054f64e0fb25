#pragma once

#include <QString>

namespace zrx {

// How far a longer piece of bus work has come. Told between two
// transactions, never inside one, so that a window can keep itself painted
// and say what it is doing; being watched changes nothing on the wire.
struct BusWorkStep {
    enum class Kind : quint8 {
        ReadingRegister, // `done` of `total` registers read (the channels, then Max Bank)
        ProgrammingOtp,  // `done` of `total` channels burned
        Resetting,       // the general call is going out
        LoadingFile,     // channel `done` of `total` of the file `name` is going out
        WritingChannel,  // channel `done` is going out
    };

    Kind kind = Kind::WritingChannel;
    int done = 0;
    int total = 0;
    QString name;
};

// Hears of one user action's bus work: where it begins and ends (actions may
// nest: a handler that runs inside another's pause) and every step between.
class BusWorkObserver {
public:
    virtual ~BusWorkObserver() = default;
    virtual void action_begins() = 0;
    // Runs on every step, on fast ports too: it must cost next to nothing
    // until the work has gone on long enough to matter.
    virtual void bus_work_step(const BusWorkStep &step) = 0;
    virtual void action_ends() = 0;
};

// Brackets the bus work of one user action (a button, a keystroke, a batch
// step, a slider move) for the observer, from the handler's start to its end.
class BusWorkAction {
public:
    explicit BusWorkAction(BusWorkObserver *observer) : m_observer(observer)
    {
        if (m_observer)
            m_observer->action_begins();
    }
    ~BusWorkAction()
    {
        if (m_observer)
            m_observer->action_ends();
    }
    BusWorkAction(const BusWorkAction &) = delete;
    BusWorkAction &operator=(const BusWorkAction &) = delete;

private:
    BusWorkObserver *m_observer;
};

} // namespace zrx
