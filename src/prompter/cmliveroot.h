#pragma once

#include <QWidget>

class CMEngine;
class CMHintBar;
struct CMOutputOptions;
class CMPrompterView;
class QGraphicsOpacityEffect;
class QVariantAnimation;

// The content of the live window: the full-size prompter picture with the hint bar floating
// 16 points above the bottom edge. The bar shows while the pointer is over the window or the
// prompter is stopped; hovering fades it in over 0.3 s, a change of the run state switches
// it at once. An output may do without the bar altogether (a talent's glass).
class CMLiveRoot : public QWidget
{
    Q_OBJECT

public:
    static constexpr int fadeMs = 300;

    explicit CMLiveRoot(CMEngine &engine, QWidget *parent = nullptr);

    // This output's mirror, flip, time and hint bar.
    void setOptions(const CMOutputOptions &options);
    bool hintBarEnabled() const { return m_barEnabled; }
    void setHintBarEnabled(bool enabled);

    bool hover() const { return m_hover; }
    void setHover(bool hover);
    // What the bar is showing now (0 hidden … 1 opaque); mid-fade values in between.
    double barOpacity() const { return m_opacity; }

    CMPrompterView *prompterView() const { return m_view; }
    CMHintBar *hintBar() const { return m_bar; }

Q_SIGNALS:
    void exitRequested();

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    double targetOpacity() const;
    void applyOpacity(double opacity);
    void placeBar();

    CMEngine &m_engine;
    CMPrompterView *m_view;
    CMHintBar *m_bar;
    QGraphicsOpacityEffect *m_fade;
    QVariantAnimation *m_animation;
    bool m_hover = false;
    bool m_barEnabled = true;
    double m_opacity = -1;
};
