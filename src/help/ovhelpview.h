#pragma once

#include "ovhelppage.h"

#include <QWidget>

class OVChromeTitle;
class OVHelpPageButton;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;

// The content of the Help window: the list column (title, search field, the pages that match
// the search, the maker's credit) beside the page column, which shows the selected page
// whatever the search. It lies on a window styled with ovsRoot and fills no background of
// its own outside the list column.
class OVHelpView : public QWidget
{
    Q_OBJECT

public:
    // Shows `initial` first; an id that names no page leaves the page column empty until a
    // page is clicked.
    OVHelpView(const QList<HelpPage> &pages, const QString &appName, const QString &initial,
               QWidget *parent = nullptr);

    const QList<HelpPage> &pages() const { return m_pages; }
    QString appName() const { return m_appName; }
    QString initial() const { return m_initial; }

    QString selected() const { return m_selected; }
    void setSelected(const QString &id);
    QString search() const;
    void setSearch(const QString &text);

    // The pages the list shows for the current search.
    QList<HelpPage> filtered() const;
    // The page the page column shows, or null.
    const HelpPage *shownPage() const;

    QLineEdit *searchField() const { return m_search; }
    OVChromeTitle *title() const { return m_title; }
    // The buttons of the listed pages, top to bottom.
    QList<OVHelpPageButton *> listedButtons() const;
    QScrollArea *pageColumn() const { return m_pageScroll; }
    QWidget *listColumn() const { return m_list; }

Q_SIGNALS:
    void selectedChanged(const QString &id);
    void searchChanged(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *makeListColumn();
    QWidget *makePageColumn();
    void applyLook();
    void applySearch();
    void showPage();
    bool searchKey(int key);

    QList<HelpPage> m_pages;
    QString m_appName;
    QString m_initial;
    QString m_selected;

    QWidget *m_list = nullptr;
    QVBoxLayout *m_listLayout = nullptr;
    OVChromeTitle *m_title = nullptr;
    QLineEdit *m_search = nullptr;
    QList<OVHelpPageButton *> m_buttons;
    QScrollArea *m_pageScroll = nullptr;
    QWidget *m_page = nullptr;
};
