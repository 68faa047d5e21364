#pragma once
// Paper and bin numbers of the printer layer. Sizes of the platform's standard paper numbers come
// from the report model's table (report/model/frxPaper.h), which the report pages use too, so that a page
// and the printer always agree on what a number means; here are their names and special numbers.

#include <QList>
#include <QString>

// Code 256: a size of the page's own, given by width and height.
inline constexpr int frxCustomPaper = 256;
// Bin 7: the driver picks the paper source.
inline constexpr int frxAutoBin = 7;
// Paper 9: A4, the placeholder printer's paper.
inline constexpr int frxA4Paper = 9;

// The standard paper numbers (1 to 47 and 50 to 68), in order.
QList<int> frxStandardPaperCodes();
// The platform's name of a standard paper number; empty for other numbers.
QString frxPaperName(int code);
