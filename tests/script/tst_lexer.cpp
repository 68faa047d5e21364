// TfsParser: the token readers and lexical settings every script language is built from.

#include "script/fs_ilanguage.h"
#include "script/fs_iparser.h"

#include <QTest>

namespace {

// A lexer set up as the named built-in language would be.
TfsParser LexerFor(const QString &language, const QString &text)
{
    TfsParser parser;
    TfsLanguageRegistry::Language(language)->ApplyTo(parser);
    parser.SetText(text);
    return parser;
}

} // namespace

class TestLexer : public QObject {
    Q_OBJECT

private slots:
    void strings_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("token"); // empty: no string
        QTest::addColumn<int>("next");      // position after the token

        QTest::newRow("doubled quote") << "PascalScript"
                                       << "'it''s' x"
                                       << "'it's'" << 8;
        QTest::newRow("control parts") << "PascalScript"
                                       << "#13#10'x'"
                                       << "'\r\nx'" << 10;
        QTest::newRow("hex control part") << "PascalScript"
                                          << "#$41'b'"
                                          << "'Ab'" << 8;
        QTest::newRow("control part ends at #") << "PascalScript"
                                                << "'a'#;"
                                                << "'a'" << 4;
        QTest::newRow("empty string") << "PascalScript"
                                      << "''"
                                      << "''" << 3;
        QTest::newRow("unterminated") << "PascalScript"
                                      << "'abc"
                                      << "" << 1;
        QTest::newRow("never spans lines") << "PascalScript"
                                           << "'ab\ncd'"
                                           << "" << 1;
        QTest::newRow("tab inside") << "PascalScript"
                                    << "'a\tb'"
                                    << "'a\tb'" << 6;
        QTest::newRow("unterminated after a part") << "PascalScript"
                                                   << "'a''"
                                                   << "" << 1;
        QTest::newRow("code beyond unicode") << "PascalScript"
                                             << "#1114112"
                                             << "" << 1;
        QTest::newRow("escaped quote") << "C++Script"
                                       << "\"a\\\"b\""
                                       << "'a\"b'" << 7;
        QTest::newRow("escapes") << "C++Script"
                                 << "\"\\n\\r\\t\\\\\\q\""
                                 << "'\n\r\t\\q'" << 13;
        QTest::newRow("hex escape") << "JScript"
                                    << "\"\\x41\\x4e2d!\"" << QString("'A") + QChar(0x4e2d) + "!'" << 14;
        QTest::newRow("adjacent parts") << "C++Script"
                                        << "\"a\"\"b\""
                                        << "'ab'" << 7;
        QTest::newRow("no escapes in basic") << "BasicScript"
                                             << "\"a\\\""
                                             << "'a\\'" << 5;
        QTest::newRow("doubled quote in basic") << "BasicScript"
                                                << "\"say \"\"hi\"\"\""
                                                << "'say \"hi\"'" << 13;
        QTest::newRow("single quote is no string in C++") << "C++Script"
                                                          << "'a'"
                                                          << "" << 1;
        QTest::newRow("chinese") << "PascalScript"
                                 << "'收件人'"
                                 << "'收件人'" << 6;
    }
    void strings()
    {
        QFETCH(QString, language);
        QFETCH(QString, source);
        QFETCH(QString, token);
        QFETCH(int, next);
        TfsParser parser = LexerFor(language, source);
        QCOMPARE(parser.GetString(), token);
        QCOMPARE(parser.Position(), next);
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("token");

        QTest::newRow("integer") << "PascalScript"
                                 << "123 "
                                 << "123";
        QTest::newRow("real") << "PascalScript"
                              << "1.5e-3+"
                              << "1.5e-3";
        QTest::newRow("range is no real") << "PascalScript"
                                          << "1..5"
                                          << "1";
        QTest::newRow("exponent needs digits") << "PascalScript"
                                               << "2e"
                                               << "2";
        QTest::newRow("pascal hex") << "PascalScript"
                                    << "$FF;"
                                    << "$FF";
        QTest::newRow("c hex rewritten") << "C++Script"
                                         << "0xFF;"
                                         << "$FF";
        QTest::newRow("upper case prefix") << "JScript"
                                           << "0X1f"
                                           << "$1f";
        QTest::newRow("prefix without digits") << "C++Script"
                                               << "0x"
                                               << "0";
        QTest::newRow("dollar is no prefix in C++") << "C++Script"
                                                    << "$FF"
                                                    << "";
        QTest::newRow("no number") << "PascalScript"
                                   << "abc"
                                   << "";
    }
    void numbers()
    {
        QFETCH(QString, language);
        QFETCH(QString, source);
        QFETCH(QString, token);
        TfsParser parser = LexerFor(language, source);
        QCOMPARE(parser.GetNumber(), token);
    }

    // White space and comments of every kind are skipped; block comments do not nest.
    void comments_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("word");

        QTest::newRow("braces") << "PascalScript"
                                << "  { note } next"
                                << "next";
        QTest::newRow("first closing brace ends") << "PascalScript"
                                                  << "{ a { b } c } d"
                                                  << "c";
        QTest::newRow("paren star") << "PascalScript"
                                    << "(* x *)next"
                                    << "next";
        QTest::newRow("line comment") << "PascalScript"
                                      << "// a { b\nnext"
                                      << "next";
        QTest::newRow("several") << "PascalScript"
                                 << "{a}(*b*)//c\n  {d} next"
                                 << "next";
        QTest::newRow("c block") << "C++Script"
                                 << "/* a\n b */ next"
                                 << "next";
        QTest::newRow("basic apostrophe") << "BasicScript"
                                          << "' note\nnext"
                                          << "next";
        QTest::newRow("basic rem") << "BasicScript"
                                   << "REM note\nnext"
                                   << "next";
        QTest::newRow("rem only as a word") << "BasicScript"
                                            << "remark"
                                            << "remark";
        QTest::newRow("basic block") << "BasicScript"
                                     << "/\\ x /\\ next"
                                     << "next";
        QTest::newRow("unterminated block") << "PascalScript"
                                            << "{ open\n next"
                                            << "";
    }
    void comments()
    {
        QFETCH(QString, language);
        QFETCH(QString, source);
        QFETCH(QString, word);
        TfsParser parser = LexerFor(language, source);
        QCOMPARE(parser.GetWord(), word);
    }

    void unterminatedCommentIsNoted()
    {
        TfsParser parser = LexerFor("C++Script", "a /* open");
        parser.GetWord();
        QCOMPARE(parser.UnterminatedComment(), 0);
        QVERIFY(parser.IsEndOfText());
        QCOMPARE(parser.UnterminatedComment(), 3);
    }

    void words()
    {
        TfsParser parser = LexerFor("PascalScript", "收件人1 _x 9a Begin");
        QCOMPARE(parser.GetWord(), QString("收件人1"));
        QCOMPARE(parser.GetIdent(), QString("_x"));
        QCOMPARE(parser.GetWord(), QString()); // a digit starts no word
        QCOMPARE(parser.GetNumber(), QString("9"));
        QCOMPARE(parser.GetWord(), QString("a"));
        // A keyword is a word but no identifier; Pascal keywords ignore case.
        const int before = parser.Position();
        QCOMPARE(parser.GetIdent(), QString());
        QCOMPARE(parser.Position(), before);
        QCOMPARE(parser.GetWord(), QString("Begin"));
        QVERIFY(parser.IsKeyWord(QString("BEGIN")));
    }

    void caseSensitiveKeywords()
    {
        TfsParser parser = LexerFor("C++Script", "If if");
        QVERIFY(!parser.IsKeyWord(QString("If")));
        QCOMPARE(parser.GetIdent(), QString("If"));
        QCOMPARE(parser.GetIdent(), QString());
    }

    void identifierCharacters()
    {
        TfsParser parser;
        parser.SetIdentifierCharset(QStringLiteral("$"));
        parser.SetText(QStringLiteral("a$b c-d"));
        QCOMPARE(parser.GetWord(), QString("a$b"));
        QCOMPARE(parser.GetWord(), QString("c"));
        // Back to the default set.
        parser.Clear();
        parser.SetText(QStringLiteral("a$b"));
        QCOMPARE(parser.GetWord(), QString("a"));
    }

    void chars()
    {
        TfsParser parser = LexerFor("PascalScript", ":=a");
        QCOMPARE(parser.GetChar(), QString(":"));
        QCOMPARE(parser.GetChar(), QString("="));
        QCOMPARE(parser.GetChar(), QString()); // a letter is no punctuation character
        QCOMPARE(parser.Position(), 3);
    }

    // Line breaks are white space unless the language says otherwise; then a comment keeps the
    // break that ends its line, and "_" continues a line.
    void lineBreaks()
    {
        TfsParser pascal = LexerFor("PascalScript", "a\r\n\r\nb");
        pascal.GetWord();
        QVERIFY(!pascal.GetEOL());
        QCOMPARE(pascal.GetWord(), QString("b"));

        TfsParser basic = LexerFor("BasicScript", "a ' note\r\n   \r\n' whole line\r\n  b _\r\n  c _count");
        QCOMPARE(basic.GetWord(), QString("a"));
        QVERIFY(basic.GetEOL());
        QCOMPARE(basic.GetWord(), QString("b"));
        QVERIFY(!basic.GetEOL());
        QCOMPARE(basic.GetWord(), QString("c"));
        QCOMPARE(basic.GetWord(), QString("_count"));
        QVERIFY(basic.IsEndOfText());
    }

    void fieldReferences_data()
    {
        QTest::addColumn<QString>("source"); // the text after "<"
        QTest::addColumn<QString>("token");

        QTest::newRow("plain") << "FD.\"收件人\"> + 'x'"
                               << "FD.\"收件人\"";
        QTest::newRow("brackets inside") << "V[<a>]>"
                                         << "V[<a>]";
        QTest::newRow("closing bracket quoted") << "FD.\"a>b\">"
                                                << "FD.\"a>b\"";
        QTest::newRow("apostrophe in a double-quoted name") << "FD.\"O'Brien\">"
                                                            << "FD.\"O'Brien\"";
        QTest::newRow("unterminated") << "FD.\"a\" + 1"
                                      << "";
        QTest::newRow("not across lines") << "FD.\"a\"\n>"
                                          << "";
        QTest::newRow("empty") << ">"
                               << "";
    }
    void fieldReferences()
    {
        QFETCH(QString, source);
        QFETCH(QString, token);
        TfsParser parser = LexerFor("PascalScript", source);
        QCOMPARE(parser.GetFRString(), token);
        if (!token.isEmpty())
            QCOMPARE(parser.GetChar(), QString(">"));
        else
            QCOMPARE(parser.Position(), 1);
    }

    void positions()
    {
        TfsParser parser;
        parser.SetText(QStringLiteral("ab\r\ncd\nef"));
        QCOMPARE(parser.GetXYPosition(1), QString("1:1"));
        QCOMPARE(parser.GetXYPosition(3), QString("1:3"));
        QCOMPARE(parser.GetXYPosition(5), QString("2:1"));
        QCOMPARE(parser.GetXYPosition(8), QString("3:1"));
        QCOMPARE(parser.GetXYPosition(10), QString("3:3")); // the end of the text
        QCOMPARE(parser.GetPlainPosition(2, 2), 6);
        QCOMPARE(parser.GetPlainPosition(1, 3), 3); // the end of line 1
        QCOMPARE(parser.GetPlainPosition(1, 4), -1);
        QCOMPARE(parser.GetPlainPosition(3, 3), 10);
        QCOMPARE(parser.GetPlainPosition(4, 1), -1);
        QCOMPARE(parser.GetPlainPosition(0, 1), -1);
        for (int position = 1; position <= 10; ++position) {
            if (position == 4)
                continue; // the LF of CR LF is no position of its own
            const QStringList xy = parser.GetXYPosition(position).split(':');
            QCOMPARE(parser.GetPlainPosition(xy[0].toInt(), xy[1].toInt()), position);
        }
    }

    // A NUL inside the text is white space; the end of the text stays where it is.
    void nulCharacter()
    {
        TfsParser parser = LexerFor("PascalScript", QString("a") + QChar(0) + QString("b"));
        QCOMPARE(parser.GetWord(), QString("a"));
        QCOMPARE(parser.GetWord(), QString("b"));
        QVERIFY(parser.IsEndOfText());
        QCOMPARE(parser.GetWord(), QString());
        QCOMPARE(parser.Position(), 4);
    }
};

QTEST_GUILESS_MAIN(TestLexer)
#include "tst_lexer.moc"
