#include "editor/frmPreview.h"

#include "editor/NumberedTextView.h"
#include "support/ui/Artwork.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QStackedWidget>
#include <QVBoxLayout>

frmPreview::frmPreview(QWidget *pOwner) : QWidget(pOwner, Qt::Tool) {
    setObjectName(QStringLiteral("frmPreview"));
    setWindowIcon(ProgramIcon());
    // Shown beside the tree without taking the keyboard from it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);

    m_pNote = new QLabel(this);
    m_pNote->setObjectName(QStringLiteral("lblNote"));
    m_pNote->setTextFormat(Qt::PlainText);
    m_pNote->setWordWrap(true);
    m_pNote->hide();

    m_pPicturePage = new QWidget(this);
    m_pPicture = new QLabel(m_pPicturePage);
    m_pPicture->setObjectName(QStringLiteral("picPreview"));
    m_pPicture->setAlignment(Qt::AlignCenter);
    m_pPicture->setMinimumSize(1, 1);
    m_pPicture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_pPicture->installEventFilter(this);
    m_pPixelSize = new QLabel(m_pPicturePage);
    m_pPixelSize->setObjectName(QStringLiteral("lblPixelSize"));
    m_pPixelSize->setAlignment(Qt::AlignCenter);
    auto *pPictureLayout = new QVBoxLayout(m_pPicturePage);
    pPictureLayout->setContentsMargins(0, 0, 0, 0);
    pPictureLayout->addWidget(m_pPicture, 1);
    pPictureLayout->addWidget(m_pPixelSize);

    m_pText = new NumberedTextView(this);
    m_pText->setObjectName(QStringLiteral("txtPreview"));
    m_pText->setFocusPolicy(Qt::NoFocus);

    m_pFacts = new QLabel(this);
    m_pFacts->setObjectName(QStringLiteral("lblFacts"));
    m_pFacts->setTextFormat(Qt::PlainText);
    m_pFacts->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pFacts->setMargin(8);
    m_pFacts->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_pPages = new QStackedWidget(this);
    m_pPages->addWidget(m_pPicturePage);
    m_pPages->addWidget(m_pText);
    m_pPages->addWidget(m_pFacts);

    auto *pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pNote);
    pLayout->addWidget(m_pPages, 1);
    resize(560, 460);
}

void frmPreview::Begin(const QString &sFileName, const QString &sNote, QWidget *pPage) {
    setWindowTitle(sFileName + QStringLiteral(" - Preview"));
    m_pNote->setText(sNote);
    m_pNote->setVisible(!sNote.isEmpty());
    m_pPages->setCurrentWidget(pPage);
}

void frmPreview::ShowPicture(const QString &sFileName, const QImage &image, const QString &sNote) {
    m_eShown = PreviewKind::Picture;
    m_image = image;
    m_pPixelSize->setText(image.isNull() ? QString()
                                         : QStringLiteral("%1 × %2 pixels")
                                               .arg(image.width())
                                               .arg(image.height()));
    Begin(sFileName, sNote, m_pPicturePage);
    ScalePicture();
}

void frmPreview::ShowText(const QString &sFileName, const QString &sText, const QString &sNote) {
    m_eShown = PreviewKind::Text;
    m_image = QImage();
    m_pText->setPlainText(sText);
    Begin(sFileName, sNote, m_pText);
}

void frmPreview::ShowFacts(const QString &sFileName, const QString &sFacts, const QString &sNote) {
    m_eShown = PreviewKind::Facts;
    m_image = QImage();
    m_pFacts->setText(sFacts);
    Begin(sFileName, sNote, m_pFacts);
}

QString frmPreview::Note() const {
    return m_pNote->text();
}

QString frmPreview::Text() const {
    return m_pText->toPlainText();
}

QString frmPreview::Facts() const {
    return m_pFacts->text();
}

QString frmPreview::PixelSize() const {
    return m_pPixelSize->text();
}

void frmPreview::ScalePicture() {
    if (m_image.isNull()) {
        m_pPicture->clear();
        return;
    }
    const QSize room = m_pPicture->size().boundedTo(QSize(4096, 4096)).expandedTo(QSize(1, 1));
    // Larger pictures are made smaller smoothly; smaller ones larger with their pixels
    // kept sharp, as a texture's are meant to be seen.
    const bool bSmaller = m_image.width() > room.width() || m_image.height() > room.height();
    const QImage shown = m_image.scaled(room, Qt::KeepAspectRatio,
                                        bSmaller ? Qt::SmoothTransformation
                                                 : Qt::FastTransformation);
    m_pPicture->setPixmap(QPixmap::fromImage(shown));
}

bool frmPreview::eventFilter(QObject *pWatched, QEvent *pEvent) {
    // The picture fits the room its label has, once laid out and whenever it changes.
    if (pWatched == m_pPicture && pEvent->type() == QEvent::Resize &&
        m_eShown == PreviewKind::Picture)
        ScalePicture();
    return QWidget::eventFilter(pWatched, pEvent);
}

void frmPreview::keyPressEvent(QKeyEvent *pEvent) {
    if ((pEvent->key() == Qt::Key_Escape || pEvent->key() == Qt::Key_Space) &&
        pEvent->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(pEvent);
}
