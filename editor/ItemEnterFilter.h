// Enter on an item of an item view that has no children (a file, not a folder) does
// what a double-click on it does: the filter calls fnEnter and keeps the key from
// the view. Enter anywhere else (on a folder, with nothing selected) is left to the
// view. Works for any item view, whatever model it shows.
#pragma once

#include <QObject>
#include <functional>

class QAbstractItemView;

class ItemEnterFilter : public QObject {
public:
    // Installs itself on pView, which owns it.
    ItemEnterFilter(QAbstractItemView *pView, std::function<void()> fnEnter);

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override;

private:
    QAbstractItemView *m_pView;
    std::function<void()> m_fnEnter;
};
