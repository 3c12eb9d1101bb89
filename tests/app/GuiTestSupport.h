#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace veltrane::guitest {

// Runs action on the next modal widget that appears (within a few seconds).
inline void OnNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    auto* elapsed = new QElapsedTimer;
    elapsed->start();
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr || elapsed->elapsed() > 5000) {
            timer->stop();
            timer->deleteLater();
            delete elapsed;
            if (modal != nullptr) {
                action(modal);
            }
        }
    });
    timer->start();
}

inline void PressEscapeOnNextModal() {
    OnNextModal([](QWidget* modal) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(modal, &press);
    });
}

// Processes events for a while (the live timer runs meanwhile).
inline void Pump(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// Processes events until done holds or the deadline passes (generous: a loaded machine only slows
// the test down); what done gives last.
inline bool PumpUntil(const std::function<bool()>& done, int deadlineMs = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() >= deadlineMs) {
            return done();
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace veltrane::guitest
