// Host objects in scripts: published properties of QObjects and of nested gadgets (enumerations,
// sets, string lists, object references), registered classes with methods, properties, indexed
// and default properties and events, and the registration calls of the host.

#include "script/fs_iinterpreter.h"

#include <QPointer>
#include <QTest>

// A nested object without QObject, as fonts and frames of report objects are.
class TTestFont {
    Q_GADGET
public:
    enum Style { fsBold = 1, fsItalic = 2, fsUnderline = 4 };
    Q_DECLARE_FLAGS(Styles, Style)
    Q_FLAG(Styles)

private:
    Q_PROPERTY(QString Name MEMBER m_name)
    Q_PROPERTY(int Size MEMBER m_size)
    Q_PROPERTY(Styles Style READ GetStyle WRITE SetStyle)

public:
    Styles GetStyle() const { return m_style; }
    void SetStyle(Styles style) { m_style = style; }

    QString m_name = QStringLiteral("Arial");
    int m_size = 10;
    Styles m_style;
};

class TTestMemo : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Visible MEMBER m_visible)
    Q_PROPERTY(QString Text MEMBER m_text)
    Q_PROPERTY(double Left MEMBER m_left)
    Q_PROPERTY(TfrxHAlign HAlign MEMBER m_hAlign)
    Q_PROPERTY(TTestFont *Font READ Font)
    Q_PROPERTY(QStringList Lines MEMBER m_lines)
    Q_PROPERTY(TTestMemo *Next MEMBER m_next)
    Q_PROPERTY(int Count READ Count)
public:
    enum TfrxHAlign { haLeft, haRight, haCenter };
    Q_ENUM(TfrxHAlign)
    enum TfrxVAlign { vaTop, vaBottom };
    Q_ENUM(TfrxVAlign)

    Q_INVOKABLE TTestMemo() = default;
    TTestFont *Font() { return &m_font; }
    int Count() const { return 3; }

    bool m_visible = true;
    QString m_text;
    double m_left = 0;
    TfrxHAlign m_hAlign = haLeft;
    TTestFont m_font;
    QStringList m_lines;
    TTestMemo *m_next = nullptr;
};

// Report variables with a default property, and an engine with a computed property.
class TTestVariables : public QObject {
    Q_OBJECT
public:
    QHash<QString, Variant> values;
};

class TTestEngine : public QObject {
    Q_OBJECT
    Q_PROPERTY(double FreeSpace READ FreeSpace)
public:
    double FreeSpace() const { return 123.5; }
};

class TTestReport : public QObject {
    Q_OBJECT
    Q_PROPERTY(TTestVariables *Variables READ Variables)
public:
    TTestVariables *Variables() { return &m_variables; }
    TTestVariables m_variables;
};

namespace {

// Runs a PascalScript program with the host's registrations; "" on success, else the error.
QString Run(TfsScript &script, const QString &source)
{
    script.SetText(source);
    if (!script.Compile())
        return QStringLiteral("compile: %1 @ %2").arg(script.ErrorMsg(), script.ErrorPos());
    try {
        script.Execute();
    } catch (const std::exception &e) {
        return QStringLiteral("runtime: %1 @ %2").arg(ExceptionText(e), script.ErrorPos());
    }
    return QString();
}

} // namespace

class TestHostObjects : public QObject {
    Q_OBJECT

private slots:
    void publishedProperties()
    {
        TTestMemo memo, next;
        memo.m_next = &next;
        TfsScript script;
        script.AddObject(QStringLiteral("Memo1"), &memo);
        QCOMPARE(Run(script, "begin\n"
                             "  Memo1.Visible := False;\n"
                             "  memo1.TEXT := 'x' + IntToStr(2);\n"
                             "  Memo1.Left := Memo1.Left + 10.5;\n"
                             "  Memo1.HAlign := haCenter;\n"
                             "  Memo1.Font.Style := 1;\n"
                             "  Memo1.Font.Size := Memo1.Font.Size * 2;\n"
                             "  Memo1.Next.Text := Memo1.Font.Name;\n"
                             "end."),
                 QString());
        QCOMPARE(memo.m_visible, false);
        QCOMPARE(memo.m_text, QString("x2"));
        QCOMPARE(memo.m_left, 10.5);
        QCOMPARE(memo.m_hAlign, TTestMemo::haCenter);
        QCOMPARE(int(memo.m_font.m_style), 1);
        QCOMPARE(memo.m_font.m_size, 20);
        QCOMPARE(next.m_text, QString("Arial"));

        // Sets: constructors, membership; values read back as integers.
        QCOMPARE(
            Run(script,
                "begin Memo1.Font.Style := [fsBold, fsUnderline]; "
                "if fsUnderline in Memo1.Font.Style then Memo1.Text := IntToStr(Memo1.Font.Style); end."),
            QString());
        QCOMPARE(int(memo.m_font.m_style), 5);
        QCOMPARE(memo.m_text, QString("5"));
        QCOMPARE(script.Evaluate(QStringLiteral("Memo1.HAlign = haCenter")).ToBool(), true);
        QCOMPARE(script.Evaluate(QStringLiteral("Memo1.Count")).ToInt(), 3);
    }

    void stringListsBehaveLikeTStrings()
    {
        TTestMemo memo;
        TfsScript script;
        script.AddObject(QStringLiteral("Memo1"), &memo);
        QCOMPARE(Run(script, "begin Memo1.Lines.Text := 'a'#13#10'b'; Memo1.Lines.Add('c'); "
                             "Memo1.Lines[0] := Uppercase(Memo1.Lines[0]); Memo1.Text := "
                             "IntToStr(Memo1.Lines.Count); end."),
                 QString());
        QCOMPARE(memo.m_lines, QStringList({"A", "b", "c"}));
        QCOMPARE(memo.m_text, QString("3"));
        QCOMPARE(script.Evaluate(QStringLiteral("Memo1.Lines.IndexOf('B')")).ToInt(), 1);
    }

    void withStatement()
    {
        TTestMemo memo;
        TfsScript script;
        script.AddObject(QStringLiteral("Memo1"), &memo);
        QCOMPARE(Run(script, "var Text: String;\nbegin\n  Text := 'outer';\n"
                             "  with Memo1 do begin Text := 'inner'; Left := 3; end;\n"
                             "  with Memo1.Font do Size := 14;\n"
                             "  Memo1.Lines.Add(Text);\nend."),
                 QString());
        QCOMPARE(memo.m_text, QString("inner"));
        QCOMPARE(memo.m_left, 3.0);
        QCOMPARE(memo.m_font.m_size, 14);
        QCOMPARE(memo.m_lines, QStringList({"outer"}));
    }

    void propertyErrors_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("result");
        QTest::newRow("read-only") << "begin\n  Memo1.Count := 1;\nend."
                                   << "compile: Left side cannot be assigned to @ 2:3";
        QTest::newRow("unknown property") << "begin\n  Memo1.Colour := 1;\nend."
                                          << "compile: Undeclared identifier: 'Colour' @ 2:9";
        QTest::newRow("other enumeration") << "begin\n  Memo1.HAlign := vaTop;\nend."
                                           << "compile: Incompatible types @ 2:19";
        QTest::newRow("object is no number") << "begin\n  Memo1.Left := Memo1;\nend."
                                             << "compile: Incompatible types @ 2:17";
        QTest::newRow("no default property")
            << "begin\n  Memo1[1] := 2;\nend."
            << "compile: Class TTestMemo does not have a default property @ 2:8";
        QTest::newRow("nil object") << "begin\n  Memo1.Next.Text := 'x';\nend."
                                    << "runtime: Cannot reach 'Text': the object is nil @ 2:3";
        QTest::newRow("text for an enumeration") << "begin\n  Memo1.HAlign := 'haRight';\nend."
                                                 << "compile: Incompatible types @ 2:19";
        QTest::newRow("bad enumeration name") << "var v: Variant;\nbegin\n  v := 'haRight';\n  Memo1.HAlign "
                                                 ":= v;\n  v := 'haNowhere';\n  Memo1.HAlign := v;\nend."
                                              << "runtime: Invalid property value: 'haNowhere' @ 6:3";
    }
    void propertyErrors()
    {
        QFETCH(QString, source);
        QFETCH(QString, result);
        TTestMemo memo;
        TfsScript script;
        script.AddObject(QStringLiteral("Memo1"), &memo);
        QCOMPARE(Run(script, source), result);
    }

    void registeredClassMembers()
    {
        TTestReport report;
        TTestEngine engine;
        TTestMemo memo;
        TfsScript script;
        TfsClassVariable *variables = script.AddClass(&TTestVariables::staticMetaObject);
        variables->AddDefaultProperty(
            QStringLiteral("Variables"), QStringLiteral("String"), QStringLiteral("Variant"),
            [](QObject *o, TfsParams &p) {
                return static_cast<TTestVariables *>(o)->values.value(p[0].ToString());
            },
            [](QObject *o, TfsParams &p) {
                static_cast<TTestVariables *>(o)->values.insert(p[0].ToString(), p[1]);
                return Variant();
            });
        TfsClassVariable *memoClass = script.AddClass(&TTestMemo::staticMetaObject);
        memoClass->AddMethod(
            QStringLiteral("function Describe(const Prefix: String; Width: Integer = 2): String"),
            [](QObject *o, TfsParams &p) {
                auto *m = static_cast<TTestMemo *>(o);
                return Variant(p[0].ToString() + m->m_text.leftJustified(p[1].ToInt(), '.'));
            });
        memoClass->AddProperty(
            QStringLiteral("Tag"), QStringLiteral("Integer"),
            [](QObject *o) { return Variant(int(o->objectName().size())); },
            [](QObject *o, const Variant &v) { o->setObjectName(QString(v.ToInt(), QLatin1Char('t'))); });
        memoClass->AddIndexProperty(QStringLiteral("Chars"), QStringLiteral("Integer"),
                                    QStringLiteral("String"), [](QObject *o, TfsParams &p) {
                                        return Variant(
                                            static_cast<TTestMemo *>(o)->m_text.mid(p[0].ToInt(), 1));
                                    });
        QString handler;
        memoClass->AddEvent(QStringLiteral("OnClick"),
                            [&](QObject *, const QString &name) { handler = name; });

        script.AddObject(QStringLiteral("Report"), &report);
        script.AddObject(QStringLiteral("Engine"), &engine);
        script.AddObject(QStringLiteral("Memo1"), &memo);
        QCOMPARE(Run(script,
                     "procedure Clicked(Sender: TObject); begin end;\n"
                     "begin\n"
                     "  Report.Variables['V'] := Engine.FreeSpace * 2;\n"
                     "  Memo1.Text := 'ab';\n"
                     "  Memo1.Lines.Add(Memo1.Describe('>') + Memo1.Describe('<', 4) + Memo1.Chars[1]);\n"
                     "  Memo1.Tag := 3;\n"
                     "  Memo1.OnClick := Clicked;\n"
                     "end."),
                 QString());
        QCOMPARE(report.m_variables.values.value("V").ToDouble(), 247.0);
        QCOMPARE(memo.m_lines, QStringList({">ab<ab..b"}));
        QCOMPARE(memo.objectName(), QString("ttt"));
        QCOMPARE(handler, QString("Clicked"));
        QCOMPARE(script.Evaluate(QStringLiteral("Report.Variables['V'] + Memo1.Tag")).ToDouble(), 250.0);

        // Mistakes with these members.
        script.SetText(QStringLiteral(
            "function F: Integer; begin Result := 1; end;\nbegin\n  Memo1.OnClick := F;\nend."));
        QVERIFY(!script.Compile());
        QCOMPARE(script.ErrorMsg(), QString("Event handler must be a procedure"));
        script.SetText(QStringLiteral("begin\n  Memo1.Lines.Add(Memo1.Chars);\nend."));
        QVERIFY(!script.Compile());
        QCOMPARE(script.ErrorMsg(), QString("Index required"));
        script.SetText(QStringLiteral("begin\n  Memo1.Describe;\nend."));
        QVERIFY(!script.Compile());
        QCOMPARE(script.ErrorMsg(), QString("Not enough actual parameters"));
    }

    void registrationCalls()
    {
        TfsScript script;
        script.AddConst(QStringLiteral("Answer"), QStringLiteral("Integer"), Variant(42));
        script.AddEnum(QStringLiteral("TColorName"), QStringLiteral("clRed, clGreen, clBlue"));
        script.AddEnumSet(QStringLiteral("TOptions"), QStringLiteral("opA, opB, opC"));
        script.AddVariable(QStringLiteral("Count"), QStringLiteral("Integer"), Variant(QStringLiteral("7")));
        script.AddType(QStringLiteral("TMoney"), fvtFloat);
        int calls = 0;
        script.AddMethod(
            QStringLiteral("procedure Twice(var N: Integer)"),
            [&](QObject *, TfsParams &p) {
                ++calls;
                p[0] = Variant::Multiply(p[0], Variant(2));
                return Variant();
            },
            QStringLiteral("ctOther"), QStringLiteral("Doubles a number"));
        QCOMPARE(Run(script, "var m: TMoney; c: TColorName;\n"
                             "begin\n  Twice(Count);\n  m := 1.25;\n  c := clBlue;\n"
                             "  Count := Count + Answer + c + (opA + opC) + Trunc(m * 4);\nend."),
                 QString());
        QCOMPARE(calls, 1);
        QCOMPARE(script.GetVariables(QStringLiteral("Count")).ToInt(), 14 + 42 + 2 + 5 + 5);
        QCOMPARE(script.GetVariables(QStringLiteral("Count")).VarType(), varInteger);

        // A registered item of the same name replaces the earlier one; ClearItems removes an
        // owner's items and what compiled code declared.
        QObject owner;
        script.SetAddedBy(&owner);
        script.AddVariable(QStringLiteral("Answer"), QStringLiteral("String"), Variant(QStringLiteral("x")));
        script.SetAddedBy(nullptr);
        QCOMPARE(script.GetVariables(QStringLiteral("Answer")).ToString(), QString("x"));
        script.ClearItems(&owner);
        QVERIFY(!script.FindLocal(QStringLiteral("Answer")));
        QVERIFY(script.FindLocal(QStringLiteral("Count")));
        QVERIFY(!script.FindLocal(QStringLiteral("m")));
    }

    void componentsAndForms()
    {
        QObject form;
        form.setObjectName(QStringLiteral("Form1"));
        auto *memo = new TTestMemo;
        memo->setObjectName(QStringLiteral("Memo2"));
        memo->setParent(&form);
        TfsScript script;
        script.AddComponent(&form);
        QCOMPARE(Run(script, "begin Form1.Memo2.Text := 'via form'; end."), QString());
        QCOMPARE(memo->m_text, QString("via form"));
        QVERIFY(!script.FindLocal(QStringLiteral("Memo2")));
        script.AddForm(&form);
        QCOMPARE(Run(script, "begin Memo2.Left := 4; end."), QString());
        QCOMPARE(memo->m_left, 4.0);
    }

    void typesOfObjects()
    {
        TTestMemo memo;
        QObject plain;
        TfsScript script;
        script.AddObject(QStringLiteral("Memo1"), &memo);
        script.AddObject(QStringLiteral("Plain"), &plain);
        QCOMPARE(
            Run(script,
                "var o: TObject;\nbegin\n  o := Memo1;\n"
                "  if (o is TTestMemo) and not (Plain is TTestMemo) then TTestMemo(o).Text := o.ClassName;\n"
                "end."),
            QString());
        QCOMPARE(memo.m_text, QString("TTestMemo"));
        QCOMPARE(script.Evaluate(QStringLiteral("Memo1 <> nil")).ToBool(), true);
        QCOMPARE(script.Evaluate(QStringLiteral("Memo1.Next = nil")).ToBool(), true);
        // A variant holding an object reaches its members when the code runs.
        QCOMPARE(Run(script, "var v: Variant;\nbegin\n  v := Memo1;\n  v.Left := 9;\n  v.NoSuch := 1;\nend."),
                 QString("runtime: Undeclared identifier: 'NoSuch' @ 5:3"));
        QCOMPARE(memo.m_left, 9.0);
    }

    void objectsCreatedByScriptsBelongToThem()
    {
        QPointer<QObject> created;
        {
            TfsScript script;
            script.AddMethod(QStringLiteral("procedure Keep(o: Variant)"), [&](QObject *, TfsParams &p) {
                created = p[0].ToObject();
                return Variant();
            });
            script.ClassOf(&TTestMemo::staticMetaObject);
            QCOMPARE(
                Run(script, "var m: TTestMemo; begin m := TTestMemo.Create; m.Text := 'new'; Keep(m); end."),
                QString());
            QVERIFY(created);
            QCOMPARE(static_cast<TTestMemo *>(created.data())->m_text, QString("new"));
            // Free releases the object with the script, so the variable that still refers to it
            // does not dangle.
            QCOMPARE(Run(script, "var m2: TTestMemo; begin m2 := TTestMemo.Create; m2.Free; m2.Text := 'x'; "
                                 "Keep(m2); end."),
                     QString());
            QVERIFY(created);
            QCOMPARE(Run(script, "begin Keep(TTestMemo.Create); end."), QString());
        }
        QVERIFY(!created);
        {
            TfsScript script;
            script.SetSyntaxType(QStringLiteral("C++Script"));
            script.AddMethod(QStringLiteral("procedure Keep(o: Variant)"), [&](QObject *, TfsParams &p) {
                created = p[0].ToObject();
                return Variant();
            });
            bool nilled = false;
            script.AddMethod(QStringLiteral("procedure Nilled"), [&](QObject *, TfsParams &) {
                nilled = true;
                return Variant();
            });
            script.ClassOf(&TTestMemo::staticMetaObject);
            QCOMPARE(Run(script, "{ TTestMemo m = new TTestMemo(); m.Text = \"cpp\"; Keep(m); delete m; "
                                 "if (m == nil) Nilled(); }"),
                     QString());
            QVERIFY(nilled);
            QCOMPARE(static_cast<TTestMemo *>(created.data())->m_text, QString("cpp"));
            QCOMPARE(Run(script, "{ TTestMemo m2 = new TTestMemo(1); }"),
                     QString("compile: Too many actual parameters @ 1:22"));
        }
        QVERIFY(!created);

        TTestMemo host;
        TfsScript script;
        script.AddObject(QStringLiteral("Memo1"), &host);
        QCOMPARE(Run(script, "begin\n  Memo1.Free;\nend."),
                 QString("runtime: Only objects created by the script can be freed @ 2:3"));
    }

    void objectsGoneReadAsNil()
    {
        auto *memo = new TTestMemo;
        TfsScript script;
        script.AddObject(QStringLiteral("Memo1"), memo);
        script.SetText(QStringLiteral("begin\n  Memo1.Text := 'x';\nend."));
        QVERIFY(script.Compile());
        delete memo;
        QVERIFY_THROWS_EXCEPTION(EfsRuntimeError, script.Execute());
        QCOMPARE(script.ErrorPos(), QString("2:3"));
    }

    void hostObjectsInOtherLanguages()
    {
        TTestMemo memo;
        TfsScript script;
        script.AddObject(QStringLiteral("Memo1"), &memo);
        script.SetSyntaxType(QStringLiteral("C++Script"));
        QCOMPARE(Run(script, "{ Memo1.Font.Size = 8; Memo1.Text = \"c\" + IntToStr(Memo1.Font.Size); }"),
                 QString());
        QCOMPARE(memo.m_text, QString("c8"));
        script.SetSyntaxType(QStringLiteral("BasicScript"));
        QCOMPARE(Run(script, "Memo1.Visible = False\nMemo1.Lines.Add(\"b\")\n"), QString());
        QCOMPARE(memo.m_visible, false);
        QCOMPARE(memo.m_lines, QStringList({"b"}));
    }
};

QTEST_GUILESS_MAIN(TestHostObjects)
#include "tst_hostobjects.moc"
