#include "report/core/frxClassRegistry.h"

#include "report/model/frxClass.h"

#include <QHash>

namespace {
using Factory = TfrxComponent *(*)(TComponent *);

struct Entry {
    const QMetaObject *meta;
    Factory create;
};

template <class T> Entry Make()
{
    return {&T::staticMetaObject, [](TComponent *owner) -> TfrxComponent * { return new T(owner); }};
}

// A plain table rather than self-registering statics: static libraries drop objects nobody refers
// to, and with them such registrations.
const QHash<QString, Entry> &Registry()
{
    static const QHash<QString, Entry> registry = [] {
        const Entry entries[] = {
            Make<TfrxReport>(),
            Make<TfrxReportPage>(),
            Make<TfrxDMPPage>(),
            Make<TfrxDialogPage>(),
            Make<TfrxDataPage>(),
            Make<TfrxMemoView>(),
            Make<TfrxSysMemoView>(),
            Make<TfrxLineView>(),
            Make<TfrxPictureView>(),
            Make<TfrxShapeView>(),
            Make<TfrxSubreport>(),
            Make<TfrxUserDataSet>(),
            Make<TfrxCustomDBDataSet>(),
            Make<TfrxReportTitle>(),
            Make<TfrxReportSummary>(),
            Make<TfrxPageHeader>(),
            Make<TfrxPageFooter>(),
            Make<TfrxHeader>(),
            Make<TfrxFooter>(),
            Make<TfrxDataBand>(),
            Make<TfrxMasterData>(),
            Make<TfrxDetailData>(),
            Make<TfrxSubdetailData>(),
            Make<TfrxDataBand4>(),
            Make<TfrxDataBand5>(),
            Make<TfrxDataBand6>(),
            Make<TfrxGroupHeader>(),
            Make<TfrxGroupFooter>(),
            Make<TfrxColumnHeader>(),
            Make<TfrxColumnFooter>(),
            Make<TfrxChild>(),
            Make<TfrxOverlay>(),
            Make<TfrxNullBand>(),
            Make<TfrxCustomMemoView>(),
            Make<TfrxCustomLineView>(),
            Make<TfrxDataSet>(),
            Make<TfrxBarCodeView>(),
            Make<TfrxBarcode2DView>(),
            Make<TfrxQRcode>(),
            Make<TfrxQRCode>(),
            // dot-matrix layouts
            Make<TfrxDMPMemoView>(),
            Make<TfrxDMPSysMemoView>(),
            Make<TfrxDMPLineView>(),
            Make<TfrxDMPCommand>(),
            // dialog pages
            Make<TfrxLabelControl>(),
            Make<TfrxEditControl>(),
            Make<TfrxMemoControl>(),
            Make<TfrxButtonControl>(),
            Make<TfrxBitBtnControl>(),
            Make<TfrxCheckBoxControl>(),
            Make<TfrxRadioButtonControl>(),
            Make<TfrxListBoxControl>(),
            Make<TfrxCheckListBoxControl>(),
            Make<TfrxComboBoxControl>(),
            Make<TfrxDateEditControl>(),
            Make<TfrxGroupBoxControl>(),
            Make<TfrxPanelControl>(),
            Make<TfrxDBLookupComboBox>(),
        };
        QHash<QString, Entry> map;
        for (const Entry &entry : entries)
            map.insert(QString::fromLatin1(entry.meta->className()), entry);
        return map;
    }();
    return registry;
}
} // namespace

const QMetaObject *frxFindClass(const QString &className)
{
    auto it = Registry().constFind(className);
    return it == Registry().constEnd() ? nullptr : it->meta;
}

QStringList frxRegisteredClasses()
{
    return Registry().keys();
}

TfrxComponent *frxCreateComponent(const QString &className, TComponent *owner)
{
    auto it = Registry().constFind(className);
    return it == Registry().constEnd() ? nullptr : it->create(owner);
}

TfrxComponent *frxDesignCreateComponent(const QString &className, TComponent *owner, int flags)
{
    TfrxComponent *component = frxCreateComponent(className, owner);
    if (component)
        component->DesignCreate(flags);
    return component;
}
