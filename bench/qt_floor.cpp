// The least a Qt Widgets program pays for what the running Stopwatch view shows: a window of the
// main window's size keeps its pixels in an image, and a 100 ms timer changes the rectangle of
// the hundredths in it and asks Qt to repaint that rectangle, which paintEvent copies to the
// screen. bench/stopwatch_cpu.sh measures it beside Horavel and GNOME Clocks.
#include <QApplication>
#include <QBasicTimer>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QWidget>

namespace {

// The hundredths' rectangle of the Stopwatch view on the main window's client.
const QRect kHundredths(380, 124, 86, 60);

class Floor final : public QWidget {
public:
    Floor() : pixels_(480, 562, QImage::Format_RGB32) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setWindowTitle(QStringLiteral("Qt floor"));
        resize(pixels_.size());
        pixels_.fill(Qt::white);
        timer_.start(100, this);
    }

protected:
    void timerEvent(QTimerEvent*) override {
        ++ticks_;
        {
            QPainter p(&pixels_);
            p.fillRect(kHundredths, (ticks_ & 1) ? QColor(0, 0, 128) : QColor(0, 0, 96));
        }
        update(kHundredths);
    }
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        for (const QRect& r : e->region())
            p.drawImage(r.topLeft(), pixels_, r);
    }

private:
    QImage pixels_;
    QBasicTimer timer_;
    unsigned ticks_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Floor w;
    w.show();
    return app.exec();
}
