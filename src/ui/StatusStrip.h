#pragma once

#include <QWidget>

// A one-line status strip: a text centred in it, or a progress bar filled to a percentage
// with a text over it, in the window's colours.
class StatusStrip : public QWidget
{
    Q_OBJECT
public:
    explicit StatusStrip(QWidget *parent = nullptr);

    void showText(const QString &text);
    // Percent from 0 to 100 (clamped).
    void showProgress(float percent, const QString &text);

    QString text() const { return m_text; }
    bool showsBar() const { return m_bar; }
    float percent() const { return m_percent; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    bool m_bar = false;
    float m_percent = 0;
};
