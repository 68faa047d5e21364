#include "report/frxEngineBase.h"

namespace {
TfrxEngineFactory &Factory()
{
    static TfrxEngineFactory factory;
    return factory;
}
} // namespace

TfrxEngineFactory frxSetEngineFactory(TfrxEngineFactory factory)
{
    TfrxEngineFactory previous = std::move(Factory());
    Factory() = std::move(factory);
    return previous;
}

const TfrxEngineFactory &frxEngineFactory()
{
    return Factory();
}
