#include "ui/StatusStrip.h"

#include <QPainter>
#include <QStyleOptionProgressBar>

#include <algorithm>

StatusStrip::StatusStrip(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void StatusStrip::showText(const QString &text)
{
    m_text = text;
    m_bar = false;
    update();
}

void StatusStrip::showProgress(float percent, const QString &text)
{
    m_text = text;
    m_bar = true;
    m_percent = std::clamp(percent, 0.0f, 100.0f);
    update();
}

QSize StatusStrip::sizeHint() const
{
    return { 420, fontMetrics().height() + 10 };
}

void StatusStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_bar) {
        // A sunken strip, so an empty status still shows where the next one will appear.
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter,
                         fontMetrics().elidedText(m_text, Qt::ElideRight, width() - 8));
        return;
    }
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.minimum = 0;
    option.maximum = 100;
    option.progress = qRound(m_percent);
    option.text = m_text;
    option.textVisible = true;
    option.textAlignment = Qt::AlignCenter;
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}
