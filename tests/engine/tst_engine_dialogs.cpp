// Dialog pages before a build: headless builds take the controls' stored values; in the window the
// page is a real modal dialog whose values and events reach the script, OK goes on and Cancel
// ends the build without pages.

#include "engine/build/frxEngine.h"
#include "engine/preview/frxDialogForm.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxClass.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const char *const kFixture = WAYBILL_SOURCE_DIR "/tests/report/fixtures/layouts/versions/dialog_page.fr3";

struct Loaded {
    TfrxReport report;
    Loaded()
    {
        report.EngineOptions()->SetNewSilentMode(frx::simSilent);
        frxLoadFromFile(report, QString::fromUtf8(kFixture));
    }
    const TfrxEngineMemoryPages &Pages()
    {
        return *static_cast<TfrxEngineMemoryPages *>(static_cast<TfrxEngine *>(report.Engine())->Output());
    }
    QString TextOn(int page, const QString &name)
    {
        auto *memo = qobject_cast<TfrxCustomMemoView *>(Pages().Page(page).Find(name));
        return memo ? memo->Text().trimmed() : QStringLiteral("<missing>");
    }
};

template <class W> W *Find(QWidget *dialog, const char *name)
{
    W *w = dialog->findChild<W *>(QLatin1String(name));
    if (!w)
        qWarning("no widget %s", name);
    return w;
}

// Runs what a user does once the dialog is on screen.
void WhenShown(std::function<void(QDialog *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        act(dialog);
    });
    timer->start();
}

} // namespace

class tst_EngineDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { frxRegisterEngine(); }
    void cleanup() { frxSetDialogRunner(nullptr); }

    void controlsLoaded()
    {
        Loaded f;
        QCOMPARE(f.report.Errors(), QStringList());
        auto *edit = qobject_cast<TfrxEditControl *>(f.report.FindObject(QStringLiteral("Edit1")));
        auto *check = qobject_cast<TfrxCheckBoxControl *>(f.report.FindObject(QStringLiteral("CheckBox1")));
        auto *combo = qobject_cast<TfrxComboBoxControl *>(f.report.FindObject(QStringLiteral("ComboBox1")));
        auto *date = qobject_cast<TfrxDateEditControl *>(f.report.FindObject(QStringLiteral("DateEdit1")));
        auto *lookup =
            qobject_cast<TfrxDBLookupComboBox *>(f.report.FindObject(QStringLiteral("DBLookupComboBox1")));
        auto *radio =
            qobject_cast<TfrxRadioButtonControl *>(f.report.FindObject(QStringLiteral("RadioButton1")));
        QVERIFY(edit && check && combo && date && lookup && radio);
        QCOMPARE(edit->Text(), QStringLiteral("zhang san"));
        QCOMPARE(edit->MaxLength(), 20);
        QVERIFY(check->Checked());
        QCOMPARE(combo->Items(), (QStringList{"SF", "ZTO", "YTO"}));
        QCOMPARE(combo->Style(), frxdlg::csDropDownList);
        QCOMPARE(date->Date(), 45000.0);
        QCOMPARE(radio->Parent()->Name(), QStringLiteral("GroupBox1"));
        // A dataset that is not there: no binding, the name kept for the save.
        QVERIFY(!lookup->DataSet());
        QCOMPARE(lookup->DataSetName(), QStringLiteral("Couriers"));
        // Controls are placed on their dialog, not on the pages before it.
        QCOMPARE(radio->AbsLeft(), 16.0);
    }

    void headlessBuildTakesStoredValues()
    {
        Loaded f;
        QVERIFY(f.report.BuildPages());
        QCOMPARE(f.report.Errors(), QStringList());
        QCOMPARE(f.Pages().Count(), 1);
        QCOMPARE(f.TextOn(0, QStringLiteral("Memo1")), QStringLiteral("zhang san|ZTO|1"));
        QCOMPARE(f.TextOn(0, QStringLiteral("Memo2")), QStringLiteral("COD"));
        QCOMPARE(f.TextOn(0, QStringLiteral("Memo3")), QStringLiteral("morning"));
    }

    void windowDialog()
    {
        frxRegisterDialogForms();
        Loaded f;
        QString labelAfterClick;
        WhenShown([&](QDialog *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Print options"));
            auto *edit = Find<QLineEdit>(dialog, "Edit1");
            QCOMPARE(edit->text(), QStringLiteral("zhang san"));
            edit->setText(QStringLiteral("li si"));
            Find<QCheckBox>(dialog, "CheckBox1")->click(); // its OnClick changes the label
            labelAfterClick = Find<QLabel>(dialog, "Label1")->text();
            Find<QRadioButton>(dialog, "RadioButton2")->click();
            Find<QComboBox>(dialog, "ComboBox1")->setCurrentIndex(2);
            Find<QPushButton>(dialog, "Button1")->click(); // OnClick upper-cases Edit1; mrOk
        });
        QVERIFY(f.report.BuildPages());
        QCOMPARE(labelAfterClick, QStringLiteral("COD off"));
        QCOMPARE(f.Pages().Count(), 1);
        QCOMPARE(f.TextOn(0, QStringLiteral("Memo1")), QStringLiteral("LI SI|YTO|2"));
        QCOMPARE(f.TextOn(0, QStringLiteral("Memo2")), QStringLiteral("none"));
        QCOMPARE(f.TextOn(0, QStringLiteral("Memo3")), QStringLiteral("evening"));
        // The layout is as it was loaded: the dialog's values were for this build.
        QCOMPARE(qobject_cast<TfrxEditControl *>(f.report.FindObject(QStringLiteral("Edit1")))->Text(),
                 QStringLiteral("zhang san"));
    }

    void cancelEndsTheBuild_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel button") << "Button2";
        QTest::newRow("window closed") << "";
    }
    void cancelEndsTheBuild()
    {
        QFETCH(QString, how);
        frxRegisterDialogForms();
        Loaded f;
        WhenShown([how](QDialog *dialog) {
            if (how.isEmpty())
                dialog->reject();
            else
                dialog->findChild<QPushButton *>(how)->click();
        });
        QVERIFY(!f.report.BuildPages());
        QCOMPARE(f.report.Errors(), QStringList());
        QCOMPARE(f.Pages().Count(), 0);
    }
};

QTEST_MAIN(tst_EngineDialogs)
#include "tst_engine_dialogs.moc"
