#pragma once
// The component tree of a layout. TComponent carries what every report object shares with the
// objects of the host program (owner, name, tag, being told when a referenced component goes);
// TfrxComponent adds the layout tree: parent and children, geometry, font inheritance, naming
// inside a report.

#include "report/core/frxMeta.h"
#include "report/core/frxPersistent.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>

class TfrxCanvas;
class TfrxPage;
class TfrxReport;

enum TOperation { opInsert, opRemove };

class TComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_CLASSINFO("Default.Tag", "0")
public:
    // The owner frees the component with itself; nullptr for none.
    explicit TComponent(TComponent *owner = nullptr);
    ~TComponent() override;

    QString ClassName() const { return QString::fromLatin1(metaObject()->className()); }
    const QString &Name() const { return m_name; }
    // A valid identifier or empty; unique (ignoring case) among the owner's components.
    virtual void SetName(const QString &name);
    int Tag() const { return m_tag; }
    void SetTag(int value) { m_tag = value; }

    TComponent *Owner() const { return m_owner; }
    const QList<TComponent *> &Components() const { return m_components; }
    // The owned component of that name, ignoring case.
    TComponent *FindComponent(const QString &name) const;

    // Asks to be told (Notification with opRemove) when component is destroyed. Mutual: whichever
    // of the two goes first, the other forgets it.
    void FreeNotification(TComponent *component);
    void RemoveFreeNotification(TComponent *component);

    // Letters (any script), digits and underscores, not starting with a digit.
    static bool IsValidIdent(const QString &name);

protected:
    // Told when a component this one asked about (FreeNotification) or owns is going away.
    virtual void Notification(TComponent *component, TOperation operation);
    // Stores a name already checked; the place for what a rename brings along.
    virtual void ChangeName(const QString &name) { m_name = name; }
    // Tells every interested component now, while this object is still whole; destructors of
    // classes that others refer to call it first.
    void SendFreeNotifications();
    // Frees the owned components (the owner's part of destruction).
    void DestroyComponents();

private:
    void InsertComponent(TComponent *component);
    void RemoveComponent(TComponent *component);

    QString m_name;
    TComponent *m_owner = nullptr;
    QList<TComponent *> m_components;
    std::unique_ptr<QList<TComponent *>> m_freeNotifies;
    int m_tag = 0;
};

// ---- the host program's components ---------------------------------------------------------------

// Forms and data modules of the host program whose components layouts may name as
// "Form.Component". The windowed program registers its report holder here.
void frxRegisterGlobalComponent(TComponent *component);
void frxUnregisterGlobalComponent(TComponent *component);
// The registered component of that name (ignoring case), or nullptr.
TComponent *frxFindGlobalComponent(const QString &name);

// Where the report component sits on its host form at design time (the "Left" and "Top" of the
// report's PropData). Kept beside the object; it has no effect on the layout itself.
QPoint frxDesignPosition(const TComponent *component);
void frxSetDesignPosition(TComponent *component, QPoint position);

class TfrxComponent : public TComponent {
    Q_OBJECT
public:
    // With a report component as owner the new component lies on it (is appended to its Objects)
    // and belongs to its report; any other owner just owns it.
    explicit TfrxComponent(TComponent *owner = nullptr);
    ~TfrxComponent() override;

    // ---- tree ----
    TfrxComponent *Parent() const { return m_parent; }
    virtual void SetParent(TfrxComponent *parent);
    const QList<TfrxComponent *> &Objects() const { return m_objects; }
    // Every descendant, depth first, each followed by its own descendants.
    QList<TfrxComponent *> AllObjects() const;
    TfrxPage *Page() const;
    TfrxReport *Report() const;
    // Moves a child to another place in Objects (drawing, saving and lookup follow that order).
    void SetChildIndex(TfrxComponent *child, int index);

    // ---- geometry (pixels at 96 dpi, relative to the parent) ----
    double Left() const { return m_left; }
    double Top() const { return m_top; }
    double Width() const { return m_width; }
    double Height() const { return m_height; }
    virtual void SetLeft(double value);
    virtual void SetTop(double value);
    virtual void SetWidth(double value);
    virtual void SetHeight(double value);
    void SetBounds(double left, double top, double width, double height);
    double AbsLeft() const;
    double AbsTop() const;

    // ---- appearance ----
    TFont *Font() { return &m_font; }
    const TFont *Font() const { return &m_font; }
    virtual void SetFont(TFont *font);
    bool ParentFont() const { return m_parentFont; }
    virtual void SetParentFont(bool value);
    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool value);
    frx::TfrxRestrictions Restrictions() const { return m_restrictions; }
    void SetRestrictions(frx::TfrxRestrictions value) { m_restrictions = value; }

    // ---- names ----
    // The stem of generated names: the class name less its first "Tfrx" and first "View".
    virtual QString BaseName() const;
    void CreateUniqueName();
    void SetName(const QString &name) override;
    TfrxComponent *FindObject(const QString &name) const;

    // ---- state ----
    bool IsDesigning() const { return m_isDesigning; }
    void SetIsDesigning(bool value) { m_isDesigning = value; }
    bool IsLoading() const { return m_isLoading; }
    void SetIsLoading(bool value) { m_isLoading = value; }
    bool IsPrinting() const { return m_isPrinting; }
    void SetIsPrinting(bool value) { m_isPrinting = value; }
    bool IsWriting() const { return m_isWriting; }
    void SetIsWriting(bool value) { m_isWriting = value; }
    // Introduced by an ancestor layout: such objects survive ClearObjects and keep their name.
    bool IsAncestor() const { return m_isAncestor; }
    void SetIsAncestor(bool value) { m_isAncestor = value; }

    // ---- operations ----
    // Frees the children, except those introduced by an ancestor layout, which stay and are
    // cleared in turn.
    virtual void ClearObjects();
    // Applies the Align values of the child views (see the two passes in the .cpp).
    virtual void AlignChildren();
    // Copies source's published properties (not its name, not its children: ours are cleared).
    virtual void Assign(const TfrxComponent *source);
    // Copies source's properties and a copy of its whole subtree.
    void AssignAll(const TfrxComponent *source);
    // What a designer does after creating the object; flags is the creation code of the
    // object's flavour (line and shape kinds).
    virtual void DesignCreate(int flags);

    // Stored rule of Font in every class that publishes it.
    Q_INVOKABLE bool IsFontStored() const { return !m_parentFont; }

protected:
    virtual void FontChanged();
    // Copies what is not a published property but belongs to the object's state (a memo's text).
    virtual void AssignOwnData(const TfrxComponent *source);
    // Detaches and frees every child; used by destructors, which must not keep ancestors.
    void DestroyChildren();

private:
    void DetachFromParent();

    TfrxComponent *m_parent = nullptr;
    QList<TfrxComponent *> m_objects;
    double m_left = 0;
    double m_top = 0;
    double m_width = 0;
    double m_height = 0;
    TFont m_font;
    frx::TfrxRestrictions m_restrictions;
    bool m_parentFont : 1;
    bool m_visible : 1;
    bool m_isDesigning : 1;
    bool m_isLoading : 1;
    bool m_isPrinting : 1;
    bool m_isWriting : 1;
    bool m_isAncestor : 1;
};

// A component that takes part in a build.
class TfrxReportComponent : public TfrxComponent {
    Q_OBJECT
    Q_PROPERTY(QString Description READ Description WRITE SetDescription)
public:
    explicit TfrxReportComponent(TComponent *owner = nullptr) : TfrxComponent(owner) {}
    QString Description() const { return m_description; }

    // Draws the object: scaleX and scaleY are device pixels per report pixel (the zoom on screen,
    // dpi / 96 on a printer), offsetX and offsetY the device position of the report origin.
    // Components without a look draw nothing.
    virtual void Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) {}
    // The data step of a build: the object takes its values (a text object expands its text).
    virtual void ComputeData() {}
    // The object's text for exports; empty for objects without one.
    virtual QString GetComponentText() const { return QString(); }
    void SetDescription(const QString &value) { m_description = value; }

private:
    QString m_description;
};

// A non-visual component placed on a page (datasets live on the data page).
class TfrxDialogComponent : public TfrxReportComponent {
    Q_OBJECT
public:
    explicit TfrxDialogComponent(TComponent *owner = nullptr) : TfrxReportComponent(owner) {}
};

// Helper for reference properties: points field at value and asks value for a free notification,
// so the holder (self) hears when it goes.
template <class T> void frxSetReference(TComponent *self, T *&field, T *value)
{
    field = value;
    if (value)
        value->FreeNotification(self);
}
