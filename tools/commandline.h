// The command line of crvt-tool: a command word, its operands and the options, which may
// stand anywhere on the line.
#pragma once

#include "lookup/store/store.h"
#include "shared/result.h"

#include <QString>
#include <QStringList>

namespace tools {

struct Invocation
{
    enum class Command { Help, Build, Install, Dump, Query, Recognize, Match };
    Command command = Command::Help;
    QStringList operands; // build: INPUT OUTPUT; install: INPUT; dump: STORE;
                          // query, match: STORE TEXT; recognize: STORE IMAGE
    QString password = QString::fromUtf16(store::kStorePassword); // the program's
    int top = 5; // recognize and match: the most rows printed
};

struct UsageError
{
    QString message;
};

// `arguments` without the program name. "--help" anywhere wins over everything else;
// "--" ends the options, so that a query text may start with "-".
shared::Result<Invocation, UsageError> parseCommandLine(const QStringList &arguments);

QString helpText();

} // namespace tools
