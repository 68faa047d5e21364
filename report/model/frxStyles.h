#pragma once
// Named styles: a text object whose Style names one takes its colour, font and frame.

#include "report/core/frxCollection.h"
#include "report/model/frxFrame.h"

class TfrxStyles;

class TfrxStyleItem : public TfrxCollectionItem {
    Q_GADGET
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(TfrxFrame *Frame READ Frame WRITE SetFrame)
    Q_CLASSINFO("Type.Color", "TColor")
public:
    explicit TfrxStyleItem(TfrxCollection *collection) : TfrxCollectionItem(collection) {}
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    QString Name() const { return m_name; }
    // Unique within the list, ignoring case: a duplicate raises EDuplicateName.
    void SetName(const QString &value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value) { m_color = value; }
    TFont *Font() { return &m_font; }
    const TFont *Font() const { return &m_font; }
    void SetFont(TFont *value)
    {
        if (value)
            m_font.Assign(*value);
    }
    TfrxFrame *Frame() { return &m_frame; }
    const TfrxFrame *Frame() const { return &m_frame; }
    void SetFrame(TfrxFrame *value)
    {
        if (value)
            m_frame.Assign(*value);
    }

private:
    QString m_name;
    TFont m_font;
    TfrxFrame m_frame;
    TColor m_color = clNone;
};

class TfrxStyles : public TfrxCollection {
public:
    TfrxStyleItem *Add() { return static_cast<TfrxStyleItem *>(AddItem()); }
    TfrxStyleItem *Items(int index) const { return static_cast<TfrxStyleItem *>(Item(index)); }
    // The style of that name, ignoring case; nullptr when there is none.
    TfrxStyleItem *Find(const QString &name) const;

protected:
    TfrxCollectionItem *CreateItem() override { return new TfrxStyleItem(this); }
};
