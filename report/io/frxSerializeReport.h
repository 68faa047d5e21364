#pragma once
// Loading and saving layouts: the report's LoadFromFile, SaveToFile, LoadFromStream and
// SaveToStream, the same for single components, and the one-element text the designer and the
// prepared pages keep objects in. A load collects its errors in the report's Errors and shows them
// as the report's NewSilentMode says; a layout with a password is accepted only when the password
// is confirmed.

#include "report/core/frxMeta.h"

#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;
class TComponent;
class TfrxComponent;
class TfrxReport;

// Asks the user for a layout's password; false when the user cancels. The windowed program
// installs its dialog here; without one, protected layouts are refused.
using TfrxPasswordQuery = std::function<bool(QString &password)>;
// Installs a query and returns the previous one.
TfrxPasswordQuery frxSetPasswordQuery(TfrxPasswordQuery query);

// ---- the report ----

// Writes the layout (header and the report element). The password is written shifted; the
// report's Preview is not part of the file.
void frxSaveToStream(TfrxReport &report, QIODevice *stream, bool saveChildren = true,
                     bool saveDefaultValues = false);
// Resets the report and reads a layout into it. Never raises for what the file holds (errors go
// to Errors and are shown), except with NewSilentMode simReThrow.
void frxLoadFromStream(TfrxReport &report, QIODevice *stream);
// ParentReport given with a drive letter is first made relative to the file's folder. The file is
// replaced only once it is written completely. Raises EFileError, also for a name that is a link
// leading out of its folder (frxLinkedLayoutProblem).
void frxSaveToFile(TfrxReport &report, const QString &fileName);
// An ancestor path with a drive letter ("C:\layouts\base.fr3") relative to the folder of fileName
// ("..\base.fr3" for "C:\layouts\sub\x.fr3"); unchanged without a drive or on another drive.
QString frxRelativeParentReport(const QString &parent, const QString &fileName);
// The largest layout file read: real ones are a few megabytes even with pictures.
constexpr qint64 frxMaxLayoutBytes = 200 * 1024 * 1024;
// Resets the report and forgets its file name; then, when the file exists (or exceptionIfNotFound
// is set, and opening the missing file raises EFileError), reads it and remembers its name.
// Returns whether the file existed. Anything but a regular file, a file over frxMaxLayoutBytes and
// a link leading out of the file's folder raise EFileError saying so. Ancestor layouts (ParentReport)
// are read only from the layout's folder and the template tree (frxTemplateFiles.h).
bool frxLoadFromFile(TfrxReport &report, const QString &fileName, bool exceptionIfNotFound = false);

// ---- single components ----

// The component as the root element of a document.
void frxSaveToStream(TfrxComponent &component, QIODevice *stream, bool saveChildren = true,
                     bool saveDefaultValues = false);
// Clears the component's children and reads a document written by the above into it; references
// are resolved within its report, and the errors (also added to the report's) are returned.
// Raises TfrxInvalidXMLException for a malformed document.
QStringList frxLoadFromStream(TfrxComponent &component, QIODevice *stream);

// One element without children as text: the class name and the property attributes, no Name
// ("TfrxMemoView Left="10" ... Text="..."").
QString frxComponentToText(TfrxComponent &component);
// The same as a complete tag, "<" text "/>", in UTF-8.
void frxWriteComponentTag(TfrxComponent &component, QIODevice *stream);
// Creates an object of the class the text names, owned by owner, applies the attributes and
// resolves references within owner's report. A complete tag is accepted too. nullptr for an
// unknown class. Errors of single attributes go to *errors.
TfrxComponent *frxComponentFromText(const QString &text, TComponent *owner, QStringList *errors = nullptr);
// Applies an attribute text onto an existing object (a component, an option group, a collection
// item); references are resolved within report. Returns the errors.
QStringList frxApplyAttributes(const TfrxPropTarget &object, const QString &text,
                               TfrxReport *report = nullptr);

// ---- errors ----

// "The following error(s) have occured:", CR LF, then every error followed by CR LF.
QString frxErrorListText(const QStringList &errors);
// Shows the report's errors as its NewSilentMode says: a message box captioned "Error", nothing,
// or an EReportError with the text.
void frxShowErrors(const TfrxReport &report);
