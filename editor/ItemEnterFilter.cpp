#include "editor/ItemEnterFilter.h"

#include <QAbstractItemView>
#include <QKeyEvent>

ItemEnterFilter::ItemEnterFilter(QAbstractItemView *pView, std::function<void()> fnEnter)
    : QObject(pView), m_pView(pView), m_fnEnter(std::move(fnEnter)) {
    pView->installEventFilter(this);
}

bool ItemEnterFilter::eventFilter(QObject *pWatched, QEvent *pEvent) {
    if (pWatched != m_pView || pEvent->type() != QEvent::KeyPress)
        return false;
    const auto *pKey = static_cast<QKeyEvent *>(pEvent);
    const bool bEnter = pKey->key() == Qt::Key_Return || pKey->key() == Qt::Key_Enter;
    if (!bEnter || (pKey->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const QModelIndex current = m_pView->currentIndex();
    if (!current.isValid() || !m_pView->selectionModel()->isSelected(current) ||
        m_pView->model()->hasChildren(current))
        return false;
    m_fnEnter();
    return true;
}
