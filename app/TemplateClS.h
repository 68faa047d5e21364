#pragma once
// The application's global state: settings from config/PRINTER.INI, the order columns, the
// imported order rows and the template catalogue. Everything here is touched only from the GUI
// thread (or from the one thread of the command-line tool).

#include "app/Hashtable.h"

#include <QList>
#include <QString>
#include <memory>
#include <vector>

class IniFile;

// One column of the marketplace's order export.
struct TColumn {
    QString ColName;
    int ColWidth = 0;     // grid width in pixels
    bool ColFlag = false;
    int ColIndex = 0;     // 1-based; the row key of the column is "C" + ColIndex
};

// One catalogue entry: a folder under template/ with its CFG.INI and layout file.
class TTemplate {
public:
    // Builds the record from the folder's CFG.INI. Never fails: a broken [COLUMNS] entry is
    // reported ("error-temp") and the record keeps what was read before it.
    explicit TTemplate(const QString &folder);

    QString TmpName;
    QString TmpPath;        // without a trailing separator
    QString TmpImgName;
    QString TmpFileName;
    int TmpColCnt = 0;
    QList<TColumn> Columns; // in column mode "1" the very list of OrderColumns (shared, not copied)
    // Why the folder's CFG.INI could not be used (the record then names no file, and its name is the
    // folder's); empty when it was read.
    QString Problem;
    // The name with a note when the settings could not be used: what lists of templates show.
    QString ShownName() const;

    // TmpPath, a separator and TmpFileName.
    QString LayoutPath() const;

private:
    bool m_namesRead = false;
};
using TTemplatePtr = std::shared_ptr<TTemplate>;

extern QString AppPath;                  // program folder (see FindProgramHome), ending with a separator
extern int CurrHAO;
extern int CurrVAO;
extern QString CurrPrinter;
extern bool RawOrderValues;           // [SYS] RAW_ORDER_VALUES=1: templates and grid see cells as exported
extern QList<TColumn> OrderColumns;
extern std::vector<THashTable> OrderRows;
extern QList<TTemplatePtr> TemplateList;
extern TTemplatePtr CurrTemplate;        // stays valid after it has left TemplateList
extern QString ColumnMode;
extern int AutoPrintBusy;

// Builds the global state. `home` names the program folder; when empty it is TAVREL_HOME, or
// else the folder of the program file, or the user's data folder of an installed program (see
// FindProgramHome). Errors are shown ("error") and start-up goes on.
void InitGlobals(const QString &home = QString());
void LoadPrinterConfig();

// Printer offsets are whole millimetres within ±MaxOffsetMm: a printer never needs more, and values
// near the integer limits would push the page off the paper or overflow when negated.
constexpr int MaxOffsetMm = 1000;
// Reads an offset text ("5", "-25"); false, with the seller's message in *message, when it is not a
// whole number or lies outside the range. `what` names the offset ("水平偏移").
bool ParseOffset(const QString &text, const QString &what, int *value, QString *message);
// Reads [SYS] key of PRINTER.INI as an offset: a missing key is 0; a stored value that is not a
// whole number within the range reads as 0, with the message in *message.
int ReadOffsetSetting(const IniFile &ini, const QString &key, QString *message);
// Empties TemplateList and fills it again from the template folders.
void ReloadTemplates();

QString PrinterIniPath();   // AppPath + config/PRINTER.INI
QString TemplateRoot();     // AppPath + template/

// Web addresses of the vendor, from [SYS] of PRINTER.INI with the vendor's own as defaults.
QString SupportUrl();
QString ShopUrl();
