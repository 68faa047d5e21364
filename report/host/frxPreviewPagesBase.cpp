#include "report/host/frxPreviewPagesBase.h"

namespace {
TfrxPreviewPagesFactory &Factory()
{
    static TfrxPreviewPagesFactory factory;
    return factory;
}
} // namespace

void frxRegisterPreviewPagesClass(TfrxPreviewPagesFactory factory)
{
    Factory() = std::move(factory);
}

const TfrxPreviewPagesFactory &frxPreviewPagesClass()
{
    return Factory();
}

std::unique_ptr<TfrxCustomPreviewPages> frxCreatePreviewPages(TfrxReport *report)
{
    return Factory() ? Factory()(report) : nullptr;
}
