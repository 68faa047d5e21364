#pragma once
// A small layout on disk for the designer's suites: a data page, Page1 (100 x 60 mm, margins
// 5 mm) with two text objects, and the order dataset FD in the report's list. The user's settings
// go to a temporary configuration folder.

#include "report/io/frxSerializeReport.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

struct DesignerFixture {
    QTemporaryDir dir;
    QTemporaryDir config;
    TComponent owner;
    TfrxReport *report = nullptr;
    TfrxUserDataSet *fd = nullptr;
    QString path;

    DesignerFixture()
    {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        fd = new TfrxUserDataSet(&owner);
        fd->SetName(QStringLiteral("frxUserDataSet1"));
        fd->SetUserName(QStringLiteral("FD"));
        fd->SetFields({QStringLiteral("收件人"), QStringLiteral("电话")});
        report = new TfrxReport(&owner);
        report->SetIniFile(QStringLiteral("\\Software\\Tavrel"));
        report->EngineOptions()->SetNewSilentMode(frx::simSilent);
        Build(*report);
        path = dir.filePath(QStringLiteral("t.fr3"));
        frxSaveToFile(*report, path);
        frxLoadFromFile(*report, path);
    }

    void Build(TfrxReport &r)
    {
        r.ClearObjects();
        r.EnsureDataPage()->SetName(QStringLiteral("Data"));
        auto *page = new TfrxReportPage(&r);
        page->SetName(QStringLiteral("Page1"));
        page->SetPaperWidth(100);
        page->SetPaperHeight(60);
        page->SetLeftMargin(5);
        page->SetRightMargin(5);
        page->SetTopMargin(5);
        page->SetBottomMargin(5);
        auto *a = new TfrxMemoView(&r);
        a->SetParent(page);
        a->SetName(QStringLiteral("Memo1"));
        a->SetBounds(37.7953, 18.89765, 94.48825, 18.89765);
        a->SetText(QStringLiteral("[FD.\"收件人\"]"));
        auto *b = new TfrxMemoView(&r);
        b->SetParent(page);
        b->SetName(QStringLiteral("Memo2"));
        b->SetBounds(37.7953, 56.69295, 94.48825, 18.89765);
        b->SetText(QStringLiteral("Tel [FD.\"电话\"]"));
        r.Datasets()->Add(fd);
        r.SetDataSet(fd);
    }

    QByteArray FileBytes() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};
