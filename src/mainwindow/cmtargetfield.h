#pragma once

#include <QLineEdit>

class CMEngine;

// The target length of the take, typed in the deck ("3:30"; empty for none). Return or
// leaving the field sets it; anything that is no duration is refused with a word of why and
// the field shows the target again.
class CMTargetField : public QLineEdit
{
    Q_OBJECT

public:
    explicit CMTargetField(CMEngine &engine, QWidget *parent = nullptr);

    static QString refusal();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void apply();
    void showTarget(double seconds);

    CMEngine &m_engine;
};
