#pragma once
// A program folder for tests: a temporary folder with config/ and template/ that is removed with
// the object.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

class TestHome {
public:
    TestHome()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("config"));
        QDir(m_dir.path()).mkpath(QStringLiteral("template"));
    }
    QString Path() const { return m_dir.path(); }
    QString FilePath(const QString &relative) const { return m_dir.filePath(relative); }

    // Writes a file under the folder (parents made as needed) and returns its full path.
    QString Write(const QString &relative, const QByteArray &bytes) const
    {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    }
    QByteArray Read(const QString &relative) const
    {
        QFile f(m_dir.filePath(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // A template folder with a CFG.INI naming it.
    QString AddTemplate(const QString &folder, const QString &name, const QString &layout = QStringLiteral("t.fr3")) const
    {
        Write(QStringLiteral("template/%1/CFG.INI").arg(folder),
              QStringLiteral("[INFO]\r\nTMP_NAME=%1\r\nTMP_COL_CNT=0\r\nTMP_SPLIT=0\r\nTMP_FILE_NAME=%2\r\nTMP_IMG_NAME=demo.jpg\r\n")
                  .arg(name, layout).toUtf8());
        return m_dir.filePath(QStringLiteral("template/") + folder);
    }

private:
    QTemporaryDir m_dir;
};

// Small file helpers the suites share.
inline QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Copies a folder with everything below it.
inline void CopyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QFileInfo &entry : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (entry.isDir())
            CopyTree(entry.filePath(), to + '/' + entry.fileName());
        else
            QFile::copy(entry.filePath(), to + '/' + entry.fileName());
    }
}

#ifdef WAYBILL_SOURCE_DIR
// A file of the data folder that ships with the program (ready templates, demo orders, settings).
inline QString Data(const QString &relative)
{
    return QStringLiteral(WAYBILL_SOURCE_DIR "/data/") + relative;
}
#endif
