#pragma once
// The picture editor: loads a JPEG, PNG or BMP file as a picture (a picture object's picture or a
// page's background), keeping the file's own bytes so the layout stores exactly them; shows the
// size in bytes and pixels, warns about large files (layouts keep pictures as hexadecimal text,
// twice their size) and refuses files too large to keep; clears. The property grid asks, when a
// background is loaded for a page that prints it, whether to keep it off the paper. It edits a copy: the caller
// takes Picture() only when the dialog was accepted.

#include "report/model/frxPicture.h"

#include <QDialog>

class QLabel;

class TfrxPictureEditorForm : public QDialog {
    Q_OBJECT
public:
    // Files above this are accepted with a warning.
    static constexpr qint64 WarnSize = 2 * 1024 * 1024;
    // Files above this are refused.
    static constexpr qint64 MaxSize = 16 * 1024 * 1024;

    explicit TfrxPictureEditorForm(const TPicture &picture, QWidget *parent = nullptr);

    const TPicture &Picture() const { return m_picture; }
    // Loads a file (Load asks for the name); false with a message when it was not taken.
    bool LoadFile(const QString &fileName);
    // Asks for a file and loads it.
    void Load();
    void ClearPicture();
    // The question asked when a background is loaded for a page that prints its background.
    static QString BackPicturePrintsText();
    // What the information line shows: "1234 bytes, 640 × 480 pixels" or "(Not assigned)".
    QString InfoText() const;

private:
    void UpdateView();

    TPicture m_picture;
    QLabel *m_image;
    QLabel *m_info;
};
