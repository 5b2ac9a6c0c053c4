#pragma once

#include <prompter/cmprompterwindow.h>

#include <QComboBox>
#include <QPointer>

class QFrame;
class QGridLayout;

// The deck's list of outputs, looking like the other pickers: closed it names the displays Go
// Live uses; open, it lists every connected display with a check box (go live on it) and that
// output's picture (mirror and flip, or the deck's), hint bar and time with its corner.
// Changes reach a live output at once; the check boxes only decide the next Go Live.
class CMOutputPicker : public QComboBox
{
    Q_OBJECT

public:
    explicit CMOutputPicker(CMOutputs &outputs, QWidget *parent = nullptr);

    // The connected displays Go Live uses, in display order.
    QStringList checked() const;
    // What the closed picker reads: the display's label for one, the names joined for more.
    static QString summary(const QList<CMPrompterWindow::Display> &displays,
                           const QStringList &checked);
    // The open list (a popup), or none.
    QFrame *panel() const { return m_panel; }

    void showPopup() override;
    void hidePopup() override;

    // Reads the displays and the choices anew.
    void refresh();

private:
    QFrame *buildPanel();
    void addRow(QGridLayout *grid, int row, const CMPrompterWindow::Display &display);

    CMOutputs &m_outputs;
    QPointer<QFrame> m_panel;
};
