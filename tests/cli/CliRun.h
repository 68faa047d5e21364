// Runs waybill-cli's commands in the test process and keeps what they printed.
#pragma once

#include "cli/CliCommands.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace {

struct Result {
    int Code = 0;
    QString Out, Err;
};

Result RunCli(const QStringList &args)
{
    Result r;
    QTextStream out(&r.Out), err(&r.Err);
    r.Code = Cli::Run(args, out, err);
    out.flush();
    err.flush();
    return r;
}

} // namespace
