#pragma once
// The translator turns an intermediate program document into program objects: a first pass
// declares every procedure and function (with its parameters), so that calls may precede
// declarations; then the document root becomes the main statement list. A mistake ends the
// translation with an EfsCompileError carrying the position of the element being translated and
// the unit it came from.

#include "script/fs_iexpression.h"
#include "script/fs_istatements.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

class TfsXMLItem;

class TfsTranslator {
public:
    // declareVars: whether the language requires declarations; pascalDeclarations: whether
    // initial values of declarations are computed once when translating (PascalScript) rather than
    // assigned where the declaration stands.
    TfsTranslator(TfsScript *script, bool declareVars, bool pascalDeclarations);

    // Translates the document's root into the script. Throws EfsCompileError.
    void Translate(const TfsXMLItem *root);
    // Where the translation stopped: "line:column" and unit.
    const QString &ErrorPos() const { return m_pos; }
    const QString &ErrorUnit() const { return m_unit; }

private:
    struct WithTarget {
        TfsTypeRec Type;
        TfsCustomVariable *Variable;
    };
    struct RawStep {
        QString Name;
        QString Pos;
        bool IsIndex = false;
        std::vector<const TfsXMLItem *> Args;
    };
    enum class Use { Value, Assign, Call, New };

    [[noreturn]] void Error(const QString &message, const QString &position = QString()) const;
    void SetPos(const TfsXMLItem *e);
    void NoteLine(const TfsXMLItem *e);
    template <typename T> std::unique_ptr<T> NewStatement(const TfsXMLItem *e);

    // declarations
    void DeclareRoutines(const TfsXMLItem *e);
    void DeclareRoutine(const TfsXMLItem *e);
    void TranslateRoutine(const TfsXMLItem *e);
    void DoVar(const TfsXMLItem *e, TfsStatement *list, const QString &inheritedType);
    void DoConst(const TfsXMLItem *e);
    TfsTypeRec ResolveTypeText(const QString &text, const QString &position);
    Variant ConstantValue(const TfsXMLItem *expr);
    Variant MakeArray(const std::vector<std::pair<int, int>> &bounds, size_t dim, TfsVarType elementType);

    // statements
    void TranslateChildren(const TfsXMLItem *e, TfsStatement *list, int from = 0);
    void TranslateElement(const TfsXMLItem *e, TfsStatement *list);
    void DoAssign(const TfsXMLItem *e, TfsStatement *list);
    void DoCall(const TfsXMLItem *e, TfsStatement *list);
    void DoIf(const TfsXMLItem *e, TfsStatement *list);
    void DoCase(const TfsXMLItem *e, TfsStatement *list);
    void DoFor(const TfsXMLItem *e, TfsStatement *list);
    void DoVbFor(const TfsXMLItem *e, TfsStatement *list);
    void DoCppFor(const TfsXMLItem *e, TfsStatement *list);
    void DoWhile(const TfsXMLItem *e, TfsStatement *list);
    void DoRepeat(const TfsXMLItem *e, TfsStatement *list);
    void DoTry(const TfsXMLItem *e, TfsStatement *list);
    void DoReturn(const TfsXMLItem *e, TfsStatement *list, bool withValue);
    void DoWith(const TfsXMLItem *e, TfsStatement *list);
    void DoDelete(const TfsXMLItem *e, TfsStatement *list);
    TfsCustomVariable *LoopVariable(const TfsXMLItem *ident);

    // expressions
    std::unique_ptr<TfsExpression> MakeExpression(const TfsXMLItem *e);
    void AddExpressionItems(TfsExpression *expression, const TfsXMLItem *e);
    std::unique_ptr<TfsExpressionNode> MakeConstant(const TfsXMLItem *e);
    std::unique_ptr<TfsSetExpression> MakeSet(const TfsXMLItem *e);
    std::unique_ptr<TfsDesignator> MakeDesignator(const TfsXMLItem *e, Use use);
    // Each returns how many raw steps it used (an indexed property takes the index step after it).
    size_t ResolveFirst(TfsDesignator *d, const RawStep &step, Use use, bool single, const RawStep *next);
    bool AddMember(TfsDesignator *d, const RawStep &step, TfsCustomVariable *member, const RawStep *next);
    void AddIndex(TfsDesignator *d, const RawStep &step);
    void AddCall(TfsDesignatorItem &item, TfsCustomVariable *routine, const RawStep &step);
    void AddArgs(TfsDesignatorItem &item, const RawStep &step);
    TfsClassVariable *ClassOfType(const TfsTypeRec &type) const;

    TfsScript *m_script;
    TfsScript *m_prog;
    bool m_declareVars;
    bool m_pascalDeclarations;
    QString m_pos;
    QString m_unit;
    QHash<QString, QString> m_types; // the document's type names → engine type names
    QHash<const TfsXMLItem *, TfsProcVariable *> m_routines;
    TfsProcVariable *m_currentRoutine = nullptr;
    std::vector<WithTarget> m_with;
    QHash<const TfsCustomVariable *, int> m_arrayDims;
    int m_withCounter = 0;
};
