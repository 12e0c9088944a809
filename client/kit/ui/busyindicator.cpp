// A small spinning busy indicator.
#include "kit/ui/busyindicator.h"

#include <QPainter>
#include <QTimerEvent>

namespace kit {

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent)
{
    setFixedSize(28, 27);
    hide();
}

void BusyIndicator::start()
{
    show();
    if (!timer_.isActive())
        timer_.start(80, this);
}

void BusyIndicator::stop()
{
    timer_.stop();
    hide();
}

void BusyIndicator::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != timer_.timerId())
        return QWidget::timerEvent(e);
    step_ = (step_ + 1) % 12;
    update();
}

void BusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(width() / 2.0, height() / 2.0);
    const qreal r = qMin(width(), height()) / 2.0 - 2;
    for (int i = 0; i < 12; ++i) {
        // The spoke at the current step is the darkest; the ones behind it fade out.
        const int age = (step_ - i + 12) % 12;
        QColor c(0x3d, 0x6f, 0x9e);
        c.setAlphaF(1.0 - age / 13.0);
        p.setPen(QPen(c, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -r * 0.45), QPointF(0, -r));
        p.rotate(30);
    }
}

} // namespace kit
