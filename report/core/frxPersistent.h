#pragma once
// The persistent base of the nested objects a component publishes (font, frame, display format,
// option groups, collection items). They are gadgets rather than QObjects: a text object carries
// nine of them, and a QObject each would cost more than the rest of the object.

#include "report/core/frxTypes.h"

#include <QMetaObject>
#include <QString>

#include <functional>

class TPersistent {
    Q_GADGET
public:
    virtual ~TPersistent() = default;
    // The most derived class's meta-object; every subclass overrides it.
    virtual const QMetaObject *MetaObject() const { return &staticMetaObject; }
    QString ClassName() const { return QString::fromLatin1(MetaObject()->className()); }

protected:
    TPersistent() = default;
    TPersistent(const TPersistent &) = default;
    TPersistent &operator=(const TPersistent &) = default;
};

// A font as layouts store it: height in pixels at 96 dpi (negative: character height), colour,
// character set, face name, pitch and style. Size is the point size derived from Height and is
// not stored, so a file keeps only one of the two.
class TFont : public TPersistent {
    Q_GADGET
    Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(frx::TFontPitch Pitch READ Pitch WRITE SetPitch)
    Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
    Q_PROPERTY(frx::TFontStyles Style READ Style WRITE SetStyle)
    Q_CLASSINFO("Type.Charset", "TFontCharset")
    Q_CLASSINFO("Type.Color", "TColor")
    Q_CLASSINFO("Type.Name", "TFontName")
    Q_CLASSINFO("Default.Pitch", "fpDefault")
public:
    TFont();
    TFont(const TFont &) = delete;
    TFont &operator=(const TFont &) = delete;
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    int Charset() const { return m_charset; }
    void SetCharset(int value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    int Height() const { return m_height; }
    void SetHeight(int value);
    QString Name() const { return m_name; }
    void SetName(const QString &value);
    frx::TFontPitch Pitch() const { return m_pitch; }
    void SetPitch(frx::TFontPitch value);
    int Size() const;
    void SetSize(int value);
    frx::TFontStyles Style() const { return m_style; }
    void SetStyle(frx::TFontStyles value);
    int PixelsPerInch() const { return 96; }

    // Copies every value and reports one change.
    void Assign(const TFont &source);
    bool SameAs(const TFont &other) const;

    // Called after every change; the owning component uses it for the ParentFont rules.
    std::function<void()> OnChange;

private:
    void Changed()
    {
        if (OnChange)
            OnChange();
    }

    QString m_name;
    TColor m_color = clBlack;
    int m_height;
    int m_charset = DEFAULT_CHARSET;
    frx::TFontStyles m_style;
    frx::TFontPitch m_pitch = frx::fpDefault;
};

// MulDiv of the platform: a * b / c rounded half away from zero.
int frxMulDiv(int a, int b, int c);
