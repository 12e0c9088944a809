// A small spinning busy indicator, hidden at rest; one timer and a step counter drive it.
#pragma once

#include <QBasicTimer>
#include <QWidget>

namespace kit {

class BusyIndicator : public QWidget {
    Q_OBJECT
public:
    explicit BusyIndicator(QWidget* parent = nullptr);

    void start(); // shows and animates
    void stop();  // stops and hides
    bool isAnimating() const { return timer_.isActive(); }
    QSize sizeHint() const override { return {28, 27}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void timerEvent(QTimerEvent* e) override;

private:
    QBasicTimer timer_;
    int step_ = 0;
};

} // namespace kit
