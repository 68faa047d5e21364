#pragma once
// Prepared pages for the printing suites: one page per number, the band's memo reading "PAGEn",
// appended through the store as the builder appends them.

#include "report/model/frxClass.h"
#include "report/host/frxPreviewPagesBase.h"

inline void AppendNumberedPages(TfrxReport &report, TfrxReportPage *page, TfrxBand *band, TfrxMemoView *memo,
                                int count)
{
    TfrxCustomPreviewPages *pages = report.PreviewPages();
    pages->BeginBuild();
    pages->RegisterSourcePage(page);
    pages->BeginPass();
    for (int i = 1; i <= count; ++i) {
        memo->SetText(QStringLiteral("PAGE%1").arg(i));
        pages->AppendPage(page);
        pages->AppendObjects(band);
    }
    pages->EndBuild();
}
