#include "report/core/frxComponent.h"

#include "report/core/frxClassRegistry.h"
#include "report/core/frxErrors.h"
#include "report/core/frxRes.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QMutex>
#include <QPointer>

#include <algorithm>

// ---- TComponent -----------------------------------------------------------------------------------

TComponent::TComponent(TComponent *owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    SendFreeNotifications();
    DestroyComponents();
    if (m_owner)
        m_owner->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent *component)
{
    component->m_owner = this;
    m_components.append(component);
}

void TComponent::RemoveComponent(TComponent *component)
{
    // Components mostly go in the order they came, so look from the front.
    m_components.removeOne(component);
    component->m_owner = nullptr;
}

void TComponent::DestroyComponents()
{
    while (!m_components.isEmpty()) {
        TComponent *component = m_components.takeLast();
        component->m_owner = nullptr;
        delete component;
    }
}

TComponent *TComponent::FindComponent(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    for (TComponent *component : m_components)
        if (component->m_name.size() == name.size() &&
            component->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return component;
    return nullptr;
}

bool TComponent::IsValidIdent(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        QChar c = name[i];
        bool ok = c == u'_' || c.isLetter() || (i > 0 && c.isDigit());
        if (!ok)
            return false;
    }
    return true;
}

void TComponent::SetName(const QString &name)
{
    if (name == m_name)
        return;
    if (!name.isEmpty()) {
        if (!IsValidIdent(name))
            throw EReportError(frxGet(QStringLiteral("SInvalidName")).replace(QLatin1String("%s"), name));
        if (m_owner) {
            TComponent *other = m_owner->FindComponent(name);
            if (other && other != this)
                throw EReportError(
                    frxGet(QStringLiteral("SDuplicateComponent")).replace(QLatin1String("%s"), name));
        }
    }
    ChangeName(name);
}

void TComponent::FreeNotification(TComponent *component)
{
    if (!component || component == this)
        return;
    if (!m_freeNotifies)
        m_freeNotifies = std::make_unique<QList<TComponent *>>();
    if (!m_freeNotifies->contains(component))
        m_freeNotifies->append(component);
    if (!component->m_freeNotifies)
        component->m_freeNotifies = std::make_unique<QList<TComponent *>>();
    if (!component->m_freeNotifies->contains(this))
        component->m_freeNotifies->append(this);
}

void TComponent::RemoveFreeNotification(TComponent *component)
{
    if (m_freeNotifies)
        m_freeNotifies->removeAll(component);
    if (component && component->m_freeNotifies)
        component->m_freeNotifies->removeAll(this);
}

void TComponent::SendFreeNotifications()
{
    if (!m_freeNotifies)
        return;
    std::unique_ptr<QList<TComponent *>> list = std::move(m_freeNotifies);
    for (TComponent *other : *list) {
        if (other->m_freeNotifies)
            other->m_freeNotifies->removeAll(this);
    }
    for (TComponent *other : *list)
        other->Notification(this, opRemove);
}

void TComponent::Notification(TComponent *, TOperation) {}

// ---- the host program's components ---------------------------------------------------------------

namespace {
QMutex &GlobalLock()
{
    static QMutex lock;
    return lock;
}

QList<QPointer<TComponent>> &GlobalComponents()
{
    static QList<QPointer<TComponent>> list;
    return list;
}

const char *const kDesignPosition = "frxDesignPosition";
} // namespace

void frxRegisterGlobalComponent(TComponent *component)
{
    QMutexLocker lock(&GlobalLock());
    auto &list = GlobalComponents();
    list.removeAll(nullptr);
    if (component && !list.contains(component))
        list.append(component);
}

void frxUnregisterGlobalComponent(TComponent *component)
{
    QMutexLocker lock(&GlobalLock());
    GlobalComponents().removeAll(component);
    GlobalComponents().removeAll(nullptr);
}

TComponent *frxFindGlobalComponent(const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    QMutexLocker lock(&GlobalLock());
    for (const QPointer<TComponent> &component : GlobalComponents())
        if (component && component->Name().compare(name, Qt::CaseInsensitive) == 0)
            return component;
    return nullptr;
}

QPoint frxDesignPosition(const TComponent *component)
{
    return component ? component->property(kDesignPosition).toPoint() : QPoint();
}

void frxSetDesignPosition(TComponent *component, QPoint position)
{
    if (component)
        component->setProperty(kDesignPosition, position);
}

// ---- TfrxComponent ---------------------------------------------------------------------------------

static TComponent *OwnerFor(TComponent *owner)
{
    if (auto *component = qobject_cast<TfrxComponent *>(owner))
        return component->Report();
    return owner;
}

TfrxComponent::TfrxComponent(TComponent *owner)
    : TComponent(OwnerFor(owner)), m_parentFont(true), m_visible(true), m_isDesigning(false),
      m_isLoading(false), m_isPrinting(false), m_isWriting(false), m_isAncestor(false)
{
    m_font.OnChange = [this] { FontChanged(); };
    if (auto *parent = qobject_cast<TfrxComponent *>(owner))
        SetParent(parent);
}

TfrxComponent::~TfrxComponent()
{
    SendFreeNotifications();
    m_font.OnChange = nullptr;
    DetachFromParent();
    DestroyChildren();
}

void TfrxComponent::DetachFromParent()
{
    if (m_parent) {
        m_parent->m_objects.removeOne(this);
        m_parent = nullptr;
    }
}

void TfrxComponent::DestroyChildren()
{
    while (!m_objects.isEmpty())
        delete m_objects.first(); // its destructor takes it out of m_objects
}

void TfrxComponent::SetParent(TfrxComponent *parent)
{
    if (parent == m_parent)
        return;
    // A component on its own subtree would make the tree a loop.
    for (TfrxComponent *p = parent; p; p = p->m_parent)
        if (p == this)
            throw EPropertyError();
    DetachFromParent();
    if (parent) {
        parent->m_objects.append(this);
        m_parent = parent;
    }
    SetParentFont(m_parentFont);
}

void TfrxComponent::SetChildIndex(TfrxComponent *child, int index)
{
    qsizetype from = m_objects.indexOf(child);
    if (from < 0)
        return;
    index = qBound(0, index, int(m_objects.size()) - 1);
    m_objects.move(from, index);
}

QList<TfrxComponent *> TfrxComponent::AllObjects() const
{
    QList<TfrxComponent *> list;
    // Depth first without recursion: a stack of (component, next child index).
    QList<std::pair<const TfrxComponent *, qsizetype>> stack{{this, 0}};
    while (!stack.isEmpty()) {
        auto &[node, next] = stack.last();
        if (next >= node->m_objects.size()) {
            stack.removeLast();
            continue;
        }
        TfrxComponent *child = node->m_objects[next++];
        list.append(child);
        if (!child->m_objects.isEmpty())
            stack.append({child, 0});
    }
    return list;
}

TfrxPage *TfrxComponent::Page() const
{
    for (const TfrxComponent *c = this; c; c = c->m_parent)
        if (auto *page = qobject_cast<TfrxPage *>(const_cast<TfrxComponent *>(c)))
            return page;
    return nullptr;
}

TfrxReport *TfrxComponent::Report() const
{
    for (const TfrxComponent *c = this; c; c = c->m_parent)
        if (auto *report = qobject_cast<TfrxReport *>(const_cast<TfrxComponent *>(c)))
            return report;
    return nullptr;
}

void TfrxComponent::SetLeft(double value)
{
    if (m_isDesigning && m_restrictions.testFlag(frx::rfDontMove))
        return;
    m_left = value;
}

void TfrxComponent::SetTop(double value)
{
    if (m_isDesigning && m_restrictions.testFlag(frx::rfDontMove))
        return;
    m_top = value;
}

void TfrxComponent::SetWidth(double value)
{
    if (m_isDesigning && m_restrictions.testFlag(frx::rfDontSize))
        return;
    m_width = value;
}

void TfrxComponent::SetHeight(double value)
{
    if (m_isDesigning && m_restrictions.testFlag(frx::rfDontSize))
        return;
    m_height = value;
}

void TfrxComponent::SetBounds(double left, double top, double width, double height)
{
    SetLeft(left);
    SetTop(top);
    SetWidth(width);
    SetHeight(height);
}

double TfrxComponent::AbsLeft() const
{
    if (m_parent && !qobject_cast<TfrxDialogPage *>(m_parent))
        return m_left + m_parent->AbsLeft();
    return m_left;
}

double TfrxComponent::AbsTop() const
{
    if (m_parent && !qobject_cast<TfrxDialogPage *>(m_parent))
        return m_top + m_parent->AbsTop();
    return m_top;
}

void TfrxComponent::SetFont(TFont *font)
{
    if (font)
        m_font.Assign(*font);
}

void TfrxComponent::SetParentFont(bool value)
{
    if (value && m_parent)
        m_font.Assign(m_parent->m_font);
    m_parentFont = value;
}

void TfrxComponent::FontChanged()
{
    m_parentFont = false;
    for (TfrxComponent *child : m_objects)
        if (child->m_parentFont)
            child->SetParentFont(true);
}

void TfrxComponent::SetVisible(bool value)
{
    m_visible = value;
}

QString TfrxComponent::BaseName() const
{
    QString name = ClassName();
    qsizetype i = name.indexOf(QLatin1String("Tfrx"));
    if (i >= 0)
        name.remove(i, 4);
    i = name.indexOf(QLatin1String("View"));
    if (i >= 0)
        name.remove(i, 4);
    return name;
}

void TfrxComponent::CreateUniqueName()
{
    const TfrxComponent *scope = Report();
    if (!scope)
        scope = m_parent;
    const QString base = BaseName();

    // Numbers already taken after this stem, among the report's objects and the owner's
    // components; names compare ignoring case, and "Memo01" is not "Memo1", so only canonical
    // decimals count.
    QList<bool> taken;
    auto consider = [&](const QString &name) {
        if (name.size() <= base.size() || name.size() > base.size() + 9)
            return;
        if (!QStringView(name).startsWith(base, Qt::CaseInsensitive))
            return;
        QStringView rest = QStringView(name).mid(base.size());
        if (rest[0] < u'1' || rest[0] > u'9')
            return;
        bool ok = false;
        int n = rest.toInt(&ok);
        if (!ok)
            return;
        if (n >= taken.size())
            taken.resize(n + 1, false);
        taken[n] = true;
    };
    auto walk = [&](auto &&self, const TfrxComponent *node) -> void {
        for (const TfrxComponent *child : node->m_objects) {
            consider(child->Name());
            if (!child->m_objects.isEmpty())
                self(self, child);
        }
    };
    if (scope)
        walk(walk, scope);
    if (Owner())
        for (const TComponent *component : Owner()->Components())
            consider(component->Name());
    int n = 1;
    while (n < taken.size() && taken[n])
        ++n;
    // Free in the report and among the owner's components by construction.
    ChangeName(base + QString::number(n));
}

void TfrxComponent::SetName(const QString &name)
{
    if (name.compare(Name(), Qt::CaseInsensitive) == 0)
        return;
    if (!name.isEmpty()) {
        if (TfrxReport *report = Report()) {
            if (report->FindObject(name))
                throw EDuplicateName();
            if (IsAncestor())
                throw EReportError(
                    frxGet(QStringLiteral("SAncestorRename")).replace(QLatin1String("%s"), Name()));
        }
    }
    TComponent::SetName(name);
}

TfrxComponent *TfrxComponent::FindObject(const QString &name) const
{
    for (TfrxComponent *child : m_objects) {
        if (child->Name().size() == name.size() && child->Name().compare(name, Qt::CaseInsensitive) == 0)
            return child;
        if (!child->m_objects.isEmpty())
            if (TfrxComponent *found = child->FindObject(name))
                return found;
    }
    return nullptr;
}

void TfrxComponent::ClearObjects()
{
    qsizetype i = 0;
    while (i < m_objects.size()) {
        TfrxComponent *child = m_objects[i];
        if (child->IsAncestor()) {
            child->ClearObjects();
            ++i;
        } else {
            delete child; // leaves m_objects, so the same index holds the next one
        }
    }
}

// ---- alignment --------------------------------------------------------------------------------------

namespace {
bool LiesBelow(const TfrxComponent *a, const TfrxComponent *b)
{
    return a->AbsTop() + 1e-4 > b->AbsTop() + b->Height();
}

bool Overlap(const TfrxComponent *a, const TfrxComponent *b)
{
    return !LiesBelow(a, b) && !LiesBelow(b, a);
}
} // namespace

void TfrxComponent::AlignChildren()
{
    // Views in order of a text key built from Left; a stable sort keeps equal keys in creation
    // order, as the sorted list of the original did.
    QList<std::pair<QString, TfrxView *>> keyed;
    for (TfrxComponent *child : m_objects) {
        auto *view = qobject_cast<TfrxView *>(child);
        if (!view)
            continue;
        double left = view->Left();
        QString key = left >= 0 ? QStringLiteral("1") + QString::asprintf("%9.2f", left)
                                : QStringLiteral("0") + QString::asprintf("%9.2f", -left);
        keyed.append({key, view});
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<TfrxView *> list;
    for (const auto &entry : keyed)
        list.append(entry.second);

    for (qsizetype i = 0; i < list.size(); ++i) {
        TfrxView *c = list[i];
        if (c->Align() != frx::baLeft && c->Align() != frx::baWidth)
            continue;
        TfrxView *neighbour = nullptr;
        for (qsizetype j = i - 1; j >= 0; --j) {
            TfrxView *candidate = list[j];
            if (c->Align() == frx::baWidth && candidate->Left() > c->Left())
                continue;
            if (Overlap(c, candidate)) {
                neighbour = candidate;
                break;
            }
        }
        c->SetLeft(neighbour ? neighbour->Left() + neighbour->Width() : 0);
    }

    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        TfrxView *c = list[i];
        if (c->Align() != frx::baRight && c->Align() != frx::baWidth)
            continue;
        TfrxView *neighbour = nullptr;
        for (qsizetype j = i + 1; j < list.size(); ++j) {
            TfrxView *candidate = list[j];
            if (c->Align() == frx::baWidth && candidate->Left() + candidate->Width() < c->Left() + c->Width())
                continue;
            if (Overlap(c, candidate)) {
                neighbour = candidate;
                break;
            }
        }
        double x = neighbour ? neighbour->Left() : Width();
        if (c->Align() == frx::baRight)
            c->SetLeft(x - c->Width());
        else
            c->SetWidth(x - c->Left());
    }

    for (TfrxView *c : list) {
        switch (c->Align()) {
        case frx::baCenter:
            c->SetLeft((Width() - c->Width()) / 2);
            break;
        case frx::baBottom:
            c->SetTop(Height() - c->Height());
            break;
        case frx::baClient:
            c->SetBounds(0, 0, Width(), Height());
            break;
        default:
            break;
        }
    }
}

// ---- copying --------------------------------------------------------------------------------------

void TfrxComponent::Assign(const TfrxComponent *source)
{
    if (!source || source == this)
        return;
    ClearObjects();
    frxAssignProperties(TfrxPropTarget(this), TfrxPropTarget(source));
    AssignOwnData(source);
}

void TfrxComponent::AssignOwnData(const TfrxComponent *) {}

void TfrxComponent::AssignAll(const TfrxComponent *source)
{
    if (!source || source == this)
        return;
    Assign(source);
    for (TfrxComponent *sourceChild : source->Objects()) {
        TfrxComponent *child = frxCreateComponent(sourceChild->ClassName(), this);
        if (!child)
            continue;
        // The copy keeps the name when the report has no other object of that name.
        TfrxReport *report = child->Report();
        if (!sourceChild->Name().isEmpty() && (!report || !report->FindObject(sourceChild->Name()))) {
            try {
                child->SetName(sourceChild->Name());
            } catch (const Exception &) {
            }
        }
        child->AssignAll(sourceChild);
    }
}

void TfrxComponent::DesignCreate(int)
{
    SetIsDesigning(true);
}
