#pragma once
// The designer's clipboard: objects as text, the line "#FR3 clipboard#" and then one layout
// element per object (class name, Name first, the layout attributes, pictures with their bytes),
// positions relative to the selection's top-left corner. Pasting accepts only views and bands,
// and only text of a sane size that starts with the header.

#include <QList>
#include <QPointF>
#include <QString>

class TfrxComponent;
class TfrxPage;

namespace frxClipboard {
// The first line of the text.
QString Header();
// The largest text a paste reads.
constexpr qsizetype MaxText = 8 * 1024 * 1024;

// The text for the selected objects (page order); a band none of whose objects is selected brings
// them all along.
QString CopyText(const QList<TfrxComponent *> &selection, TfrxPage *page);
// Whether a text holds designer objects.
bool CanPaste(const QString &text);
// Creates the text's objects on the page: bands on the page, other objects in the last pasted
// band whose range holds their top, else on the page. Free names are kept, taken ones renamed,
// groups dropped. Returns the objects placed (what a paste then selects); nothing for text that
// is not designer objects.
QList<TfrxComponent *> Paste(const QString &text, TfrxPage *page);

// The same through the system clipboard.
void Copy(const QList<TfrxComponent *> &selection, TfrxPage *page);
bool ClipboardHasObjects();
// Where the selection a text was copied from stood (the top-left corner, design pixels on its
// page) when this program copied exactly that text last; (0, 0) for any other text.
QPointF CopiedPlace(const QString &text);
QString ClipboardText();
} // namespace frxClipboard
