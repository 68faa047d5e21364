#include "report/host/frxPreviewBase.h"

#include <utility>

namespace {
TfrxPreviewFormFactory &Factory()
{
    static TfrxPreviewFormFactory factory;
    return factory;
}
} // namespace

TfrxPreviewFormFactory frxSetPreviewFormFactory(TfrxPreviewFormFactory factory)
{
    return std::exchange(Factory(), std::move(factory));
}

const TfrxPreviewFormFactory &frxPreviewFormFactory()
{
    return Factory();
}
