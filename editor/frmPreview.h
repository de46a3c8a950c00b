// frmPreview: a look at one file of the listed archive before it is unpacked (or, in
// edit mode, at its unpacked file as it is now), titled "<file name> - Preview": a
// picture scaled to fit with its pixel size, the text with line numbers, or the
// entry's facts, with a line above it for whatever could not be shown.
//
// The window never takes the keyboard: the tree keeps it, and Space or Escape there
// close the window again (frmMain's preview). Should the window get the keyboard after
// all (clicked into), Space and Escape close it as well.
#pragma once

#include "editor/PreviewContent.h"

#include <QImage>
#include <QWidget>

class QLabel;
class QStackedWidget;
class NumberedTextView;

class frmPreview : public QWidget {
    Q_OBJECT

public:
    explicit frmPreview(QWidget *pOwner);

    void ShowPicture(const QString &sFileName, const QImage &image, const QString &sNote);
    void ShowText(const QString &sFileName, const QString &sText, const QString &sNote);
    void ShowFacts(const QString &sFileName, const QString &sFacts, const QString &sNote);

    // What the window shows now, and its line of what could not be shown.
    PreviewKind Shown() const { return m_eShown; }
    QString Note() const;
    QString Text() const;
    QString Facts() const;
    QString PixelSize() const;
    const QImage &Picture() const { return m_image; }

protected:
    void keyPressEvent(QKeyEvent *pEvent) override;
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override;

private:
    void Begin(const QString &sFileName, const QString &sNote, QWidget *pPage);
    void ScalePicture();

    QLabel *m_pNote;
    QStackedWidget *m_pPages;
    QWidget *m_pPicturePage;
    QLabel *m_pPicture;
    QLabel *m_pPixelSize;
    NumberedTextView *m_pText;
    QLabel *m_pFacts;
    QImage m_image;
    PreviewKind m_eShown = PreviewKind::Facts;
};
