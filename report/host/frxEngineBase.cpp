#include "report/host/frxEngineBase.h"

#include "report/host/frxPreviewPagesBase.h"

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

QObject *TfrxCustomEngine::OutlineObject()
{
    if (!m_outlineObject)
        m_outlineObject = new TfrxOutlineObject(this);
    return m_outlineObject;
}

void TfrxOutlineObject::AddItem(const QString &text)
{
    if (TfrxCustomOutline *outline = m_engine->PreparedOutline())
        outline->AddItem(text, m_engine->CurY());
}

void TfrxOutlineObject::LevelRoot()
{
    if (TfrxCustomOutline *outline = m_engine->PreparedOutline())
        outline->LevelRoot();
}

void TfrxOutlineObject::LevelUp()
{
    if (TfrxCustomOutline *outline = m_engine->PreparedOutline())
        outline->LevelUp();
}
