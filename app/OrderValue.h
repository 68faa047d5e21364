#pragma once
// What a template sees of an order cell. Marketplace exports guard cells against spreadsheets:
// numbers as a formula literal (="3341277609981524", so the digits are not turned into a float)
// and phone numbers with a leading apostrophe ('13912345678, so they stay text). OrderRows keep
// the cells exactly as the export wrote them; the order dataset and the order grid show them
// through CleanOrderValue unless [SYS] RAW_ORDER_VALUES=1 in PRINTER.INI asks for the raw text.

#include <QString>

// The value inside one guard: ="…" gives the text between the quotes (a doubled quote inside
// stands for one quote), a leading ' is dropped. Only one guard is taken off; anything else comes
// back unchanged. A guard around nothing ("=\"\"", a lone "=\"" or "'") gives an empty text.
QString CleanOrderValue(const QString &raw);

// The value a template or the grid shows: CleanOrderValue, or `raw` itself when RawOrderValues.
QString ShownOrderValue(const QString &raw);
