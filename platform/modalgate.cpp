#include "platform/modalgate.h"

namespace platform {

ModalGate &ModalGate::instance()
{
    static ModalGate gate;
    return gate;
}

ModalGate::Hold::Hold()
{
    ++instance().m_depth;
}

ModalGate::Hold::~Hold()
{
    ModalGate &gate = instance();
    if (--gate.m_depth != 0 || gate.m_reopenPosted) return;
    gate.m_reopenPosted = true;
    QMetaObject::invokeMethod(
        &gate,
        [&gate] {
            gate.m_reopenPosted = false;
            // Another box may have opened before this ran; its own close posts again.
            if (gate.m_depth == 0) emit gate.reopened();
        },
        Qt::QueuedConnection);
}

Timer::Timer(QObject *parent) : QTimer(parent)
{
    connect(this, &QTimer::timeout, this, [this] {
        if (ModalGate::isOpen())
            emit tick();
        else
            m_missed = true;
    });
    connect(&ModalGate::instance(), &ModalGate::reopened, this, [this] {
        if (!m_missed) return;
        m_missed = false;
        if (isActive()) emit tick(); // a handler that stopped the timer meant it
    });
}

} // namespace platform
