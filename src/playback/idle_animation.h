#pragma once

#include <QWidget>

class QTimer;

// What the video area shows while nothing is open: a small film strip (142 x 48) running across
// the centre of a black field. Its timer runs only while the widget is shown.
class IdleAnimation : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kMotifSize{142, 48};

    explicit IdleAnimation(QWidget *parent = nullptr);

    bool isRunning() const;
    int phase() const { return phase_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer *timer_;
    int phase_ = 0;
};
