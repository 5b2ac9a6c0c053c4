#pragma once

#include "cmriggeometry.h"

#include <QWidget>

class CMEngine;
class CMProgressBar;
class CMPrompterView;

// The rig preview's stage: the hood, the screen in its chrome bezel with the live prompter
// picture behind glass, and the progress bar. A click anywhere on it, the picture and the bar
// included, gives the keyboard to the prompter.
//
// The stage reaches `bleedPt`·z beyond its area on the left and right, so that the hood, a
// little wider than the screen, is never cut off when the screen takes the whole width.
class CMRigStage : public QWidget
{
    Q_OBJECT

public:
    CMRigStage(CMEngine &engine, qreal bleedPt, QWidget *parent = nullptr);

    CMRigGeometry rigGeometry() const;
    // The stage's area, without the bleed.
    QRectF area() const;
    CMPrompterView *picture() const { return m_picture; }
    CMProgressBar *progressBar() const { return m_bar; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void place();

    qreal m_bleedPt;
    CMPrompterView *m_picture;
    QWidget *m_glass;
    CMProgressBar *m_bar;
};
