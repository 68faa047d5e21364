#pragma once
// The editors of this program's properties (positions and sizes in the designer's unit, paper,
// colours, fonts, frames, pictures, datasets and fields, texts, names, events) and the one place
// that registers them and the hidden properties.

#include "designer/inspector/frxDsgnIntf.h"

// The editor of a property's kind when the registry names none (nullptr: not listed).
TfrxPropertyEditor *frxDefaultPropertyEditor(TfrxCustomDesigner *designer, const TfrxPropInfo &prop);
// The editor of one member of a set property (shown as True or False).
TfrxPropertyEditor *frxSetElementEditor(TfrxCustomDesigner *designer, const QString &member);
// Registers the editors and the hidden properties (called once, when the registry is first used).
void frxRegisterInspectorEditors(TfrxPropertyEditorCollection &registry);
