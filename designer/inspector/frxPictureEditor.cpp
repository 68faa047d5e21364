#include "designer/inspector/frxPictureEditor.h"

#include "platform/Ui.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024 * 1024), 'f', 1) + QStringLiteral(" MB");
}

} // namespace

TfrxPictureEditorForm::TfrxPictureEditorForm(const TPicture &picture, QWidget *parent)
    : QDialog(parent), m_picture(picture)
{
    setObjectName(QStringLiteral("TfrxPictureEditorForm"));
    setWindowTitle(QStringLiteral("Picture"));
    resize(480, 400);
    auto *layout = new QVBoxLayout(this);
    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image"));
    m_image->setAlignment(Qt::AlignCenter);
    m_image->setMinimumSize(320, 240);
    m_image->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(m_image, 1);
    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("Info"));
    layout->addWidget(m_info);
    auto *row = new QHBoxLayout;
    auto *load = new QPushButton(QStringLiteral("Load..."), this);
    load->setObjectName(QStringLiteral("LoadB"));
    auto *clear = new QPushButton(QStringLiteral("Clear"), this);
    clear->setObjectName(QStringLiteral("ClearB"));
    row->addWidget(load);
    row->addWidget(clear);
    row->addStretch(1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    row->addWidget(buttons);
    layout->addLayout(row);
    connect(load, &QPushButton::clicked, this, &TfrxPictureEditorForm::Load);
    connect(clear, &QPushButton::clicked, this, &TfrxPictureEditorForm::ClearPicture);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateView();
}

void TfrxPictureEditorForm::Load()
{
    const QString file = Ui::OpenFileName(
        QStringLiteral("Pictures (*.png *.jpg *.jpeg *.bmp)|*.png;*.jpg;*.jpeg;*.bmp|All files (*.*)|*.*"),
        QStringLiteral("Load picture"));
    if (!file.isEmpty())
        LoadFile(file);
}

bool TfrxPictureEditorForm::LoadFile(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.isFile()) {
        Ui::Message(QStringLiteral("Cannot open the file ") + fileName, QStringLiteral("Error"),
                    UiIcon::Error);
        return false;
    }
    if (info.size() > MaxSize) {
        Ui::Message(QStringLiteral("The picture %1 is too large (%2). A layout keeps its pictures as "
                                   "hexadecimal text; pictures up to %3 can be loaded.")
                        .arg(info.fileName(), Megabytes(info.size()), Megabytes(MaxSize)),
                    QStringLiteral("Error"), UiIcon::Error);
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Ui::Message(QStringLiteral("Cannot open the file ") + fileName, QStringLiteral("Error"),
                    UiIcon::Error);
        return false;
    }
    const QByteArray bytes = file.readAll();
    TPicture loaded;
    if (!loaded.LoadFromData(bytes) || loaded.Image().isNull()) {
        Ui::Message(QStringLiteral("%1 is not a JPEG, PNG or BMP picture.").arg(info.fileName()),
                    QStringLiteral("Error"), UiIcon::Error);
        return false;
    }
    if (bytes.size() > WarnSize)
        Ui::Message(
            QStringLiteral("The picture takes %1. A layout keeps pictures as hexadecimal text, so the "
                           "layout file grows by about twice that, and opening and saving it slow down.")
                .arg(Megabytes(bytes.size())),
            QStringLiteral("Warning"), UiIcon::Warning);
    m_picture = loaded;
    UpdateView();
    return true;
}

void TfrxPictureEditorForm::ClearPicture()
{
    m_picture.Clear();
    UpdateView();
}

QString TfrxPictureEditorForm::BackPicturePrintsText()
{
    return QStringLiteral("This page prints its background picture (BackPicturePrintable is True). A scan of a "
                          "pre-printed form would be printed on top of the form itself.\n\nKeep the background "
                          "picture off the paper? It stays visible in the designer and the preview.");
}

QString TfrxPictureEditorForm::InfoText() const
{
    if (m_picture.IsEmpty())
        return QStringLiteral("(Not assigned)");
    return QStringLiteral("%1 bytes, %2 × %3 pixels")
        .arg(m_picture.Data().size())
        .arg(m_picture.Width())
        .arg(m_picture.Height());
}

void TfrxPictureEditorForm::UpdateView()
{
    m_info->setText(InfoText());
    const QImage &image = m_picture.IsEmpty() ? QImage() : m_picture.Image();
    if (image.isNull()) {
        m_image->setPixmap(QPixmap());
        m_image->setText(QStringLiteral("(Not assigned)"));
        return;
    }
    m_image->setText(QString());
    m_image->setPixmap(QPixmap::fromImage(
        image.scaled(m_image->minimumSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}
