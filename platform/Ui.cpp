#include "platform/Ui.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include <cstdio>

namespace {
ConsoleUi g_consoleUi;
UiHost *g_host = nullptr;

// Shell requests name either a web address, a document or folder, or a program with its
// parameter (the help viewer, the file explorer). On this desktop the document or folder that the
// program would be given is what the desktop opens.
QUrl TargetOf(const ShellRequest &request)
{
    const QString target = request.Params.isEmpty() ? request.File : request.Params;
    if (target.startsWith(QLatin1String("http://")) || target.startsWith(QLatin1String("https://"))
        || target.startsWith(QLatin1String("mailto:")))
        return QUrl(target);
    return QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
}
} // namespace

UiHost &Ui::Host() { return g_host ? *g_host : g_consoleUi; }

UiHost *Ui::Install(UiHost *host)
{
    UiHost *previous = g_host;
    g_host = host;
    return previous;
}

QString Ui::QtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return entries.join(QLatin1String(";;"));
}

void ConsoleUi::Message(const QString &text, const QString &caption, UiIcon)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
}

bool ConsoleUi::Ask(const QString &text, const QString &caption)
{
    std::fprintf(stderr, "%s: %s (answered No)\n", qUtf8Printable(caption), qUtf8Printable(text));
    return false;
}

UiAnswer ConsoleUi::AskYesNoCancel(const QString &text, const QString &caption, bool)
{
    std::fprintf(stderr, "%s: %s (answered Cancel)\n", qUtf8Printable(caption), qUtf8Printable(text));
    return UiAnswer::Cancel;
}

QString ConsoleUi::OpenFileName(const QString &, const QString &) { return QString(); }

bool ConsoleUi::RunDialog(QDialog &dialog)
{
    std::fprintf(stderr, "%s (cancelled)\n", qUtf8Printable(dialog.windowTitle()));
    dialog.setResult(QDialog::Rejected);
    return false;
}

QString ConsoleUi::SaveFileName(const QString &, const QString &, const QString &) { return QString(); }

bool ConsoleUi::ShellOpen(const ShellRequest &request) { return QDesktopServices::openUrl(TargetOf(request)); }

void WidgetUi::Message(const QString &text, const QString &caption, UiIcon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case UiIcon::None: break;
    case UiIcon::Information: boxIcon = QMessageBox::Information; break;
    case UiIcon::Warning: boxIcon = QMessageBox::Warning; break;
    case UiIcon::Error: boxIcon = QMessageBox::Critical; break;
    case UiIcon::Question: boxIcon = QMessageBox::Question; break;
    }
    QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool WidgetUi::Ask(const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

UiAnswer WidgetUi::AskYesNoCancel(const QString &text, const QString &caption, bool withAll)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    if (withAll)
        buttons |= QMessageBox::YesToAll;
    QMessageBox box(QMessageBox::Question, caption, text, buttons, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    if (withAll)
        box.button(QMessageBox::YesToAll)->setText(QStringLiteral("All"));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return UiAnswer::Yes;
    case QMessageBox::No:
        return UiAnswer::No;
    case QMessageBox::YesToAll:
        return UiAnswer::All;
    default:
        return UiAnswer::Cancel;
    }
}

QString WidgetUi::OpenFileName(const QString &filter, const QString &title)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, QString(), Ui::QtFilter(filter));
}

QString WidgetUi::SaveFileName(const QString &filter, const QString &title, const QString &suggested)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, suggested, Ui::QtFilter(filter));
}

bool WidgetUi::ShellOpen(const ShellRequest &request) { return QDesktopServices::openUrl(TargetOf(request)); }

bool WidgetUi::RunDialog(QDialog &dialog) { return dialog.exec() == QDialog::Accepted; }
