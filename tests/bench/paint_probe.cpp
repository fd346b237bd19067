// Preloaded into a program by gui_startup.sh: reports how long after TELVANE_BENCH_T0_NS (the
// launch, in nanoseconds of CLOCK_REALTIME) the first window finished its first paint, then ends the
// program. The paint is over once the event that delivered it has been handled, so the time is taken
// from a zero timer queued behind it.
#include <time.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

long long NowNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

class FirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!seen_ && event->type() == QEvent::Paint && widget && widget->isWindow()) {
            seen_ = true;
            QTimer::singleShot(0, [] {
                const long long start = qEnvironmentVariable("TELVANE_BENCH_T0_NS").toLongLong();
                std::printf("%.3f\n", static_cast<double>(NowNs() - start) / 1e6);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

void Install() {
    QCoreApplication::instance()->installEventFilter(new FirstPaint(QCoreApplication::instance()));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
